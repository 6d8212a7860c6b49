#include "app/application.h"

#include <QIcon>
#include <QLocale>
#include <array>

#include "app/qt_translations.h"
#include "app/screen_scale.h"
#include "widgets/message_box.h"

namespace virn::app {

namespace {
// The sizes of the program's icon built in (the package's pictures).
constexpr std::array<int, 7> kIconSizes = {16, 24, 32, 48, 64, 128, 256};

// Runs before the application object is made, while Qt still takes a scale.
int& WithStoredScale(int& argc) {
  ApplyScale(StoredScale(settings::LoadKeyValues(ProgramExtraSettingsFile())));
  return argc;
}

}  // namespace

Application::Application(int& argc, char** argv) : QApplication(WithStoredScale(argc), argv) {
  InstallQtTranslations(QLocale());
  QIcon icon;
  for (const int size : kIconSizes) icon.addFile(QStringLiteral(":/virn/virn-%1.png").arg(size));
  setWindowIcon(icon);
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
