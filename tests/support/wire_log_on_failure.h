// The wire log of a program a test ran, shown when the test has failed: the
// log lives in the test's temporary folder, which goes with the test, and is
// the first thing needed to see what the program sent.
#pragma once

#include <gtest/gtest.h>

#include <QFile>
#include <QString>
#include <QStringList>
#include <cstdio>

namespace virn::test {

// How much of a log is shown: its end, where a failure usually is.
inline constexpr qsizetype kShownWireLogLines = 300;

// Prints the lines (their last kShownWireLogLines) to stderr, headed by `what`.
inline void PrintWireLog(const QString& what, const QStringList& lines) {
  std::fprintf(stderr, "---- %s: %lld lines%s ----\n", what.toLocal8Bit().constData(),
               static_cast<long long>(lines.size()),
               lines.size() > kShownWireLogLines ? ", the last shown" : "");
  for (qsizetype i = std::max<qsizetype>(0, lines.size() - kShownWireLogLines); i < lines.size(); ++i) {
    std::fprintf(stderr, "%s\n", lines[i].toLocal8Bit().constData());
  }
  std::fprintf(stderr, "---- end of %s ----\n", what.toLocal8Bit().constData());
}

// Call where the log is about to go (a destructor): prints the log file when
// the running test has failed so far.
inline void PrintWireLogIfFailed(const QString& logPath) {
  if (!::testing::Test::HasFailure()) return;
  QFile file(logPath);
  if (!file.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "---- no wire log at %s ----\n", logPath.toLocal8Bit().constData());
    return;
  }
  PrintWireLog(QStringLiteral("wire log ") + logPath,
               QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts));
}

// For a simulated instrument's log in memory: prints it when the running
// test has failed so far.
template <typename Entries, typename Format>
void PrintWireLogIfFailed(const QString& what, const Entries& entries, Format format) {
  if (!::testing::Test::HasFailure()) return;
  QStringList lines;
  for (const auto& entry : entries) lines << QString::fromStdString(format(entry));
  PrintWireLog(what, lines);
}

}  // namespace virn::test
