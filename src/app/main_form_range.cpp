// The sweep range and the generator frequency: the triples' fields, the range
// recompute with its status texts, and the retune of a running sweep.
#include <QLineEdit>
#include <QToolButton>
#include <chrono>
#include <thread>

#include "app/main_form.h"
#include "app/status_bar.h"
#include "app/up_down.h"
#include "measure/instrument_sequences.h"

namespace virn::app {

namespace {
constexpr std::chrono::milliseconds kRetuneWait{10};
constexpr std::int32_t kSpanUnit = 1000000;

bool ValidPlace(int place) {
  return place >= 0 && place <= 2;
}
}  // namespace

QLineEdit* TMainForm::tripleField(Triple triple, int place) const {
  return tripleFields_.at(static_cast<std::size_t>(triple)).at(static_cast<std::size_t>(place));
}

UpDown* TMainForm::tripleUpDown(Triple triple, int place) const {
  return tripleUpDowns_.at(static_cast<std::size_t>(triple)).at(static_cast<std::size_t>(place));
}

qint16 TMainForm::TriplePart(Triple triple, int place) const {
  if (!ValidPlace(place)) return 0;
  return static_cast<qint16>(tripleUpDown(triple, place)->position());
}

void TMainForm::SetTriplePart(Triple triple, int place, qint16 value) {
  if (!ValidPlace(place)) return;
  tripleUpDown(triple, place)->setPosition(value);
}

std::array<QString, 3> TMainForm::TripleTexts(Triple triple) const {
  return {tripleField(triple, 0)->text(), tripleField(triple, 1)->text(), tripleField(triple, 2)->text()};
}

std::int32_t TMainForm::ReadStartFreq() const {
  return measure::ReadTriple(TripleTexts(Triple::Start));
}

std::int32_t TMainForm::ReadEndFreq() const {
  return measure::ReadTriple(TripleTexts(Triple::End));
}

std::int32_t TMainForm::ReadGenFreq() const {
  return measure::ReadTriple(TripleTexts(Triple::Generator));
}

std::int32_t TMainForm::FreqToWord(std::uint32_t f) const {
  return measure::FreqToWord(f, realFreq_, corrFreq_);
}

void TMainForm::setRealFreq(qint32 value) {
  // A measured frequency of 0 cannot be right (a damaged settings file) and
  // would make every frequency word meaningless: keep the default instead.
  realFreq_ = value == 0 ? measure::kDefaultCalibrationFreq : value;
}

void TMainForm::RecomputeRange() {
  // Each assignment stands even when a later read fails.
  StartFreq = ReadStartFreq();
  EndFreq = ReadEndFreq();
  SweepStep = measure::SweepStepFor(StartFreq, EndFreq);
}

void TMainForm::ShowRangeStatus() {
  StatusBar1->setPanelText(StatusBar::kStepPanel, QStringLiteral("Шаг: %1 Гц").arg(SweepStep));
  const QString span = measure::FreqToStr(static_cast<std::int64_t>(EndFreq) - StartFreq, kSpanUnit, true);
  StatusBar1->setPanelText(StatusBar::kSpanPanel, QStringLiteral("Полоса обзора: %1 Гц").arg(span));
}

TMainForm::RangeCommand TMainForm::RangeToSend() const {
  if (mnuAnaliserMode->isChecked() && vfoDiv_) {
    return {FreqToWord(static_cast<std::uint32_t>(StartFreq / 2)), SweepStep / 2};
  }
  return {FreqToWord(static_cast<std::uint32_t>(StartFreq)), SweepStep};
}

void TMainForm::Edit4Change() {
  // While paused the fields change alone; the range follows at the next edit
  // after the pause or at the next Start.
  if (KlSpeedButton3->isChecked()) return;
  RecomputeRange();
  ShowRangeStatus();
  if (!Connected() || !sweepRunning_) return;
  // Keeps the thread from starting another sweep while the range is half sent.
  drawThread_->Paused = true;
  const RangeCommand range = RangeToSend();
  instrument_.Send(link::opcode::kStep, range.step);
  std::this_thread::sleep_for(kRetuneWait);
  instrument_.Send(link::opcode::kStartWord, range.startWord);
  std::this_thread::sleep_for(kRetuneWait);
  drawThread_->Paused = false;
}

std::int32_t TMainForm::GeneratorWord() const {
  return FreqToWord(static_cast<std::uint32_t>(ReadGenFreq()));
}

void TMainForm::Edit2Change() {
  if (!Connected()) return;
  measure::SendGeneratorWord(instrument_, GeneratorWord());
}

}  // namespace virn::app
