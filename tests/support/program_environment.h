// The environment of a program a test starts: offscreen or on a given X
// display, a configuration home of the test's own, and the sanitizer rules the
// test programs themselves run under.
#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryFile>

#include "support/sanitizer_rules.h"

namespace virn::test {

// An empty display runs the program offscreen. The ThreadSanitizer rules are
// written to `suppressions`, which must live as long as the program runs;
// `scratchDir` is where that file goes.
inline QProcessEnvironment ProgramEnvironment(const QString& configHome, const QString& display,
                                              const QString& scratchDir, QTemporaryFile& suppressions) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  if (display.isEmpty()) {
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  } else {
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("DISPLAY"), display);
  }
  env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
  // Under AddressSanitizer the system's D-Bus library leaves allocations at
  // exit that are none of ours; Qt's own locks are invisible to ThreadSanitizer.
  env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
  suppressions.setFileTemplate(scratchDir + QStringLiteral("/tsan-XXXXXX.supp"));
  if (suppressions.open()) {
    suppressions.write(kTsanQtSuppressions);
    suppressions.flush();
    env.insert(QStringLiteral("TSAN_OPTIONS"), QStringLiteral("suppressions=") + suppressions.fileName());
  }
  return env;
}

}  // namespace virn::test
