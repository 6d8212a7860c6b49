// virn: the program for real instruments, through libftdi1.
#include "app/application.h"
#include "app/startup.h"
#include "link/ftdi_backend.h"

int main(int argc, char** argv) {
  virn::app::Application application(argc, argv);
  virn::link::FtdiBackend backend;
  return virn::app::RunProgram(backend);
}
