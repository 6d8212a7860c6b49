// The directory exports of libklmfsys.so: where the configuration lives and the
// private temporary directories used for exports and printing.
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include <cstdlib>
#include <string>

#include "hostlib/fs_buffers.h"
#include "hostlib/klm_exports.h"

namespace virn::hostlib {
namespace {

bool IsDirectory(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// mkdir -p. New directories are private (0700), as the XDG rules ask for
// configuration directories; existing ones are left as they are.
bool MakeDirectories(const std::string& path) {
  for (std::size_t end = 1; end <= path.size(); ++end) {
    if (end != path.size() && path[end] != '/') continue;
    if (path[end - 1] == '/') continue;  // doubled slash
    const std::string prefix = path.substr(0, end);
    // An existing component may still refuse mkdir (read-only mount, no permission).
    if (mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST && !IsDirectory(prefix)) return false;
  }
  return IsDirectory(path);
}

// mkdtemp gives mode 0700 and a name no other user can predict or pre-create.
bool MakeTempDirIn(const std::string& parent, char* out) {
  std::string pattern = parent;
  while (pattern.size() > 1 && pattern.back() == '/') pattern.pop_back();
  if (pattern != "/") pattern += '/';
  pattern += "klmXXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) return false;
  if (CopyWhole(pattern + '/', out, KLM_PATH_BUFFER_SIZE)) return true;
  rmdir(pattern.c_str());
  return false;
}

}  // namespace
}  // namespace virn::hostlib

using namespace virn::hostlib;

extern "C" uint16_t fsGetAppDataPath(void* /*appWindow*/, char* out) {
  if (out == nullptr) return 0;
  out[0] = '\0';
  try {
    const std::string path = ConfigHome();
    return !path.empty() && CopyWhole(path, out, KLM_PATH_BUFFER_SIZE) ? 1 : 0;
  } catch (...) {
    out[0] = '\0';
    return 0;
  }
}

extern "C" uint16_t fsCreateConfigDir(void* /*appWindow*/, const char* programName) {
  if (programName == nullptr) return 0;
  try {
    const std::string home = ConfigHome();
    if (home.empty()) return 0;
    std::string dir = home + "/Kelmar";
    if (programName[0] != '\0') dir += std::string("/") + programName;
    return MakeDirectories(dir) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

extern "C" uint16_t fsCreateTempDir(void* (* /*getAppWindow*/)(), char* inout) {
  if (inout == nullptr) return 0;
  inout[0] = '\0';
  try {
    if (const char* tmpdir = std::getenv("TMPDIR"); tmpdir != nullptr && tmpdir[0] == '/') {
      if (MakeTempDirIn(tmpdir, inout)) return 1;
    }
    return MakeTempDirIn("/tmp", inout) ? 1 : 0;
  } catch (...) {
    inout[0] = '\0';
    return 0;
  }
}
