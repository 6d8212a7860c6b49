// Starts as virn does, then prints the device pixel ratio and the font
// resolution Qt took, and ends.
#include <QScreen>
#include <cstdio>

#include "app/application.h"

int main(int argc, char** argv) {
  const virn::app::Application application(argc, argv);
  std::printf("%g %g\n", QGuiApplication::primaryScreen()->devicePixelRatio(),
              QGuiApplication::primaryScreen()->logicalDotsPerInch());
  return 0;
}
