#include "support/modal_watcher.h"

#include <QApplication>
#include <QDialog>
#include <QWidget>

namespace virn::test {

ModalWatcher::ModalWatcher() {
  timer_.setInterval(5);
  connect(&timer_, &QTimer::timeout, this, &ModalWatcher::poll);
  timer_.start();
}

void ModalWatcher::poll() {
  QWidget* modal = QApplication::activeModalWidget();
  if (modal == nullptr) return;
  SeenDialog dialog;
  dialog.className = QString::fromLatin1(modal->metaObject()->className());
  dialog.title = modal->windowTitle();
  dialog.stayOnTop = modal->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
  if (auto* box = qobject_cast<QMessageBox*>(modal)) {
    dialog.text = box->text();
    dialog.icon = box->icon();
  }
  seen_.push_back(dialog);
  if (auto* asDialog = qobject_cast<QDialog*>(modal)) {
    asDialog->done(QDialog::Accepted);
  } else {
    modal->close();
  }
}

}  // namespace virn::test
