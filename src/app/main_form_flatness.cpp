// The flatness correction as the window offers it: "Калибровка АЧХ…" and
// "Коррекция АЧХ" in the plot's menu, and the corrected levels in every
// picture, readout, kept curve and data file, with the mark that says so.
#include <QFrame>
#include <QMenu>

#include "app/calibration_hosts.h"
#include "app/main_form.h"
#include "calibration/calibration.h"
#include "widgets/message_box.h"
#include "widgets/passing_notice.h"

namespace virn::app {

namespace {

const QString kFlatnessNotStoredText = QStringLiteral("Не удалось сохранить настройку коррекции АЧХ.");

QString DamagedFlatnessText(const QString& keptAs) {
  return QStringLiteral(
             "Файл коррекции АЧХ повреждён и не прочитан; до новой калибровки АЧХ уровни не "
             "корректируются. Повреждённый файл сохранён как %1")
      .arg(keptAs);
}

}  // namespace

void TMainForm::buildFlatnessMenu() {
  PlotMenu1->addSeparator();
  mnuFlatnessCalibration = PlotMenu1->addAction(QStringLiteral("Калибровка АЧХ…"));
  mnuFlatnessCalibration->setObjectName(QStringLiteral("mnuFlatnessCalibration"));
  mnuFlatness = PlotMenu1->addAction(QStringLiteral("Коррекция АЧХ"));
  mnuFlatness->setObjectName(QStringLiteral("mnuFlatness"));
  mnuFlatness->setCheckable(true);
  connect(mnuFlatnessCalibration, &QAction::triggered, this,
          [this] { widgets::Guarded([this] { mnuFlatnessCalibrationClick(); }); });
  connect(mnuFlatness, &QAction::triggered, this,
          [this] { widgets::Guarded([this] { mnuFlatnessClick(); }); });
}

void TMainForm::UpdateFlatnessMenu() {
  const measure::Settings& settings = controller_->Settings();
  // The band is measured by sweeping it: not while generating or analysing.
  mnuFlatnessCalibration->setEnabled(settings.mode == measure::Mode::Sweep);
  mnuFlatness->setEnabled(flatness_->Available(settings.linear));
  mnuFlatness->setChecked(flatness_->On() && flatness_->Available(settings.linear));
}

void TMainForm::mnuFlatnessCalibrationClick() {
  calibration::RunFlatnessCalibration(this, *hosts_);
  UpdateFlatnessMenu();
  DrawPlot();
}

void TMainForm::mnuFlatnessClick() {
  if (!flatness_->SetOn(mnuFlatness->isChecked())) {
    widgets::AppMessageBox(kFlatnessNotStoredText, QMessageBox::Warning);
  }
  DrawPlot();
}

void TMainForm::ApplyFlatness(display::PlotInputs& in) const {
  const flatness::CorrectionResult live =
      flatness_->Apply(in.Mode, in.Scale.Linear, in.Samples, in.StartFreq, in.EndFreq);
  if (live.applied == flatness::Applied::Off) return;
  in.Samples = live.samples;
  for (display::ReferenceTrace& trace : in.References) {
    trace.Samples =
        flatness_->Apply(in.Mode, in.Scale.Linear, trace.Samples, in.StartFreq, in.EndFreq).samples;
  }
  in.Flatness =
      live.applied == flatness::Applied::Whole ? display::FlatnessMark::Whole : display::FlatnessMark::Partly;
}

exports::SweepTable TMainForm::SweepTableNow() const {
  const display::PlotInputs raw = RawPlotInputs();
  exports::SweepTable table = exports::SweepTableOf(raw);
  const flatness::CorrectionResult shown =
      flatness_->Apply(raw.Mode, raw.Scale.Linear, raw.Samples, raw.StartFreq, raw.EndFreq);
  if (shown.applied != flatness::Applied::Off) table.Corrected = shown.levels;
  return table;
}

void TMainForm::ShowDamagedFlatnessFiles() {
  QStringList keptAs;
  for (const QString& file : flatness_->DamagedFiles()) keptAs << file + QStringLiteral(".bad");
  if (!keptAs.isEmpty())
    widgets::ShowPassingNotice(*Panel1, DamagedFlatnessText(keptAs.join(QStringLiteral(", "))));
}

}  // namespace virn::app
