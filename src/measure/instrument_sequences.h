// Command sequences that more than one window sends: the main window's mode
// switch, handshake and Stop button, the options dialog and the calibration
// wizards all call these rather than each writing the frames themselves.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

#include "link/instrument_link.h"
#include "measure/draw_thread.h"

namespace virn::measure {

// The instrument takes the DDS coefficient before it can set a frequency with it.
inline constexpr std::chrono::milliseconds kGeneratorSetupWait{50};

using Wait = std::function<void(std::chrono::milliseconds)>;

// Opcode 1 with the DDS coefficient, the set-up wait, opcode 8 with the
// generator frequency word: what a connected instrument needs to put out the
// generator frequency. Sent only while connected; results are not looked at.
// `wait` replaces the plain sleep (tests).
void SendGeneratorSetup(link::InstrumentLink& link, std::int32_t dds, std::int32_t generatorWord,
                        const Wait& wait = {});

// Opcode 8 with a generator frequency word, while connected.
void SendGeneratorWord(link::InstrumentLink& link, std::int32_t generatorWord);

// Ends the acquisition: opcode 6 while connected, then the thread takes no more
// sweeps and any hold is dropped, so the next Start sweeps at once.
void StopAcquisition(link::InstrumentLink& link, TDrawThread& thread);

}  // namespace virn::measure
