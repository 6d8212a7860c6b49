#include "demo/bench_script.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <utility>

namespace virn::demo {

namespace {

[[noreturn]] void ThrowFor(const std::string& path, int error) {
  throw std::system_error(error, std::generic_category(), "Cannot open the bench script '" + path + "'");
}

// A FIFO is opened for reading and writing: with a writer of its own it never
// reads end-of-file when the script's writers come and go, and the open does
// not wait for the first of them.
int OpenScript(const std::string& path, bool* fifo) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) ThrowFor(path, errno);
  *fifo = S_ISFIFO(info.st_mode);
  const int flags = (*fifo ? O_RDWR | O_NONBLOCK : O_RDONLY) | O_CLOEXEC;
  const int fd = ::open(path.c_str(), flags);
  if (fd < 0) ThrowFor(path, errno);
  // The path may have changed between the two looks; what counts is what was opened.
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    const int error = S_ISDIR(info.st_mode) ? EISDIR : errno;
    ::close(fd);
    ThrowFor(path, error);
  }
  *fifo = S_ISFIFO(info.st_mode);
  return fd;
}

}  // namespace

BenchScript::BenchScript(const std::string& path, sim::Bench& bench, std::ostream& out, std::ostream& err)
    : bench_(bench), out_(out), err_(err), context_(std::make_unique<QObject>()) {
  fd_ = OpenScript(path, &fifo_);
  wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wake_ < 0) {
    const int error = errno;
    ::close(fd_);
    throw std::system_error(error, std::generic_category(), "Cannot create the bench script's wake-up");
  }
  reader_ = std::thread([this] { read(); });
}

BenchScript::~BenchScript() {
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = ::write(wake_, &one, sizeof one);
  reader_.join();
  // Before anything the queued drains would touch goes.
  context_.reset();
  ::close(wake_);
  ::close(fd_);
}

void BenchScript::read() {
  std::array<char, 4096> buffer{};
  std::string pending;
  bool overlong = false;
  int number = 0;
  for (;;) {
    // A regular file is always readable; only a FIFO really waits here.
    std::array<pollfd, 2> waits{{{fd_, POLLIN, 0}, {wake_, POLLIN, 0}}};
    if (::poll(waits.data(), waits.size(), -1) < 0) {
      if (errno == EINTR) continue;
      post({number + 1, {}, std::string("cannot wait for the script: ") + std::strerror(errno)});
      return;
    }
    if (waits[1].revents != 0) return;
    if (waits[0].revents == 0) continue;

    const ssize_t got = ::read(fd_, buffer.data(), buffer.size());
    if (got < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      post({number + 1, {}, std::string("cannot read the script: ") + std::strerror(errno)});
      return;
    }
    if (got == 0) {
      // The end of a regular file; its last line may lack the line break.
      if (!pending.empty() || overlong) post({++number, pending, overlong ? "line too long" : ""});
      return;
    }
    pending.append(buffer.data(), static_cast<std::size_t>(got));
    std::size_t start = 0;
    for (std::size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1) {
      post({++number, pending.substr(start, end - start), overlong ? "line too long" : ""});
      overlong = false;
    }
    pending.erase(0, start);
    if (pending.size() > kMaxBenchLineLength) {
      overlong = true;
      pending.clear();
    }
  }
}

void BenchScript::post(Line line) {
  {
    std::lock_guard lock(mutex_);
    inbox_.push_back(std::move(line));
  }
  QMetaObject::invokeMethod(
      context_.get(), [this] { drain(); }, Qt::QueuedConnection);
}

void BenchScript::drain() {
  std::deque<Line> lines;
  {
    std::lock_guard lock(mutex_);
    lines.swap(inbox_);
  }
  for (const Line& line : lines) handle(line);
}

void BenchScript::handle(const Line& line) {
  ++handled_;
  std::string error = line.error;
  if (error.empty()) error = bench_.Apply(line.text, out_);
  if (!error.empty()) {
    err_ << "virn-demo: bench line " << line.number << ": " << error << std::endl;
  }
}

}  // namespace virn::demo
