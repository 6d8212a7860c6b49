// What the window shows for each of the controller's events: the status bar,
// the run buttons, the mode's controls, the sweep options' controls, and the
// picture after every acquisition pass.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QToolButton>
#include <type_traits>
#include <variant>

#include "app/main_form.h"
#include "app/mode_controls.h"
#include "app/status_bar.h"
#include "app/up_down.h"

namespace virn::app {

void TMainForm::OnEvent(const control::Event& event) {
  std::visit(
      [this, &event](const auto& e) {
        using E = std::decay_t<decltype(e)>;
        namespace ev = control::event;
        if constexpr (std::is_same_v<E, ev::Pass>) {
          ++sweepPasses_;
          DrawPlot();
        } else if constexpr (std::is_same_v<E, ev::Connected>) {
          StatusBar1->setPanelText(StatusBar::kVersionPanel, VersionPanelText(e.version));
          StatusBar1->setPanelText(StatusBar::kLinkPanel, kConnectedText);
        } else if constexpr (std::is_same_v<E, ev::Lost>) {
          StatusBar1->setPanelText(StatusBar::kLinkPanel, kNoLinkText);
          StatusBar1->setPanelText(StatusBar::kVersionPanel, QString());
        } else if constexpr (std::is_same_v<E, ev::RangeChanged>) {
          ShowRangeStatus(e.range);
        } else if constexpr (std::is_same_v<E, ev::Started> || std::is_same_v<E, ev::Stopped>) {
          ShowRunning(std::is_same_v<E, ev::Started>);
        } else if constexpr (std::is_same_v<E, ev::PauseChanged>) {
          KlSpeedButton3->setChecked(e.paused);
          mnuCaOut->setEnabled(!e.paused);
        } else if constexpr (std::is_same_v<E, ev::ModeApplied>) {
          ApplyMode(e.mode);
        } else {
          ShowSweepOptions(event);
        }
      },
      event);
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

void TMainForm::ShowSweepOptions(const control::Event& event) {
  if (const auto* detector = std::get_if<control::event::DetectorChanged>(&event)) {
    ShowDetector(detector->linear);
  } else if (const auto* delay = std::get_if<control::event::DelayChanged>(&event)) {
    CheckBox1->setChecked(delay->on);
    ComboBox1->setEnabled(delay->on);
  } else if (const auto* averaging = std::get_if<control::event::AveragingChanged>(&event)) {
    CheckBox2->setChecked(averaging->on);
  } else if (const auto* period = std::get_if<control::event::PeriodChanged>(&event)) {
    ComboBox1->setCurrentIndex(period->index);
  }
}

void TMainForm::ApplyMode(measure::Mode mode) {
  const ModeControls c = ControlsFor(mode, controller_->Settings().delay);
  PageControl1->setTabVisible(PageControl1->indexOf(TabSheet1), c.sweepPage);
  PageControl1->setTabVisible(PageControl1->indexOf(TabSheet2), c.generatorPage);
  for (const auto& [control, enabled] :
       std::initializer_list<std::pair<QWidget*, bool>>{{mnuCorrFreq, c.frequencyCalibration},
                                                        {mnuVisir, c.marker},
                                                        {CheckBox1, c.delay},
                                                        {ComboBox1, c.period},
                                                        {CheckBox2, c.averaging},
                                                        {KlSpeedButton1, c.start},
                                                        {mnuLinear, c.detector},
                                                        {mnuPrint, c.printAndSave},
                                                        {mnuSave, c.printAndSave},
                                                        {Edit15, c.analyserOffset},
                                                        {UpDown14, c.analyserOffset}}) {
    control->setEnabled(enabled);
  }
  for (const Triple triple : {Triple::Start, Triple::End, Triple::Generator}) {
    const bool enabled = triple == Triple::Generator ? c.generatorFields : c.rangeFields;
    for (int place = 0; place < 3; ++place) {
      tripleField(triple, place)->setEnabled(enabled);
      tripleUpDown(triple, place)->setEnabled(enabled);
    }
  }
  PageControl1->setCurrentWidget(c.generatorPage ? TabSheet2 : TabSheet1);
  if (c.rangeStatusEmptied) {
    StatusBar1->setPanelText(StatusBar::kStepPanel, QString());
    StatusBar1->setPanelText(StatusBar::kSpanPanel, QString());
  }
  PaintBox1->update();
}

}  // namespace virn::app
