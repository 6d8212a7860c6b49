// What the window shows for each of the controller's events: the status bar,
// the run buttons, the mode's controls, the sweep options' controls, and the
// picture after every acquisition pass.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QToolButton>
#include <variant>

#include "app/main_form.h"
#include "app/mode_controls.h"
#include "app/status_bar.h"
#include "app/up_down.h"

namespace virn::app {

namespace {
// One call per kind of event.
template <class... Reaction>
struct Reactions : Reaction... {
  using Reaction::operator()...;
};
template <class... Reaction>
Reactions(Reaction...) -> Reactions<Reaction...>;
}  // namespace

void TMainForm::OnEvent(const control::Event& event) {
  namespace ev = control::event;
  std::visit(Reactions{
                 [this](const ev::Pass& e) {
                   ++sweepPasses_;
                   // An idle pass that changed nothing leaves the picture alone.
                   if (e.levelsRead || plotStale_ || controller_->Revision() != drawnRevision_) DrawPlot();
                 },
                 [this](const ev::Connected& e) { ShowLink(true, e.version); },
                 [this](const ev::Lost&) { ShowLink(false, {}); },
                 [this](const ev::RangeChanged& e) { ShowRangeStatus(e.range); },
                 [this](const ev::Started&) { ShowRunning(true); },
                 [this](const ev::Stopped&) { ShowRunning(false); },
                 [this](const ev::PauseChanged& e) { ShowPaused(e.paused); },
                 [this](const ev::ModeApplied& e) { ApplyMode(e.mode); },
                 [this](const ev::DetectorChanged& e) { ShowDetector(e.linear); },
                 [this](const ev::DelayChanged& e) { ShowDelay(e.on); },
                 [this](const ev::AveragingChanged& e) { CheckBox2->setChecked(e.on); },
                 [this](const ev::PeriodChanged& e) { ComboBox1->setCurrentIndex(e.index); },
             },
             event);
}

void TMainForm::ShowLink(bool connected, const std::string& version) {
  StatusBar1->setPanelText(StatusBar::kVersionPanel, connected ? VersionPanelText(version) : QString());
  StatusBar1->setPanelText(StatusBar::kLinkPanel, connected ? kConnectedText : kNoLinkText);
}

void TMainForm::ShowRangeStatus(const control::Range& range) {
  StatusBar1->setPanelText(StatusBar::kStepPanel, StepPanelText(range.SweepStep));
  StatusBar1->setPanelText(StatusBar::kSpanPanel, SpanPanelText(range.StartFreq, range.EndFreq));
}

void TMainForm::ShowDetector(bool linear) {
  mnuLinear->setChecked(linear);
  StatusBar1->setPanelText(StatusBar::kDetectorPanel, DetectorPanelText(linear));
}

void TMainForm::ShowRunning(bool running) {
  KlSpeedButton1->setEnabled(!running);
  KlSpeedButton2->setEnabled(running);
  KlSpeedButton3->setEnabled(running);
  if (!running) KlSpeedButton3->setChecked(false);
  // The level calibration measures a sweep of the cable: it is offered at
  // Start in sweep mode only.
  mnuCaOut->setEnabled(running && controller_->Mode() == measure::Mode::Sweep);
  if (running) Edit10->setFocus();
}

void TMainForm::ShowPaused(bool paused) {
  KlSpeedButton3->setChecked(paused);
  // Releasing the pause offers the level calibration in any mode.
  mnuCaOut->setEnabled(!paused);
}

void TMainForm::ShowDelay(bool on) {
  CheckBox1->setChecked(on);
  ComboBox1->setEnabled(on);
}

void TMainForm::ApplyMode(measure::Mode mode) {
  const ModeControls c = ControlsFor(mode, controller_->Settings().delay);
  PageControl1->setTabVisible(PageControl1->indexOf(TabSheet1), c.sweepPage);
  PageControl1->setTabVisible(PageControl1->indexOf(TabSheet2), c.generatorPage);
  EnableForMode(c);
  PageControl1->setCurrentWidget(c.generatorPage ? TabSheet2 : TabSheet1);
  if (c.rangeStatusEmptied) {
    StatusBar1->setPanelText(StatusBar::kStepPanel, QString());
    StatusBar1->setPanelText(StatusBar::kSpanPanel, QString());
  }
  PaintBox1->update();
}

void TMainForm::EnableForMode(const ModeControls& c) {
  const std::pair<QWidget*, bool> controls[] = {{mnuCorrFreq, c.frequencyCalibration},
                                                {mnuVisir, c.marker},
                                                {CheckBox1, c.delay},
                                                {ComboBox1, c.period},
                                                {CheckBox2, c.averaging},
                                                {KlSpeedButton1, c.start},
                                                {mnuLinear, c.detector},
                                                {mnuPrint, c.printAndSave},
                                                {mnuSave, c.printAndSave},
                                                {Edit15, c.analyserOffset},
                                                {UpDown14, c.analyserOffset}};
  for (const auto& [control, enabled] : controls) control->setEnabled(enabled);
  for (const Triple triple : {Triple::Start, Triple::End, Triple::Generator}) {
    const bool enabled = triple == Triple::Generator ? c.generatorFields : c.rangeFields;
    for (int place = 0; place < 3; ++place) {
      tripleField(triple, place)->setEnabled(enabled);
      tripleUpDown(triple, place)->setEnabled(enabled);
    }
  }
}

}  // namespace virn::app
