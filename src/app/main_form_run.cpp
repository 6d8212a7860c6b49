// Run control and operating modes: Start, Stop, Pause, the three mode buttons,
// the sweep options, and the published settings that mirror those controls.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QToolButton>

#include "app/main_form.h"
#include "app/status_bar.h"
#include "app/up_down.h"
#include "measure/instrument_sequences.h"
#include "widgets/message_box.h"

namespace virn::app {

namespace {
void ShowDetector(StatusBar& statusBar, bool linear) {
  statusBar.setPanelText(StatusBar::kDetectorPanel, linear ? QStringLiteral("Лин.") : QStringLiteral("Лог."));
}
}  // namespace

void TMainForm::KlSpeedButton1Click() {
  if (!Connected()) {
    widgets::AppMessageBox(QStringLiteral("Подключите прибор."), QMessageBox::Warning);
    return;
  }
  RecomputeRange();
  KlSpeedButton1->setEnabled(false);
  KlSpeedButton2->setEnabled(true);
  KlSpeedButton3->setEnabled(true);
  const RangeCommand range = RangeToSend();
  measure::StartSetup setup;
  setup.linearDetector = mnuLinear->isChecked();
  setup.dds = DDS_;
  setup.delay = CheckBox1->isChecked();
  setup.averaging = CheckBox2->isChecked();
  setup.periodIndex = ComboBox1->currentIndex() + 1;
  setup.startWord = range.startWord;
  setup.step = range.step;
  measure::StartAcquisition(instrument_, *drawThread_, setup);
  ShowDetector(*StatusBar1, setup.linearDetector);
  ShowRangeStatus();
  mnuCaOut->setEnabled(mnuSwipMode->isChecked());
  Edit10->setFocus();
  sweepRunning_ = true;
}

void TMainForm::KlSpeedButton2Click() {
  measure::StopAcquisition(instrument_, *drawThread_);
  KlSpeedButton1->setEnabled(true);
  KlSpeedButton2->setEnabled(false);
  KlSpeedButton3->setChecked(false);
  KlSpeedButton3->setEnabled(false);
  mnuCaOut->setEnabled(false);
  sweepRunning_ = false;
}

void TMainForm::KlSpeedButton3Click() {
  const bool down = KlSpeedButton3->isChecked();
  drawThread_->Paused = down;
  mnuCaOut->setEnabled(!down);
}

void TMainForm::mnuGenModeClick() {
  KlSpeedButton2Click();
  Edit2Change();
  ShowRangeStatus();
  const bool generator = mnuGenMode->isChecked();
  if (generator && Connected()) SendGeneratorSetup();

  PageControl1->setTabVisible(PageControl1->indexOf(TabSheet1), !generator);
  PageControl1->setTabVisible(PageControl1->indexOf(TabSheet2), generator);
  mnuCorrFreq->setEnabled(generator);
  mnuVisir->setEnabled(!generator);
  CheckBox1->setEnabled(!generator);
  ComboBox1->setEnabled(!generator && CheckBox1->isChecked());
  for (const Triple triple : {Triple::Start, Triple::End}) {
    for (int place = 0; place < 3; ++place) {
      tripleField(triple, place)->setEnabled(!generator);
      tripleUpDown(triple, place)->setEnabled(!generator);
    }
  }
  CheckBox2->setEnabled(!generator);
  KlSpeedButton1->setEnabled(!generator);
  mnuLinear->setEnabled(!generator);
  for (int place = 0; place < 3; ++place) {
    tripleField(Triple::Generator, place)->setEnabled(generator);
    tripleUpDown(Triple::Generator, place)->setEnabled(generator);
  }
  mnuPrint->setEnabled(!generator);
  mnuSave->setEnabled(!generator);

  if (generator) {
    PageControl1->setCurrentWidget(TabSheet2);
    StatusBar1->setPanelText(StatusBar::kStepPanel, QString());
    StatusBar1->setPanelText(StatusBar::kSpanPanel, QString());
  } else {
    PageControl1->setCurrentWidget(TabSheet1);
  }
  const bool analiser = mnuAnaliserMode->isChecked();
  Edit15->setEnabled(analiser);
  UpDown14->setEnabled(analiser);
  PaintBox1->update();
}

void TMainForm::SendGeneratorSetup() {
  measure::SendGeneratorSetup(instrument_, DDS_, GeneratorWord());
}

void TMainForm::CheckBox1Click() {
  const bool ticked = CheckBox1->isChecked();
  ComboBox1->setEnabled(ticked);
  instrument_.Send(link::opcode::kDelay, ticked ? 1 : 0);
  drawThread_->DelayOn = ticked;
}

void TMainForm::CheckBox2Click() {
  instrument_.Send(link::opcode::kAveraging, CheckBox2->isChecked() ? 1 : 0);
}

void TMainForm::ComboBox1Change() {
  drawThread_->PeriodIndex = ComboBox1->currentIndex() + 1;
  instrument_.Send(link::opcode::kPeriod, drawThread_->PeriodIndex.load());
}

void TMainForm::mnuLinearClick() {
  const bool linearDetector = mnuLinear->isChecked();
  instrument_.Send(link::opcode::kDetector, linearDetector ? 1 : 0);
  ShowDetector(*StatusBar1, linearDetector);
}

bool TMainForm::swipMode() const {
  return mnuSwipMode->isChecked();
}
void TMainForm::setSwipMode(bool value) {
  mnuSwipMode->setChecked(value);
}
bool TMainForm::genMode() const {
  return mnuGenMode->isChecked();
}
void TMainForm::setGenMode(bool value) {
  mnuGenMode->setChecked(value);
}
bool TMainForm::analiserMode() const {
  return mnuAnaliserMode->isChecked();
}
void TMainForm::setAnaliserMode(bool value) {
  mnuAnaliserMode->setChecked(value);
}

bool TMainForm::delay() const {
  return CheckBox1->isChecked();
}
void TMainForm::setDelay(bool value) {
  if (CheckBox1->isChecked() == value) return;
  CheckBox1->setChecked(value);
  CheckBox1Click();
}

bool TMainForm::averaging() const {
  return CheckBox2->isChecked();
}
void TMainForm::setAveraging(bool value) {
  if (CheckBox2->isChecked() == value) return;
  CheckBox2->setChecked(value);
  CheckBox2Click();
}

qint32 TMainForm::delayIndex() const {
  return ComboBox1->currentIndex();
}
void TMainForm::setDelayIndex(qint32 value) {
  // An index outside the list would leave no period selected and send period 0.
  if (value < 0 || value >= ComboBox1->count()) return;
  ComboBox1->setCurrentIndex(value);
}

bool TMainForm::linear() const {
  return mnuLinear->isChecked();
}
void TMainForm::setLinear(bool value) {
  mnuLinear->setChecked(value);
  mnuLinearClick();
}

bool TMainForm::visir() const {
  return mnuVisir->isChecked();
}
void TMainForm::setVisir(bool value) {
  mnuVisir->setChecked(value);
}

void TMainForm::setZeroDbAnaliser(qint16 value) {
  zeroDbAnaliser_ = value;
  // The field shows the offset in effect; its change handler copies the
  // up-down's position back.
  UpDown14->setPosition(value);
}

}  // namespace virn::app
