// What the two calibration wizards need of the main window: its settings, the
// commands it sends and its sweeps. Narrow interfaces, so that the wizards are
// tested without a main window.
#pragma once

#include <QtGlobal>
#include <chrono>
#include <cstdint>
#include <functional>

namespace virn::calibration {

class FrequencyCalibrationHost {
 public:
  virtual ~FrequencyCalibrationHost() = default;
  virtual bool Connected() const = 0;
  // Opcode 8 with this word as it is, while connected.
  virtual void SendGeneratorWord(std::int32_t word) = 0;
  // The calibrated word of the generator frequency the main window shows.
  virtual std::int32_t GeneratorWord() const = 0;
  // The nominal frequency the correction refers to.
  virtual qint32 corrFreq() const = 0;
  virtual void setRealFreq(qint32 value) = 0;
  virtual void SaveSettings() = 0;
};

class LevelCalibrationHost {
 public:
  virtual ~LevelCalibrationHost() = default;
  // The linear detector is selected.
  virtual bool linear() const = 0;
  // Tick or untick "Задержка" / "Усреднение"; a change runs the box's click action.
  virtual void setDelay(bool value) = 0;
  virtual void setAveraging(bool value) = 0;
  // The largest of the 421 levels of the latest sweep, as they stand now.
  virtual std::int32_t LevelReading() const = 0;
  virtual void setCorrLog0Db(qint16 value) = 0;
  virtual void setCorrLog40Db(qint16 value) = 0;
  virtual void setCorrLin0Db(qint16 value) = 0;
  virtual void setCorrLin12Db(qint16 value) = 0;
  // Waits while the acquisition goes on delivering sweeps; no user input is
  // taken meanwhile.
  virtual void WaitKeepingSweeps(std::chrono::milliseconds duration) = 0;
  virtual void SaveSettings() = 0;
};

// How a flatness measurement ended, as the wizard tells the user.
enum class FlatnessRunEnd {
  Stored,        // measured, stored and switched on
  NotStored,     // measured, but the file could not be written: the previous correction stays
  Lost,          // the instrument went away
  NotConnected,  // no instrument when it began
  Interrupted,   // something else changed the range or stopped the sweeps
};

class FlatnessCalibrationHost {
 public:
  virtual ~FlatnessCalibrationHost() = default;
  virtual bool Connected() const = 0;
  // The linear detector is in use.
  virtual bool linear() const = 0;
  // Measures the whole band for the detector in use, stopping a running sweep
  // first; the event loop runs meanwhile. `progress` hears of each sweep,
  // `finished` once at the end.
  virtual void StartFlatnessRun(std::function<void(int taken, int inAll)> progress,
                                std::function<void(FlatnessRunEnd)> finished) = 0;
  // Ends a measurement in progress without calling `finished`; the previous
  // correction stays as it was.
  virtual void CancelFlatnessRun() = 0;
};

}  // namespace virn::calibration
