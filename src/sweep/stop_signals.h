// Ctrl-C, kill and a terminal that goes away, taken as a request to end the run
// properly (Stop sent, the device closed) rather than as the end of the
// process. The three signals are blocked and read from a signalfd on the event
// loop of the thread that creates this.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace virn::sweep {

class StopSignals : public QObject {
 public:
  // Blocks SIGINT, SIGTERM and SIGHUP in this thread and in every thread it
  // starts from now on, so create it before any other thread; `onSignal` gets
  // each one with its number, on this thread. One instance at a time.
  explicit StopSignals(std::function<void(int signalNumber)> onSignal);
  // Unblocks the signals again; one still pending then acts as usual.
  ~StopSignals() override;
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

 private:
  void drain();

  std::function<void(int)> onSignal_;
  int fd_ = -1;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace virn::sweep
