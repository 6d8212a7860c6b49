#include "support/modal_driver.h"

#include <QApplication>
#include <QEvent>

namespace virn::test {

ModalDriver::ModalDriver() {
  timer_.setInterval(5);
  connect(&timer_, &QTimer::timeout, this, &ModalDriver::poll);
  timer_.start();
}

ModalDriver& ModalDriver::Then(Step step) {
  steps_.push_back(std::move(step));
  return *this;
}

ModalDriver::Step ModalDriver::AcknowledgeMessage() {
  return [](QWidget& modal) {
    if (auto* box = qobject_cast<QMessageBox*>(&modal)) box->done(QMessageBox::Ok);
  };
}

bool ModalDriver::eventFilter(QObject* watched, QEvent* event) {
  // A window that has closed may be shown again (a dialog kept for reuse): then it is new.
  if (event->type() == QEvent::Hide) {
    std::erase_if(handled_, [watched](const QPointer<QWidget>& done) { return done.data() == watched; });
    watched->removeEventFilter(this);
  }
  return QObject::eventFilter(watched, event);
}

void ModalDriver::poll() {
  if (steps_.empty()) return;
  QWidget* modal = QApplication::activeModalWidget();
  std::erase_if(handled_, [](const QPointer<QWidget>& done) { return done.isNull(); });
  if (modal == nullptr || !modal->isVisible()) return;
  for (const QPointer<QWidget>& done : handled_) {
    if (done.data() == modal) return;
  }
  handled_.emplace_back(modal);
  modal->installEventFilter(this);
  if (auto* box = qobject_cast<QMessageBox*>(modal)) {
    messages_.push_back(box->text());
    icons_.push_back(box->icon());
  }
  // Run from a timer of its own: a step that blocks in a nested dialog keeps
  // this poll's timer free to find that dialog (a timer never fires again
  // while its own callback runs).
  QTimer::singleShot(0, modal, [step = std::move(steps_.front()), modal] { step(*modal); });
  steps_.pop_front();
}

}  // namespace virn::test
