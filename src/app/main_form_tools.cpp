// The plot's context menu: the latest sweep saved as numbers, sweeps kept to
// compare with, the marker put at a level below the maximum, the quality
// factor and the program's scale. Added beside the original controls: unused,
// the window, its plot and its settings file are what they were without them.
#include <QActionGroup>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QFrame>
#include <QMenu>
#include <QToolButton>

#include "app/main_form.h"
#include "app/screen_scale.h"
#include "export/picture_files.h"
#include "export/save_data.h"
#include "widgets/message_box.h"
#include "widgets/passing_notice.h"

namespace virn::app {

namespace {

constexpr std::array<double, 3> kLevelsBelowMaximum = {3, 6, 20};
const QString kReferencesDroppedText = QStringLiteral(
    "Запомненные кривые сняты в другом диапазоне, другим детектором или в другом режиме и убраны.");

}  // namespace

void TMainForm::buildPlotMenu() {
  PlotMenu1 = new QMenu(this);
  PlotMenu1->setObjectName(QStringLiteral("PlotMenu1"));
  mnuSaveData = PlotMenu1->addAction(QStringLiteral("Сохранить данные..."));
  mnuSaveData->setObjectName(QStringLiteral("mnuSaveData"));
  PlotMenu1->addSeparator();
  mnuKeepTrace = PlotMenu1->addAction(QStringLiteral("Запомнить кривую"));
  mnuKeepTrace->setObjectName(QStringLiteral("mnuKeepTrace"));
  mnuClearTraces = PlotMenu1->addAction(QStringLiteral("Убрать кривые"));
  mnuClearTraces->setObjectName(QStringLiteral("mnuClearTraces"));
  PlotMenu1->addSeparator();
  for (std::size_t i = 0; i < kLevelsBelowMaximum.size(); ++i) {
    const double db = kLevelsBelowMaximum[i];
    QAction* action = PlotMenu1->addAction(QStringLiteral("Визир на −%1 дБ").arg(db));
    action->setObjectName(QStringLiteral("mnuMarker%1dB").arg(db));
    connect(action, &QAction::triggered, this,
            [this, db] { widgets::Guarded([&] { MarkerBelowMaximumClick(db); }); });
    mnuMarkerBelowMax[i] = action;
  }
  mnuShowQ = PlotMenu1->addAction(QStringLiteral("Показывать добротность"));
  mnuShowQ->setObjectName(QStringLiteral("mnuShowQ"));
  mnuShowQ->setCheckable(true);
  buildFlatnessMenu();
  PlotMenu1->addSeparator();
  mnuScale = PlotMenu1->addMenu(QStringLiteral("Масштаб"));
  mnuScale->setObjectName(QStringLiteral("mnuScale"));
  auto* scales = new QActionGroup(mnuScale);
  for (const int percent : kScaleChoices) {
    QAction* action = mnuScale->addAction(ScaleCaption(percent));
    action->setObjectName(QStringLiteral("mnuScale%1").arg(percent));
    action->setCheckable(true);
    action->setData(percent);
    scales->addAction(action);
    connect(action, &QAction::triggered, this,
            [this, percent] { widgets::Guarded([&] { mnuScaleClick(percent); }); });
  }

  connect(mnuSaveData, &QAction::triggered, this,
          [this] { widgets::Guarded([this] { mnuSaveDataClick(); }); });
  connect(mnuKeepTrace, &QAction::triggered, this,
          [this] { widgets::Guarded([this] { mnuKeepTraceClick(); }); });
  connect(mnuClearTraces, &QAction::triggered, this,
          [this] { widgets::Guarded([this] { mnuClearTracesClick(); }); });
  connect(mnuShowQ, &QAction::toggled, this, [this] { widgets::Guarded([this] { DrawPlot(); }); });
  connect(PlotMenu1, &QMenu::aboutToShow, this, [this] { UpdatePlotMenu(); });
}

void TMainForm::UpdatePlotMenu() {
  // A sweep's numbers exist only while the curve is shown.
  const measure::Mode mode = controller_->Mode();
  const bool curve = controller_->SweepRunning() && mode != measure::Mode::Generator;
  mnuSaveData->setEnabled(curve);
  mnuKeepTrace->setEnabled(curve);
  mnuClearTraces->setEnabled(!references_.Empty());
  for (QAction* action : mnuMarkerBelowMax) action->setEnabled(curve && mode != measure::Mode::Analyser);
  mnuShowQ->setEnabled(mode != measure::Mode::Analyser);
  UpdateFlatnessMenu();
  // The choice for the next start, which may differ from the scale in effect.
  const int scale = StoredScale(settings::LoadKeyValues(ExtraSettingsPath()));
  for (QAction* action : mnuScale->actions()) action->setChecked(action->data().toInt() == scale);
}

void TMainForm::PlotMenuPopup(const QPoint& globalPos) {
  UpdatePlotMenu();
  PlotMenu1->popup(globalPos);
}

void TMainForm::mnuSaveDataClick() {
  exports::HostPictureFiles files;
  exports::SaveData(dataSaveDialog(), SweepTableNow(), files);
}

void TMainForm::mnuKeepTraceClick() {
  if (!controller_->SweepRunning()) return;
  // Kept as measured: the correction in use is applied when they are drawn.
  references_.Keep(RawPlotInputs());
  DrawPlot();
}

void TMainForm::mnuClearTracesClick() {
  references_.Clear();
  DrawPlot();
}

void TMainForm::MarkerBelowMaximumClick(double db) {
  const std::optional<std::int32_t> row = display::RowBelowMaximum(PlotInputsNow(), db);
  if (!row) return;
  mnuVisir->setChecked(true);
  ChangeMarker([&](display::MarkerState& marker) {
    display::PlaceMarker(marker, *row);
    return true;
  });
}

QString TMainForm::ExtraSettingsPath() const {
  return settings::ExtraSettingsFile(QFileInfo(ConfigPath).path(),
                                     QFileInfo(QApplication::applicationFilePath()).fileName());
}

void TMainForm::mnuScaleClick(int percent) {
  switch (ChooseScale(ExtraSettingsPath(), percent)) {
    case ScaleChange::Unchanged:
      break;
    case ScaleChange::Stored:
      widgets::AppMessageBox(kScaleAtNextStartText, QMessageBox::Information);
      break;
    case ScaleChange::NotStored:
      widgets::AppMessageBox(kScaleNotStoredText, QMessageBox::Warning);
      break;
  }
}

void TMainForm::ReconcileReferences(display::PlotInputs& in) {
  if (!references_.Reconcile(in)) return;
  in.References.clear();
  // Most often the user is typing a new range: a box would take the focus and
  // the next keystrokes with it. The notice over the plot takes none.
  widgets::ShowPassingNotice(*Panel1, kReferencesDroppedText);
}

}  // namespace virn::app
