// --help and --version of every program, answered with no display at all (as
// over ssh, where creating the application object aborts).
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include "support/build_paths.h"
#include "support/poll_until.h"
#include "support/program_environment.h"

namespace virn::app {
namespace {

TEST(ProgramsWithoutADisplay, AnswerHelpAndVersionAndEndWithZero) {
  QTemporaryDir home;
  QTemporaryFile suppressions;
  QProcessEnvironment env = test::ProgramEnvironment(home.path(), {}, home.path(), suppressions);
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
    env.remove(QString::fromLatin1(name));
  for (const QString program : {"virn", "virn-demo", "virn-sweep"}) {
    for (const QString option : {"--help", "--version"}) {
      SCOPED_TRACE((program + ' ' + option).toStdString());
      QProcess process;
      process.setProcessEnvironment(env);
      process.start(test::InBuildBin(program), {option});
      ASSERT_TRUE(process.waitForFinished(test::kHangMs));
      const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
      EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
      EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
      if (option == QLatin1String("--version")) {
        EXPECT_EQ(out, VersionText(program));
      } else {
        const QRegularExpression usage(QStringLiteral("^Usage: (\\S*/)?%1 ").arg(program));
        EXPECT_TRUE(usage.match(out).hasMatch()) << out.left(80).toStdString();
      }
    }
  }
}

}  // namespace
}  // namespace virn::app
