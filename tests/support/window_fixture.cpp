#include "support/window_fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QThreadPool>
#include <QToolButton>

#include "app/main_form.h"
#include "app/program_name.h"
#include "settings/klm_api.h"
#include "sim/sim_bus.h"
#include "support/build_paths.h"
#include "widgets/message_box.h"

namespace virn::test {

WindowFixture::WindowFixture(const QString& programName)
    : configHome_("XDG_CONFIG_HOME", config.path().toStdString()),
      klmLibraryDir_(settings::KlmLibraryDir()),
      programName_(app::ProgramName()),
      displayName_(QApplication::applicationDisplayName()) {
  settings::SetKlmLibraryDir(BuildLibDir());
  app::SetProgramName(programName);
  QApplication::setApplicationDisplayName(widgets::kApplicationTitle);
}

WindowFixture::~WindowFixture() {
  QApplication::setApplicationDisplayName(displayName_);
  app::SetProgramName(programName_);
  settings::SetKlmLibraryDir(klmLibraryDir_);
}

std::unique_ptr<app::TMainForm> WindowFixture::Window(link::D2XXUnit& unit) {
  return std::make_unique<app::TMainForm>(unit);
}

std::unique_ptr<app::TMainForm> WindowFixture::ConnectedWindow(link::D2XXUnit& unit) {
  auto form = Window(unit);
  form->show();
  form->controller().DiscoveryTick();
  EXPECT_TRUE(form->controller().Connected());
  return form;
}

QToolButton* WindowFixture::Button(const QWidget& window, const char* name) {
  auto* button = window.findChild<QToolButton*>(QString::fromLatin1(name));
  EXPECT_NE(button, nullptr) << name;
  return button;
}

void WindowFixture::Click(const QWidget& window, const char* name) {
  auto* button = window.findChild<QAbstractButton*>(QString::fromLatin1(name));
  EXPECT_NE(button, nullptr) << name;
  if (button != nullptr) button->click();
}

std::map<QString, QPoint> ToolButtonCentres() {
  std::map<QString, QPoint> centres;
  {
    QTemporaryDir config;
    const ScopedEnv home("XDG_CONFIG_HOME", config.path().toStdString());
    sim::SimBus bus;
    link::D2XXUnit unit(bus);
    const auto form = WindowFixture::Window(unit);
    form->show();
    for (auto* button : form->findChildren<QToolButton*>())
      centres[button->objectName()] = button->mapTo(form.get(), button->rect().center());
  }
  QThreadPool::globalInstance()->waitForDone();
  return centres;
}

}  // namespace virn::test
