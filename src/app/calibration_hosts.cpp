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

}  // namespace virn::app
