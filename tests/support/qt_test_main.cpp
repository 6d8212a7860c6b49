#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "support/sanitizer_rules.h"

// Sanitizer settings live here rather than in the environment so that the test
// discovery at build time runs under the same rules as ctest does.
#if defined(__SANITIZE_ADDRESS__)
// Qt and fontconfig keep caches until exit that LeakSanitizer counts as leaks.
extern "C" const char* __asan_default_options() {
  return "detect_leaks=0";
}
#endif
#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_suppressions() {
  return virn::test::kTsanQtSuppressions;
}
#endif

// Widget tests need a platform plugin; without a display they would abort, so
// the offscreen one is the default.
int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
