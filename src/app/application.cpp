#include "app/application.h"

#include <QLocale>

#include "app/program_icon.h"
#include "app/qt_translations.h"
#include "app/screen_scale.h"
#include "widgets/message_box.h"

namespace virn::app {

namespace {
// Runs before the application object is made, while Qt still takes a scale.
int& WithStoredScale(int& argc) {
  ApplyScale(StoredScale(settings::LoadKeyValues(ProgramExtraSettingsFile())));
  return argc;
}

}  // namespace

Application::Application(int& argc, char** argv) : QApplication(WithStoredScale(argc), argv) {
  InstallQtTranslations(QLocale());
}

void Application::SetProgramIcon() {
  setWindowIcon(ProgramIcon());
}

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    widgets::ShowException(error);
    return false;
  }
}

}  // namespace virn::app
