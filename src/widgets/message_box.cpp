#include "widgets/message_box.h"

#include <QApplication>

namespace virn::widgets {

namespace {
QString Caption() {
  const QString name = QApplication::applicationDisplayName();
  return name.isEmpty() ? kApplicationTitle : name;
}
}  // namespace

void AppMessageBox(const QString& text, QMessageBox::Icon icon) {
  QMessageBox box(icon, Caption(), text, QMessageBox::Ok, QApplication::activeWindow());
  box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  box.exec();
}

QString ErrorDisplayText(const QString& message) {
  if (message.endsWith(QLatin1Char('.'))) return message;
  return message + QLatin1Char('.');
}

void ShowException(const std::exception& error) {
  QMessageBox box(QMessageBox::Critical, Caption(), ErrorDisplayText(QString::fromUtf8(error.what())),
                  QMessageBox::Ok, QApplication::activeWindow());
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
