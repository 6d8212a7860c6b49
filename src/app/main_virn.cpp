// virn: the program for real instruments, through libftdi1.
#include <QTextStream>
#include <cstdio>

#include "app/application.h"
#include "app/command_line.h"
#include "app/startup.h"
#include "app/startup_trace.h"
#include "link/ftdi_backend.h"

int main(int argc, char** argv) {
  virn::app::StartupMark("main");
  if (const auto answer = virn::app::VirnInfoAnswer(virn::app::ArgumentsOf(argc, argv))) {
    QTextStream(stdout) << *answer;
    return 0;
  }
  virn::app::Application application(argc, argv);
  virn::app::StartupMark("application");
  virn::link::FtdiBackend backend;
  return virn::app::RunProgram(backend);
}
