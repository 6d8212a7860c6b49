// Work that waits until a window is first exposed (mapped, on X11): by then a
// window manager has placed and framed it, and the user sees it.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

class QWindow;

namespace virn::app {

// Runs `action` once, from the event loop, after `window` is first exposed,
// unless `context` is gone by then.
class AfterExposed : public QObject {
 public:
  AfterExposed(QWindow& window, QObject& context, std::function<void()> action);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Run();

  QPointer<QObject> context_;
  std::function<void()> action_;
};

}  // namespace virn::app
