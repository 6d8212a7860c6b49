// The built virn-scpi started as a child process: its command line, the
// frames it sends against virn-sweep's for the same sweep, and a proper close
// on a signal, with the settings file left as it was.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <csignal>

#include "settings/config_file.h"
#include "support/build_paths.h"
#include "support/poll_until.h"
#include "support/program_environment.h"

namespace {

const QString kScpi = virn::test::InBuildBin(QStringLiteral("virn-scpi"));
const QString kSweep = virn::test::InBuildBin(QStringLiteral("virn-sweep"));

// The frames of a wire log, its times left out.
QStringList Frames(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QStringList frames;
  for (const QByteArray& line : file.readAll().split('\n')) {
    if (!line.isEmpty()) frames << QString::fromLatin1(line.mid(line.indexOf(' ') + 1));
  }
  return frames;
}

struct ScpiProgram : ::testing::Test {
  QTemporaryDir home;
  QTemporaryFile suppressions;
  QProcess server;
  quint16 port = 0;

  QProcessEnvironment Environment() {
    return virn::test::ProgramEnvironment(home.path(), QString(), home.path(), suppressions);
  }
  // Starts virn-scpi on a free port and reads the port it got.
  bool Start(const QStringList& arguments) {
    server.setProcessEnvironment(Environment());
    server.start(kScpi, QStringList{"--simulated", "--listen", "127.0.0.1:0"} + arguments);
    if (!server.waitForStarted(virn::test::kHangMs)) return false;
    if (!virn::test::PollUntil([this] { return server.canReadLine(); })) return false;
    const QByteArray line = server.readLine().trimmed();
    port = static_cast<quint16>(line.mid(line.lastIndexOf(':') + 1).toUInt());
    return line.startsWith("listening on 127.0.0.1:") && port != 0;
  }
  // Ends it with a signal; its exit status.
  int Stop(int signalNumber = SIGTERM) {
    ::kill(static_cast<pid_t>(server.processId()), signalNumber);
    if (!server.waitForFinished(virn::test::kHangMs)) return -1;
    return server.exitStatus() == QProcess::NormalExit ? server.exitCode() : -2;
  }
  void TearDown() override {
    if (server.state() != QProcess::NotRunning) {
      server.kill();
      server.waitForFinished(virn::test::kHangMs);
    }
  }
  QByteArray Ask(QTcpSocket& socket, const QByteArray& line) {
    socket.write(line + "\n");
    if (!virn::test::PollUntil([&] { return socket.canReadLine(); })) return {};
    return socket.readLine().trimmed();
  }
  bool WaitConnected(QTcpSocket& socket) {
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(virn::test::kHangMs)) return false;
    return virn::test::PollUntil([&] { return Ask(socket, "SYST:CONN?") == "1"; });
  }
};

TEST_F(ScpiProgram, HelpAndWrongArguments) {
  QProcess help;
  help.setProcessEnvironment(Environment());
  help.start(kScpi, {"--help"});
  ASSERT_TRUE(help.waitForFinished(virn::test::kHangMs));
  EXPECT_EQ(help.exitCode(), 0);
  const QByteArray text = help.readAllStandardOutput();
  for (const char* word : {"--listen", "--simulated", "--wire-log", "SECURITY", "*OPC?", "One client"}) {
    EXPECT_TRUE(text.contains(word)) << word;
  }
  for (const QStringList& arguments :
       {QStringList{"--listen", "nowhere"}, QStringList{"--wire-log", "x"}, QStringList{"--frobnicate"}}) {
    QProcess wrong;
    wrong.setProcessEnvironment(Environment());
    wrong.start(kScpi, arguments);
    ASSERT_TRUE(wrong.waitForFinished(virn::test::kHangMs));
    EXPECT_EQ(wrong.exitCode(), 2) << arguments.join(' ').toStdString();
    EXPECT_TRUE(wrong.readAllStandardError().startsWith("virn-scpi: "));
  }
}

TEST_F(ScpiProgram, OneSweepSendsTheFramesVirnSweepSendsForIt) {
  const QString sweepLog = home.filePath(QStringLiteral("sweep.log"));
  QProcess sweep;
  sweep.setProcessEnvironment(Environment());
  sweep.start(kSweep, {"--simulated", "--count", "1", "--wire-log", sweepLog});
  ASSERT_TRUE(sweep.waitForFinished(virn::test::kHangMs));
  ASSERT_EQ(sweep.exitCode(), 0) << sweep.readAllStandardError().toStdString();

  const QString scpiLog = home.filePath(QStringLiteral("scpi.log"));
  ASSERT_TRUE(Start({"--wire-log", scpiLog}));
  QTcpSocket client;
  ASSERT_TRUE(WaitConnected(client));
  EXPECT_EQ(Ask(client, "INIT;*OPC?"), "1");
  client.abort();
  EXPECT_EQ(Stop(), 0);

  const QStringList expected = Frames(sweepLog);
  ASSERT_FALSE(expected.isEmpty());
  // Beyond virn-sweep's, one Stop more at the end: the server's close.
  EXPECT_EQ(Frames(scpiLog), expected + QStringList{"06 00 00 00 00"});
}

TEST_F(ScpiProgram, EachStopSignalStopsTheSweepClosesTheDeviceAndLeavesTheSettingsFile) {
  const QString settings = home.filePath(QStringLiteral("Kelmar/virn-demo/virn-demo.mainform.config.xml"));
  ASSERT_TRUE(QDir().mkpath(QFileInfo(settings).path()));
  const QByteArray document = virn::settings::BuildConfig(
      {0, 0, 640, 400, 0, 0},
      {{QStringLiteral("_StartFreqA"), virn::settings::ValueKind::Integer, QStringLiteral("7")}});
  {
    QFile file(settings);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(document);
  }
  for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
    const QString log = home.filePath(QStringLiteral("signal-%1.log").arg(signalNumber));
    ASSERT_TRUE(Start({"--wire-log", log}));
    QTcpSocket client;
    ASSERT_TRUE(WaitConnected(client));
    EXPECT_EQ(Ask(client, "FREQ:STAR?;:INIT:CONT ON;CONT?"), "7100000;1")
        << "the window's range from its file";
    EXPECT_EQ(Stop(signalNumber), 0) << signalNumber;
    EXPECT_TRUE(server.readAllStandardError().contains("virn-scpi: stopped")) << signalNumber;
    const QStringList frames = Frames(log);
    ASSERT_FALSE(frames.isEmpty());
    EXPECT_EQ(frames.back(), "06 00 00 00 00") << signalNumber;
  }
  QFile file(settings);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), document);
}

}  // namespace
