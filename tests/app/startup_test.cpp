#include "app/startup.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include "app/main_form.h"
#include "settings/klm_api.h"
#include "support/fake_d2xx.h"
#include "support/modal_driver.h"
#include "support/modal_watcher.h"
#include "support/poll_until.h"
#include "support/window_fixture.h"

namespace virn::app {
namespace {

using StartupFixture = test::WindowFixture;

bool AnyMainWindow() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (qobject_cast<TMainForm*>(w) != nullptr) return true;
  }
  return false;
}

TEST_F(StartupFixture, ConfigDirIsCreatedUnderKelmar) {
  EXPECT_TRUE(EnsureConfigDir(QStringLiteral("virn-")));
  EXPECT_TRUE(QDir(config.path() + QStringLiteral("/Kelmar/virn-")).exists());
  // An empty program name (an executable called "virn") means Kelmar itself.
  EXPECT_TRUE(EnsureConfigDir(QString()));
  EXPECT_TRUE(QDir(config.path() + QStringLiteral("/Kelmar")).exists());
}

TEST_F(StartupFixture, MissingHostLibraryShowsOneStopBoxAndNoMainWindow) {
  QTemporaryDir emptyLibDir;
  settings::SetKlmLibraryDir(emptyLibDir.path().toStdString());
  test::ModalWatcher watcher;
  test::FakeD2xx api;
  EXPECT_NE(RunProgram(api), 0);
  ASSERT_EQ(watcher.seen().size(), 1u);
  EXPECT_EQ(watcher.seen()[0].text, QStringLiteral("Не удалось загрузить библиотеку libklmfsys.so"));
  EXPECT_EQ(watcher.seen()[0].icon, QMessageBox::Critical);
  EXPECT_TRUE(watcher.seen()[0].stayOnTop);
  EXPECT_FALSE(AnyMainWindow());
  EXPECT_TRUE(api.calls.empty());
}

TEST_F(StartupFixture, UnwritableConfigHomeIsAConfigurationError) {
  // A file where the directory should go cannot become a directory.
  QFile blocker(config.path() + QStringLiteral("/Kelmar"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  test::ModalWatcher watcher;
  EXPECT_FALSE(EnsureConfigDir(QStringLiteral("virn-")));
  ASSERT_EQ(watcher.seen().size(), 1u);
  EXPECT_EQ(watcher.seen()[0].text, QStringLiteral("Ошибка конфигурации."));
  EXPECT_EQ(watcher.seen()[0].icon, QMessageBox::Critical);
}

TEST_F(StartupFixture, RunProgramShowsTheMainWindowUntilItIsClosed) {
  test::FakeD2xx api;
  api.status = link::FT_INVALID_HANDLE;
  bool sawWindow = false;
  QTimer::singleShot(50, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* form = qobject_cast<TMainForm*>(w); form != nullptr && form->isVisible()) {
        sawWindow = true;
        form->close();
      }
    }
  });
  EXPECT_EQ(RunProgram(api), 0);
  EXPECT_TRUE(sawWindow);
  EXPECT_FALSE(AnyMainWindow());
  EXPECT_EQ(std::count(api.calls.begin(), api.calls.end(), "FT_Close"), 1);
}

TEST_F(StartupFixture, ADamagedSettingsFileIsToldOnceOverTheShownWindow) {
  // The test program's own settings: its executable is app_tests.
  const QString file = config.path() + QStringLiteral("/Kelmar/app_tests/app_tests.mainform.config.xml");
  QDir().mkpath(QFileInfo(file).path());
  QFile damaged(file);
  ASSERT_TRUE(damaged.open(QIODevice::WriteOnly) && damaged.write("<Configuration><Left") > 0);
  damaged.close();
  test::ModalDriver driver;
  bool overTheShownWindow = false;
  driver.Then([&](QWidget& box) {
    auto* owner = qobject_cast<TMainForm*>(box.parentWidget());
    overTheShownWindow = owner != nullptr && owner->isVisible();
    test::ModalDriver::AcknowledgeMessage()(box);
  });
  test::FakeD2xx api;
  api.status = link::FT_INVALID_HANDLE;
  QTimer::singleShot(0, [&] {
    // Closes the window once the message was answered (or should it never come).
    test::PollUntil([&] { return driver.Done() && QApplication::activeModalWidget() == nullptr; });
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (qobject_cast<TMainForm*>(w) != nullptr) w->close();
    }
  });
  EXPECT_EQ(RunProgram(api), 0);
  ASSERT_EQ(driver.Messages().size(), 1u);
  EXPECT_EQ(driver.Messages()[0], DamagedSettingsText(file + QStringLiteral(".bad")));
  EXPECT_TRUE(overTheShownWindow);
}

}  // namespace
}  // namespace virn::app
