#include "measure/instrument_sequences.h"

#include <thread>

namespace virn::measure {

void SendGeneratorSetup(link::InstrumentLink& link, std::int32_t dds, std::int32_t generatorWord,
                        const Wait& wait) {
  link.Send(link::opcode::kDdsCoefficient, dds);
  if (wait) {
    wait(kGeneratorSetupWait);
  } else {
    std::this_thread::sleep_for(kGeneratorSetupWait);
  }
  link.Send(link::opcode::kGeneratorWord, generatorWord);
}

void SendGeneratorWord(link::InstrumentLink& link, std::int32_t generatorWord) {
  link.Send(link::opcode::kGeneratorWord, generatorWord);
}

void StopAcquisition(link::InstrumentLink& link, TDrawThread& thread) {
  link.Send(link::opcode::kStop, 0);
  thread.StopSweeps();
  thread.Paused = false;
}

}  // namespace virn::measure
