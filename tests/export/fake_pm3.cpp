// Stand-ins for the print manager, built as libklmpm3.so in three kinds: with
// every export (FAKE_PM3_OPTIONAL), with only the needed ones, and outdated
// (no pmPrint, FAKE_PM3_NO_PRINT). Each call is written as a line to the file
// named by KLM_FAKE_PRINT_LOG, with what the call could see at that moment, so
// a test reads after the print what the program handed over and when.
#include <sys/stat.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "hostlib/klm_exports.h"

namespace {

const TQSLDataPrint* addedRecord = nullptr;

void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));

void Log(const char* format, ...) {
  const char* logPath = std::getenv("KLM_FAKE_PRINT_LOG");
  if (logPath == nullptr) return;
  std::FILE* log = std::fopen(logPath, "ab");
  if (log == nullptr) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(log, format, args);
  va_end(args);
  std::fputc('\n', log);
  std::fclose(log);
}

int EmptySlots(const TQSLDataPrint* record) {
  int empty = 0;
  for (const char* slot : record->Slots) {
    if (slot == nullptr) ++empty;
  }
  return empty;
}

}  // namespace

extern "C" KLM_EXPORT void pmClearQSL(void) {
  addedRecord = nullptr;
  Log("pmClearQSL");
}

extern "C" KLM_EXPORT void pmAddQSL(const TQSLDataPrint* data, int32_t flag) {
  addedRecord = data;
  Log("pmAddQSL size=%zu empty=%d flag=%d", sizeof(*data), EmptySlots(data), flag);
}

#if defined(FAKE_PM3_OPTIONAL)
extern "C" KLM_EXPORT void pmHelpVisibility(int32_t visible) {
  Log("pmHelpVisibility %d", visible);
}
extern "C" KLM_EXPORT void pmQSOCountVisibility(int32_t visible) {
  Log("pmQSOCountVisibility %d", visible);
}
extern "C" KLM_EXPORT void pmSetQSLFields(int32_t count) {
  Log("pmSetQSLFields %d", count);
}
extern "C" KLM_EXPORT void pmPublisherHide(void) {
  Log("pmPublisherHide");
}
#endif

#if !defined(FAKE_PM3_NO_PRINT)
extern "C" KLM_EXPORT uint16_t pmPrint(void* appWindow, const char* note, const char* cardFile,
                                       const char* title, int32_t flag, int32_t r1, int32_t r2, int32_t r3,
                                       int32_t r4) {
  struct stat file {};
  const bool exists = stat(cardFile, &file) == 0;
  // The record must still be the program's, and still empty, while the print runs.
  const int empty = addedRecord != nullptr ? EmptySlots(addedRecord) : -1;
  Log("pmPrint window=%p note=[%s] title=[%s] flag=%d zeros=%d,%d,%d,%d record-empty=%d", appWindow, note,
      title, flag, r1, r2, r3, r4, empty);
  Log("card %s exists=%d size=%lld", cardFile, exists ? 1 : 0,
      exists ? static_cast<long long>(file.st_size) : -1LL);
  return 1;
}
#endif
