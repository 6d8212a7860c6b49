#include "measure/instrument_sequences.h"

#include <thread>

#include "measure/frequency.h"

namespace virn::measure {

namespace {
void Sleep(const Wait& wait, std::chrono::milliseconds duration) {
  if (wait) {
    wait(duration);
  } else {
    std::this_thread::sleep_for(duration);
  }
}
}  // namespace

void SendGeneratorSetup(link::InstrumentLink& link, std::int32_t dds, std::int32_t generatorWord,
                        const Wait& wait) {
  link.Send(link::opcode::kDdsCoefficient, dds);
  Sleep(wait, kGeneratorSetupWait);
  link.Send(link::opcode::kGeneratorWord, generatorWord);
}

void SendGeneratorWord(link::InstrumentLink& link, std::int32_t generatorWord) {
  link.Send(link::opcode::kGeneratorWord, generatorWord);
}

void SendStartSetup(link::InstrumentLink& link, const StartSetup& setup) {
  link.Unit().ResetFTDevice();
  link.Send(link::opcode::kDetector, setup.linearDetector ? 1 : 0);
  link.Send(link::opcode::kSweepSteps, kSweepSteps);
  link.Send(link::opcode::kDdsCoefficient, setup.dds);
  link.Send(link::opcode::kDelay, setup.delay ? 1 : 0);
  link.Send(link::opcode::kAveraging, setup.averaging ? 1 : 0);
  link.Send(link::opcode::kPeriod, setup.periodIndex);
  link.Send(link::opcode::kStartWord, setup.startWord);
  link.Send(link::opcode::kStep, setup.step);
}

void StartAcquisition(link::InstrumentLink& link, TDrawThread& thread, const StartSetup& setup) {
  thread.PeriodIndex = setup.periodIndex;
  thread.DelayOn = setup.delay;
  SendStartSetup(link, setup);
  thread.StartSweeps();
}

void Retune(link::InstrumentLink& link, TDrawThread& thread, std::int32_t step, std::int32_t startWord,
            const Wait& wait) {
  thread.Paused = true;
  link.Send(link::opcode::kStep, step);
  Sleep(wait, kRetuneWait);
  link.Send(link::opcode::kStartWord, startWord);
  Sleep(wait, kRetuneWait);
  thread.Paused = false;
}

void StopAcquisition(link::InstrumentLink& link, TDrawThread& thread) {
  link.Send(link::opcode::kStop, 0);
  thread.StopSweeps();
  thread.Paused = false;
}

}  // namespace virn::measure
