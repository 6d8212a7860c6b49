#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

// Sanitizer settings live here rather than in the environment so that the test
// discovery at build time runs under the same rules as ctest does.
#if defined(__SANITIZE_ADDRESS__)
// Qt and fontconfig keep caches until exit that LeakSanitizer counts as leaks.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }
#endif
#if defined(__SANITIZE_THREAD__)
// Qt is not built with ThreadSanitizer: its futex-based locks are invisible to it.
extern "C" const char* __tsan_default_suppressions() {
  return "race:libQt6Core.so\n"
         "race:libQt6Gui.so\n"
         "race:libQt6Widgets.so\n"
         "called_from_lib:libQt6Core.so\n"
         "called_from_lib:libQt6Gui.so\n"
         "called_from_lib:libglib-2.0.so\n";
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
