#include "app/after_exposed.h"

#include <QEvent>
#include <QTimer>
#include <QWindow>

namespace virn::app {

AfterExposed::AfterExposed(QWindow& window, QObject& context, std::function<void()> action)
    : QObject(&window), context_(&context), action_(std::move(action)) {
  if (window.isExposed()) {
    Run();
  } else {
    window.installEventFilter(this);
  }
}

bool AfterExposed::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
    watched->removeEventFilter(this);
    Run();
  }
  return false;
}

void AfterExposed::Run() {
  if (context_ != nullptr) QTimer::singleShot(0, context_, action_);
  deleteLater();
}

}  // namespace virn::app
