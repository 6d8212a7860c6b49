// virn-demo's --bench FILE: bench commands read from a file, each applied as
// soon as its line is complete. FILE may be a FIFO that scripts and tests write
// to while the program runs (writers may come and go), or a regular file, read
// to its end once.
//
// A reader thread reads the file; every line goes with its line number to the
// GUI thread, which parses and applies it through the bench. A line that is not
// a command is reported on `err` as "virn-demo: bench line N: <error>" and
// skipped.
#pragma once

#include <QObject>
#include <deque>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>

#include "sim/bench.h"

namespace virn::demo {

// Lines longer than this are reported and skipped rather than collected forever.
inline constexpr std::size_t kMaxBenchLineLength = 4096;

class BenchScript {
 public:
  // Opens the file and starts reading it. Throws std::system_error naming the
  // file and the system's reason when it cannot be opened or is a directory.
  // Create it on the GUI thread; `bench`, `out` and `err` are used there only
  // and must outlive it.
  BenchScript(const std::string& path, sim::Bench& bench, std::ostream& out, std::ostream& err);
  // Wakes the reader, waits for it, and drops the lines not applied yet.
  ~BenchScript();
  BenchScript(const BenchScript&) = delete;
  BenchScript& operator=(const BenchScript&) = delete;

  bool ReadsAFifo() const { return fifo_; }
  // Lines handled on the GUI thread so far, blank ones and wrong ones included.
  int LinesHandled() const { return handled_; }

 private:
  struct Line {
    int number = 0;
    std::string text;
    std::string error;  // set: reported instead of parsed
  };

  void read();
  void post(Line line);
  void drain();
  void handle(const Line& line);

  sim::Bench& bench_;
  std::ostream& out_;
  std::ostream& err_;
  int fd_ = -1;
  int wake_ = -1;  // an eventfd that ends the reader's wait
  bool fifo_ = false;
  int handled_ = 0;

  std::mutex mutex_;
  std::deque<Line> inbox_;  // read, not yet handled

  // Owned here and created on the GUI thread, so the drain runs there; queued
  // drains still pending when it goes are dropped with it.
  std::unique_ptr<QObject> context_;
  std::thread reader_;
};

}  // namespace virn::demo
