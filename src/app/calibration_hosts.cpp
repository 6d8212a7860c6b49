#include "app/calibration_hosts.h"

#include <QEventLoop>
#include <QTimer>

namespace virn::app {

std::int32_t CalibrationHosts::LevelReading() const {
  const measure::Settings& settings = controller_.Settings();
  const control::Range& range = controller_.RangeInEffect();
  return correction_.LevelReading(settings.mode, settings.linear, controller_.Samples(), range.StartFreq,
                                  range.EndFreq);
}

void CalibrationHosts::WaitKeepingSweeps(std::chrono::milliseconds duration) {
  // A plain sleep here would hold the acquisition thread in its hand-off, and
  // no sweep would arrive while the wizard measures. Timers and the hand-off
  // run; clicks and keys wait, so the wizard cannot be re-entered.
  QEventLoop loop;
  QTimer timer;
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  timer.start(duration);
  loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void CalibrationHosts::StartFlatnessRun(std::function<void(int taken, int inAll)> progress,
                                        std::function<void(calibration::FlatnessRunEnd)> finished) {
  using End = flatness::CalibrationEnd;
  run_ = std::make_unique<flatness::BandCalibration>(
      controller_, std::move(progress),
      [this, finished = std::move(finished)](End end, std::optional<flatness::FlatnessTable> table) {
        using Run = calibration::FlatnessRunEnd;
        Run result = Run::Interrupted;
        if (end == End::Done) {
          result = table && correction_.Store(std::move(*table)) ? Run::Stored : Run::NotStored;
        } else if (end == End::Lost) {
          result = Run::Lost;
        } else if (end == End::NotConnected) {
          result = Run::NotConnected;
        } else if (end == End::Cancelled) {
          return;
        }
        finished(result);
      });
  run_->Start();
}

void CalibrationHosts::CancelFlatnessRun() {
  // Gone with its table: nothing of it is stored.
  run_.reset();
}

}  // namespace virn::app
