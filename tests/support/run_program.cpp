#include "support/run_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <array>
#include <vector>

#include "support/poll_until.h"

extern char** environ;

namespace virn::test {

namespace {

// Reads both pipes until the program closes them or the deadline passes.
void Drain(std::array<int, 2> fds, std::array<QByteArray*, 2> into, const QDeadlineTimer& deadline) {
  std::array<pollfd, 2> watched{{{fds[0], POLLIN, 0}, {fds[1], POLLIN, 0}}};
  while ((watched[0].fd >= 0 || watched[1].fd >= 0) && !deadline.hasExpired()) {
    if (poll(watched.data(), watched.size(), 100) <= 0) continue;
    for (std::size_t i = 0; i < watched.size(); ++i) {
      if (watched[i].fd < 0 || watched[i].revents == 0) continue;
      char buffer[4096];
      const ssize_t n = read(watched[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        into[i]->append(buffer, n);
      } else {
        close(watched[i].fd);
        watched[i].fd = -1;
      }
    }
  }
  for (const pollfd& left : watched) {
    if (left.fd >= 0) close(left.fd);
  }
}

}  // namespace

ProgramRun RunProgram(const QString& program, const QStringList& arguments) {
  ProgramRun run;
  std::vector<QByteArray> words{program.toLocal8Bit()};
  for (const QString& argument : arguments) words.push_back(argument.toLocal8Bit());
  std::vector<char*> argv;
  for (QByteArray& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  int out[2];
  int err[2];
  if (pipe2(out, O_CLOEXEC) != 0) return run;
  if (pipe2(err, O_CLOEXEC) != 0) {
    close(out[0]);
    close(out[1]);
    return run;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
  pid_t pid = 0;
  const int started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  close(err[1]);
  const QDeadlineTimer deadline(kHangDeadline);
  if (started != 0) {
    close(out[0]);
    close(err[0]);
    return run;
  }
  Drain({out[0], err[0]}, {&run.out, &run.err}, deadline);
  int status = 0;
  const bool ended = PollUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, WhileWaiting::Sleep,
                               std::chrono::milliseconds(std::max<qint64>(deadline.remainingTime(), 0)));
  if (!ended) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return run;
  }
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

}  // namespace virn::test
