// Command sequences that more than one window sends: the main window's mode
// switch, handshake, Start and Stop buttons, the options dialog, the
// calibration wizards and virn-sweep all call these rather than each writing
// the frames themselves.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

#include "link/instrument_link.h"
#include "measure/draw_thread.h"

namespace virn::measure {

// The instrument takes the DDS coefficient before it can set a frequency with it.
inline constexpr std::chrono::milliseconds kGeneratorSetupWait{50};
// Between the two frames of a retune, and after the second.
inline constexpr std::chrono::milliseconds kRetuneWait{10};

using Wait = std::function<void(std::chrono::milliseconds)>;

// Opcode 1 with the DDS coefficient, the set-up wait, opcode 8 with the
// generator frequency word: what a connected instrument needs to put out the
// generator frequency. Sent only while connected; results are not looked at.
// `wait` replaces the plain sleep (tests).
void SendGeneratorSetup(link::InstrumentLink& link, std::int32_t dds, std::int32_t generatorWord,
                        const Wait& wait = {});

// Opcode 8 with a generator frequency word, while connected.
void SendGeneratorWord(link::InstrumentLink& link, std::int32_t generatorWord);

// What Start tells the instrument: the sweep options and the range as the
// instrument takes it (the start's frequency word and the step in hertz).
struct StartSetup {
  bool linearDetector = false;
  std::int32_t dds = 0;
  bool delay = false;
  bool averaging = false;
  std::int32_t periodIndex = 1;  // 1..4: 400 ms, 800 ms, 1.6 s, 3.2 s
  std::int32_t startWord = 0;
  std::int32_t step = 0;
};

// Start's frames, in this order: the device reset, opcode 11 (detector), 2 (420
// steps), 1 (DDS coefficient), 12 (delay), 13 (averaging), 5 (period), 3 (start
// word), 4 (step). Sent only while connected, the reset always.
void SendStartSetup(link::InstrumentLink& link, const StartSetup& setup);

// Start: the thread told the delay and the period before the frames go out, so
// that its first sweep waits as long as the instrument takes; then the frames
// of SendStartSetup, and the thread sweeps from then on.
void StartAcquisition(link::InstrumentLink& link, TDrawThread& thread, const StartSetup& setup);

// A new range for a running sweep, behind the pause fence: the thread held
// (it starts no new sweep; one in flight goes on), opcode 4 with the step, the
// retune wait, opcode 3 with the start word, the retune wait, the hold
// released. Sent only while connected.
void Retune(link::InstrumentLink& link, TDrawThread& thread, std::int32_t step, std::int32_t startWord,
            const Wait& wait = {});

// Ends the acquisition: opcode 6 while connected, then the thread takes no more
// sweeps and any hold is dropped, so the next Start sweeps at once.
void StopAcquisition(link::InstrumentLink& link, TDrawThread& thread);

}  // namespace virn::measure
