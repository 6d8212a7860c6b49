// A help library without hsSetTitle that writes the arguments of hsShowHelp,
// one to a line, to the file named by KLM_FAKE_HELP_LOG, so a test can see
// what the wrapper handed over after the wrapper has unloaded it again.
#include <cstdio>
#include <cstdlib>

#include "hostlib/klm_exports.h"

extern "C" void hsShowHelp(const char* helpId, const char* helpDir, const char* topic) {
  const char* logPath = std::getenv("KLM_FAKE_HELP_LOG");
  if (logPath == nullptr) return;
  if (std::FILE* log = std::fopen(logPath, "ab")) {
    std::fprintf(log, "%s\n%s\n%s\n", helpId, helpDir, topic);
    std::fclose(log);
  }
}
