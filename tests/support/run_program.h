// Runs a helper program (pdftoppm, pdftotext) to its end from a test process
// that has threads. QProcess forks in a way ThreadSanitizer sees as the fork
// of a process with threads, after which it ends this process at the next
// thread it starts; posix_spawn runs none of this process's code in the child.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace virn::test {

struct ProgramRun {
  int exitCode = -1;  // -1: it did not start, did not end by the hang deadline, or was killed
  QByteArray out;
  QByteArray err;
};

// `program` is looked up on PATH when it has no slash.
ProgramRun RunProgram(const QString& program, const QStringList& arguments);

}  // namespace virn::test
