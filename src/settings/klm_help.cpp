// The help button's path into the help library: find the help folder beside
// the executable, read its id, and hand both to libklmhelpsys.so.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include <cstring>
#include <string>

#include "hostlib/klm_exports.h"
#include "settings/klm_api.h"
#include "settings/klm_library.h"

namespace virn::settings {

namespace {

bool IsDirectory(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

[[noreturn]] void ThrowOpenError(const std::string& path, int errnum) {
  char buffer[256];
  const char* reason = strerror_r(errnum, buffer, sizeof buffer);
  throw EklmAPI("Cannot open file \"" + path + "\". " + reason);
}

// The first line of the file, without its line end; empty for an empty file.
std::string ReadFirstLine(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) ThrowOpenError(path, errno);
  std::string line;
  char buffer[512];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      const int errnum = errno;  // a directory opens, then refuses to be read
      close(fd);
      ThrowOpenError(path, errnum);
    }
    if (got == 0) break;
    const auto* newline = static_cast<const char*>(std::memchr(buffer, '\n', static_cast<std::size_t>(got)));
    line.append(buffer, newline != nullptr ? static_cast<std::size_t>(newline - buffer)
                                           : static_cast<std::size_t>(got));
    if (newline != nullptr) break;
  }
  close(fd);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace

void ShowHelp(const std::string& executableDir, const std::string& topic, const std::string& appTitle) {
  const std::string helpDir = executableDir + "/Help";
  if (!IsDirectory(helpDir)) throw EklmAPI("Справочная система не установлена.");
  const std::string helpId = ReadFirstLine(helpDir + "/Id.dat");

  const KlmLibrary library(kKlmHelpLibrary);
  const auto showHelp = library.Require<decltype(&::hsShowHelp)>("hsShowHelp");
  const auto setTitle = library.Find<decltype(&::hsSetTitle)>("hsSetTitle");
  showHelp(helpId.c_str(), helpDir.c_str(), topic.c_str());
  if (setTitle != nullptr) setTitle(appTitle.c_str());
}

}  // namespace virn::settings
