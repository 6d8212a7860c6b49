// fsClearDir: recursive removal that works through directory descriptors and
// opens nothing with symlink following, so a link inside the tree (or one
// swapped in while we work) is removed as a link and what it points to is
// never touched.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include <cstring>
#include <string>
#include <vector>

#include "hostlib/klm_exports.h"

namespace virn::hostlib {
namespace {

constexpr int kOpenDirFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

bool IsDotOrDotDot(const char* name) {
  return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

std::vector<std::string> EntryNames(int dirFd) {
  std::vector<std::string> names;
  const int listFd = dup(dirFd);
  if (listFd < 0) return names;
  DIR* dir = fdopendir(listFd);
  if (dir == nullptr) {
    close(listFd);
    return names;
  }
  while (const dirent* entry = readdir(dir)) {
    if (!IsDotOrDotDot(entry->d_name)) names.emplace_back(entry->d_name);
  }
  closedir(dir);
  return names;
}

// Removes everything inside the open directory. True when all of it went.
bool RemoveContents(int dirFd) {
  bool allGone = true;
  for (const std::string& name : EntryNames(dirFd)) {
    if (unlinkat(dirFd, name.c_str(), 0) == 0) continue;
    // Linux says EISDIR for a directory (POSIX allows EPERM).
    if (errno != EISDIR && errno != EPERM) {
      allGone = allGone && errno == ENOENT;
      continue;
    }
    const int childFd = openat(dirFd, name.c_str(), kOpenDirFlags);
    if (childFd < 0) {
      allGone = false;
      continue;
    }
    const bool childEmptied = RemoveContents(childFd);
    close(childFd);
    if (!childEmptied || unlinkat(dirFd, name.c_str(), AT_REMOVEDIR) != 0) allGone = false;
  }
  return allGone;
}

bool ClearDir(std::string path, bool removeItself) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  // Emptying the root or the working directory by accident is never intended.
  if (path.empty() || path == "/" || path == "." || path == "..") return false;
  const int dirFd = open(path.c_str(), kOpenDirFlags);
  if (dirFd < 0) return removeItself && errno == ENOENT;
  const bool emptied = RemoveContents(dirFd);
  close(dirFd);
  if (!emptied) return false;
  return !removeItself || rmdir(path.c_str()) == 0;
}

}  // namespace
}  // namespace virn::hostlib

extern "C" uint16_t fsClearDir(const char* dir, int32_t flag) {
  if (dir == nullptr) return 0;
  try {
    return virn::hostlib::ClearDir(dir, flag != 0) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}
