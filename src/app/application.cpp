#include "app/application.h"

#include "widgets/message_box.h"

namespace virn::app {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    widgets::ShowException(error);
    return false;
  }
}

}  // namespace virn::app
