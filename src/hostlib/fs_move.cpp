// fsMoveFrom: a file move that also works between file systems. Across file
// systems the data is copied into a hidden temporary file beside the
// destination and renamed over it, so the destination is always either the
// old file or the complete new one.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "hostlib/fs_buffers.h"
#include "hostlib/klm_exports.h"

namespace virn::hostlib {
namespace {

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  [[nodiscard]] int get() const { return fd_; }
  [[nodiscard]] bool valid() const { return fd_ >= 0; }
  // Closes now so that a late write error (NFS reports them at close) is seen.
  int release_and_close() {
    const int result = close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Returns 0 or the errno of the first failure.
int CopyAll(int from, int to) {
  char buffer[65536];
  for (;;) {
    const ssize_t got = read(from, buffer, sizeof buffer);
    if (got == 0) return 0;
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = write(to, buffer + done, static_cast<std::size_t>(got - done));
      if (put < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      done += put;
    }
  }
}

// Copy, then replace `dst` in one rename, then remove `src`. Returns 0 or an errno.
int CopyAcross(const std::string& src, const std::string& dst) {
  Fd in(open(src.c_str(), O_RDONLY | O_CLOEXEC));
  if (!in.valid()) return errno;
  struct stat info {};
  if (fstat(in.get(), &info) != 0) return errno;
  // Directories and devices cannot be moved by copying their bytes.
  if (!S_ISREG(info.st_mode)) return EXDEV;

  std::string temp = DirectoryOf(dst) + "/.klmXXXXXX";
  Fd out(mkostemp(temp.data(), O_CLOEXEC));
  if (!out.valid()) return errno;
  int error = CopyAll(in.get(), out.get());
  if (error == 0 && fchmod(out.get(), info.st_mode & 07777) != 0) error = errno;
  if (error == 0) {
    const timespec times[2] = {info.st_atim, info.st_mtim};
    futimens(out.get(), times);  // like mv; a file system without times is no failure
  }
  if (error == 0 && fsync(out.get()) != 0) error = errno;
  if (out.release_and_close() != 0 && error == 0) error = errno;
  if (error == 0 && rename(temp.c_str(), dst.c_str()) != 0) error = errno;
  if (error != 0) {
    unlink(temp.c_str());
    return error;
  }
  // The destination is complete; a source that cannot be removed is reported
  // the way mv reports it, as a failed move.
  return unlink(src.c_str()) == 0 ? 0 : errno;
}

int Move(const std::string& src, const std::string& dst) {
  if (rename(src.c_str(), dst.c_str()) == 0) return 0;
  if (errno != EXDEV) return errno;
  return CopyAcross(src, dst);
}

}  // namespace
}  // namespace virn::hostlib

using namespace virn::hostlib;

extern "C" uint16_t fsMoveFrom(const char* src, const char* dst, char* error) {
  if (error != nullptr) error[0] = '\0';
  try {
    const int errnum =
        src == nullptr || dst == nullptr || src[0] == '\0' || dst[0] == '\0' ? ENOENT : Move(src, dst);
    if (errnum == 0) return 1;
    CopyTruncated(SystemReason(errnum), error, KLM_ERROR_BUFFER_SIZE);
  } catch (...) {
    CopyTruncated(SystemReason(ENOMEM), error, KLM_ERROR_BUFFER_SIZE);
  }
  return 0;
}
