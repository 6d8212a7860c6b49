#include "app/startup_trace.h"

#include <fcntl.h>
#include <unistd.h>

#include <QEvent>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace virn::app {

namespace {

const char* TraceFile() {
  static const char* const file = std::getenv("VIRN_STARTUP_TRACE");
  return file;
}

// Before the program's own static objects: the dynamic loader has mapped the
// linked libraries and run their initialisers.
[[gnu::constructor(101)]] void MarkLibrariesLoaded() {
  StartupMark("libraries-loaded");
}

class ExposeMark : public QObject {
 public:
  ExposeMark(QWindow& window, const char* phase) : QObject(&window), phase_(phase) {
    window.installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
      StartupMark(phase_);
      watched->removeEventFilter(this);
      deleteLater();
    }
    return false;
  }

 private:
  const char* phase_;
};

}  // namespace

void StartupMark(const char* phase) {
  const char* file = TraceFile();
  if (file == nullptr) return;
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  char line[128];
  const int length = std::snprintf(line, sizeof line, "%s %lld\n", phase,
                                   static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000);
  const int fd = open(file, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return;
  if (length > 0) {
    // A lost mark only leaves the benchmark short of one figure.
    [[maybe_unused]] const ssize_t written = write(fd, line, static_cast<std::size_t>(length));
  }
  close(fd);
}

void MarkWhenExposed(QWidget& window, const char* phase) {
  if (TraceFile() == nullptr) return;
  window.winId();
  new ExposeMark(*window.windowHandle(), phase);
}

}  // namespace virn::app
