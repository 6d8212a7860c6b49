// The program's scale: the choice read from our own settings file, chosen in
// the plot's menu and applied when the program next starts.
#include "app/screen_scale.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>

#include "linked_window_fixture.h"
#include "support/build_paths.h"
#include "support/modal_driver.h"
#include "support/program_environment.h"

namespace virn::app {
namespace {

// The device pixel ratio and font resolution Qt took at a start of the probe,
// which starts as the programs do, with a file of our own settings and
// QT_SCALE_FACTOR (the desktop's scale here).
QString ScaleAtStart(const QByteArray& extraSettings, const char* desktopScale) {
  QTemporaryDir home;
  const QString dir = home.filePath(QStringLiteral("Kelmar/scale_probe"));
  QDir().mkpath(dir);
  QFile file(settings::ExtraSettingsFile(dir, QStringLiteral("scale_probe")));
  if (file.open(QIODevice::WriteOnly)) file.write(extraSettings);
  file.close();
  QTemporaryFile suppressions;
  QProcessEnvironment env = test::ProgramEnvironment(home.path(), {}, home.path(), suppressions);
  env.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::fromLatin1(desktopScale));
  QProcess probe;
  probe.setProcessEnvironment(env);
  probe.start(test::InBuildBin(QStringLiteral("scale_probe")), {});
  if (!probe.waitForFinished(60000)) return QStringLiteral("hung");
  return QString::fromLatin1(probe.readAllStandardOutput()).trimmed();
}

TEST(ScreenScale, AChosenScaleReplacesTheDesktopsAtTheNextStart) {
  const struct {
    QByteArray file;
    const char* desktop;
    const char* taken;
  } cases[] = {
      {"scale=200\n", "1", "2 96"},        {"scale=150\n", "3", "1.5 96"}, {"scale= 300 \r\n", "1", "3 96"},
      {"scale=auto\n", "1.25", "1.25 96"}, {"", "1.25", "1.25 96"},        {"scale=99\n", "1", "1 96"},
      {"scale=2x\n", "1", "1 96"},         {"scale 200\n", "1", "1 96"},  // not a scale, a damaged file
  };
  for (const auto& c : cases)
    EXPECT_EQ(ScaleAtStart(c.file, c.desktop), QLatin1String(c.taken)) << c.file.data();
}

using ScaleMenuFixture = LinkedWindowFixture;

TEST_F(ScaleMenuFixture, TheChoiceIsKeptBesideTheSettingsWithOneMessage) {
  test::ModalDriver driver;
  const QString dir = config.path() + QStringLiteral("/Kelmar/virn-");
  ASSERT_TRUE(QDir().mkpath(dir));
  auto form = ConnectedWindow();
  const auto action = [&](int percent) {
    return form->findChild<QAction*>(QStringLiteral("mnuScale%1").arg(percent));
  };
  driver.Then(test::ModalDriver::AcknowledgeMessage());
  action(200)->trigger();
  action(200)->trigger();  // the choice already made: nothing to say
  EXPECT_EQ(driver.Messages(), std::vector<QString>{kScaleAtNextStartText});
  EXPECT_EQ(settings::LoadKeyValues(dir + QStringLiteral("/app_tests.extra.conf")),
            (settings::KeyValues{{kScaleKey, QStringLiteral("200")}}));
  form->plotMenu().popup(QPoint(10, 10));  // shows the choice for the next start
  EXPECT_TRUE(action(200)->isChecked());
  form->plotMenu().hide();
}

}  // namespace
}  // namespace virn::app
