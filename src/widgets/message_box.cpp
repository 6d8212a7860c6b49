#include "widgets/message_box.h"

#include <QApplication>
#include <QPointer>

namespace virn::widgets {

namespace {
QString Caption() {
  const QString name = QApplication::applicationDisplayName();
  return name.isEmpty() ? kApplicationTitle : name;
}

QPointer<QWidget>& MainWindow() {
  static QPointer<QWidget> window;
  return window;
}
}  // namespace

void SetMainWindow(QWidget* window) {
  MainWindow() = window;
}

QWidget* MessageBoxParent() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  if (MainWindow() != nullptr) return MainWindow();
  return QApplication::activeWindow();
}

void AppMessageBox(const QString& text, QMessageBox::Icon icon) {
  QMessageBox box(icon, Caption(), text, QMessageBox::Ok, MessageBoxParent());
  box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  box.exec();
}

QString ErrorDisplayText(const QString& message) {
  if (message.endsWith(QLatin1Char('.'))) return message;
  return message + QLatin1Char('.');
}

void ShowException(const std::exception& error) {
  QMessageBox box(QMessageBox::Critical, Caption(), ErrorDisplayText(QString::fromUtf8(error.what())),
                  QMessageBox::Ok, MessageBoxParent());
  box.exec();
}

void Guarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    ShowException(error);
  }
}

}  // namespace virn::widgets
