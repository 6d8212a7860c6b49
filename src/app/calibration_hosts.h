// What the calibration wizards need of the main window, over its instrument
// controller: the settings they read and store, the commands they send, the
// level reading, and a wait that keeps the sweeps coming.
#pragma once

#include <functional>
#include <memory>

#include "calibration/hosts.h"
#include "control/instrument_controller.h"
#include "flatness/band_calibration.h"
#include "flatness/flatness_correction.h"

namespace virn::app {

class CalibrationHosts : public calibration::FrequencyCalibrationHost,
                         public calibration::LevelCalibrationHost,
                         public calibration::FlatnessCalibrationHost {
 public:
  // `saveSettings` writes the settings file now, as closing the window would.
  // The level calibration reads the levels as `correction` shows them.
  CalibrationHosts(control::InstrumentController& controller, std::function<void()> saveSettings,
                   flatness::FlatnessCorrection& correction)
      : controller_(controller), saveSettings_(std::move(saveSettings)), correction_(correction) {}

  // Both wizards.
  void SaveSettings() override { saveSettings_(); }

  // The frequency calibration.
  bool Connected() const override { return controller_.Connected(); }
  void SendGeneratorWord(std::int32_t word) override { controller_.SendGeneratorWord(word); }
  std::int32_t GeneratorWord() const override { return controller_.GeneratorWord(); }
  qint32 corrFreq() const override { return controller_.Settings().corrFreq; }
  void setRealFreq(qint32 value) override { controller_.SetRealFreq(value); }

  // The level calibration.
  bool linear() const override { return controller_.Settings().linear; }
  void setDelay(bool value) override { controller_.StoreDelay(value); }
  void setAveraging(bool value) override { controller_.StoreAveraging(value); }
  std::int32_t LevelReading() const override;
  void setCorrLog0Db(qint16 value) override {
    controller_.SetCalibrationValue(&measure::LevelCalibration::CorrLog_0Db, value);
  }
  void setCorrLog40Db(qint16 value) override {
    controller_.SetCalibrationValue(&measure::LevelCalibration::CorrLog_40Db, value);
  }
  void setCorrLin0Db(qint16 value) override {
    controller_.SetCalibrationValue(&measure::LevelCalibration::CorrLin_0Db, value);
  }
  void setCorrLin12Db(qint16 value) override {
    controller_.SetCalibrationValue(&measure::LevelCalibration::CorrLin_12Db, value);
  }
  void WaitKeepingSweeps(std::chrono::milliseconds duration) override;

  // The flatness calibration: the new table is stored and switched on.
  void StartFlatnessRun(std::function<void(int taken, int inAll)> progress,
                        std::function<void(calibration::FlatnessRunEnd)> finished) override;
  void CancelFlatnessRun() override;

 private:
  control::InstrumentController& controller_;
  std::function<void()> saveSettings_;
  flatness::FlatnessCorrection& correction_;
  std::unique_ptr<flatness::BandCalibration> run_;
};

}  // namespace virn::app
