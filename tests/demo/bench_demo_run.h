// The real virn-demo executable started with a wire log and a bench FIFO, for
// the end-to-end tests: write bench lines, count frames in the wire log, wait
// for the program, and ask it the bench's questions.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QThreadPool>
#include <functional>
#include <optional>
#include <vector>

#include "link/command_frame.h"
#include "support/build_paths.h"
#include "support/poll_until.h"
#include "support/program_environment.h"
#include "support/wire_log_on_failure.h"

namespace virn::test {

// " 09 00 00 00 00": a frame as a wire-log line ends with it.
inline QString FrameText(std::uint8_t opcode, std::int32_t argument) {
  QString text;
  for (const std::uint8_t byte : link::EncodeFrame(opcode, argument))
    text += QStringLiteral(" %1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
  return text;
}

// Idle pool threads left by earlier widget tests would make the forks that
// start programs multi-threaded ones, after which ThreadSanitizer ends this
// process at its next new thread.
inline void EndIdlePoolThreads() {
  QThreadPool::globalInstance()->waitForDone();
}

struct BenchDemoRun {
  QTemporaryDir home;
  QTemporaryFile suppressions;
  QProcess process;
  QString logPath = home.filePath(QStringLiteral("wire.log"));
  QString fifoPath = home.filePath(QStringLiteral("bench.fifo"));
  QByteArray out;
  QByteArray err;
  int writer = -1;

  // An empty display runs the program offscreen.
  explicit BenchDemoRun(const QString& display = {}) {
    EndIdlePoolThreads();
    EXPECT_EQ(::mkfifo(fifoPath.toLocal8Bit().constData(), 0600), 0);
    process.setProcessEnvironment(ProgramEnvironment(home.path(), display, home.path(), suppressions));
    process.start(virn::test::InBuildBin(QStringLiteral("virn-demo")),
                  {QStringLiteral("--wire-log"), logPath, QStringLiteral("--bench"), fifoPath});
  }
  ~BenchDemoRun() {
    if (writer >= 0) ::close(writer);
    process.kill();
    process.waitForFinished(10000);
    PrintWireLogIfFailed(logPath);
  }
  BenchDemoRun(const BenchDemoRun&) = delete;
  BenchDemoRun& operator=(const BenchDemoRun&) = delete;

  // The program holds the FIFO open for reading and writing, so this never waits.
  bool Send(const QByteArray& lines) {
    if (writer < 0) writer = ::open(fifoPath.toLocal8Bit().constData(), O_WRONLY | O_CLOEXEC);
    return writer >= 0 &&
           ::write(writer, lines.constData(), static_cast<std::size_t>(lines.size())) == lines.size();
  }
  int Count(const QString& bytes) const {
    QFile file(logPath);
    if (!file.open(QIODevice::ReadOnly)) return 0;
    int n = 0;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
      n += line.endsWith(bytes) ? 1 : 0;
    }
    return n;
  }
  // Polls the log and the program's output until `done`; false if it never
  // held, because the program ended or the test would hang.
  bool Until(const std::function<bool()>& done) {
    PollUntil([&] {
      out += process.readAllStandardOutput();
      err += process.readAllStandardError();
      return done() || process.state() != QProcess::Running;
    });
    return done();
  }
  // The output's complete lines: a line may come in pieces.
  QStringList OutLines() const {
    return QString::fromUtf8(out.left(out.lastIndexOf('\n') + 1))
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  }

  // Sends one bench command and returns the first complete output line after
  // it that starts with `prefix`.
  std::optional<QString> Ask(const QByteArray& command, const QString& prefix) {
    out += process.readAllStandardOutput();
    const qsizetype from = out.size();
    if (!Send(command + '\n')) return std::nullopt;
    std::optional<QString> answer;
    Until([&] {
      const QStringList lines = QString::fromUtf8(out.mid(from)).split(QLatin1Char('\n'));
      for (qsizetype i = 0; i + 1 < lines.size() && !answer; ++i) {
        if (lines[i].startsWith(prefix)) answer = lines[i];
      }
      return answer.has_value();
    });
    return answer;
  }
  // What the bench's frequency counter reads, in hertz; empty for no signal.
  std::optional<qint64> Counter() {
    const auto line = Ask("counter", QStringLiteral("counter: "));
    if (!line) return std::nullopt;
    const auto match = QRegularExpression(QStringLiteral("^counter: (\\d+) Hz$")).match(*line);
    if (!match.hasMatch()) return std::nullopt;
    return match.captured(1).toLongLong();
  }
  // The 421 levels of the instrument's last sweep.
  std::vector<int> Levels() {
    const auto line = Ask("levels", QStringLiteral("levels: "));
    std::vector<int> levels;
    if (!line) return levels;
    for (const QString& number : line->mid(8).split(QLatin1Char(' '), Qt::SkipEmptyParts))
      levels.push_back(number.toInt());
    return levels;
  }
};

}  // namespace virn::test
