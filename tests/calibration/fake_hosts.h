// Hosts that record what the wizards ask of the main window, in order, so a
// test can check each command, store and wait.
#pragma once

#include <QApplication>
#include <QCursor>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

#include "calibration/hosts.h"

namespace virn::calibration::test {

struct FakeFrequencyHost : FrequencyCalibrationHost {
  bool connected = true;
  qint32 realFreq = 45000000;
  std::int32_t generatorWord = 1000000;
  std::vector<std::int32_t> sent;
  int saves = 0;

  bool Connected() const override { return connected; }
  void SendGeneratorWord(std::int32_t word) override { sent.push_back(word); }
  std::int32_t GeneratorWord() const override { return generatorWord; }
  qint32 corrFreq() const override { return 45000000; }
  void setRealFreq(qint32 value) override { realFreq = value; }
  void SaveSettings() override { ++saves; }
};

struct FakeLevelHost : LevelCalibrationHost {
  bool linearDetector = false;
  bool delayTicked = true;
  bool averagingTicked = false;
  std::deque<std::int32_t> readings;  // one per LevelReading; the last repeats
  qint16 log0 = 0, log40 = 100, lin0 = 0, lin12 = 100;
  QStringList calls;
  bool waitCursorDuringReadings = true;
  std::function<void()> duringWait;  // what the user does while the wizard measures

  bool linear() const override { return linearDetector; }
  void setDelay(bool value) override {
    delayTicked = value;
    calls << QStringLiteral("setDelay %1").arg(value);
  }
  void setAveraging(bool value) override {
    averagingTicked = value;
    calls << QStringLiteral("setAveraging %1").arg(value);
  }
  std::int32_t LevelReading() const override {
    auto& self = const_cast<FakeLevelHost&>(*this);
    const QCursor* cursor = QApplication::overrideCursor();
    if (cursor == nullptr || cursor->shape() != Qt::WaitCursor) self.waitCursorDuringReadings = false;
    self.calls << QStringLiteral("read");
    const std::int32_t value = readings.front();
    if (readings.size() > 1) self.readings.pop_front();
    return value;
  }
  void setCorrLog0Db(qint16 value) override { store(log0, value, "log0"); }
  void setCorrLog40Db(qint16 value) override { store(log40, value, "log40"); }
  void setCorrLin0Db(qint16 value) override { store(lin0, value, "lin0"); }
  void setCorrLin12Db(qint16 value) override { store(lin12, value, "lin12"); }
  void WaitKeepingSweeps(std::chrono::milliseconds duration) override {
    calls << QStringLiteral("wait %1").arg(duration.count());
    if (duringWait) duringWait();
  }
  void SaveSettings() override { calls << QStringLiteral("SaveSettings"); }
  int Measurements() const { return static_cast<int>(calls.count(QStringLiteral("SaveSettings"))); }

 private:
  void store(qint16& slot, qint16 value, const char* name) {
    slot = value;
    calls << QStringLiteral("%1 %2").arg(QLatin1String(name)).arg(value);
  }
};

// Runs no measurement: the test reports progress and the end through the
// callbacks kept here.
struct FakeFlatnessHost : FlatnessCalibrationHost {
  bool connected = true;
  bool linearDetector = false;
  int starts = 0;
  int cancels = 0;
  std::function<void(int, int)> progress;
  std::function<void(FlatnessRunEnd)> finished;

  bool Connected() const override { return connected; }
  bool linear() const override { return linearDetector; }
  void StartFlatnessRun(std::function<void(int, int)> p, std::function<void(FlatnessRunEnd)> f) override {
    ++starts;
    progress = std::move(p);
    finished = std::move(f);
  }
  void CancelFlatnessRun() override { ++cancels; }
};

}  // namespace virn::calibration::test
