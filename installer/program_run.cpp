#include "installer/program_run.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/files/unique_fd.h"

extern char** environ;

namespace velmora::installer {
namespace {

constexpr std::size_t kMostOutput = 64 * 1024;

// Reads to the end (so the child never blocks on a full pipe), keeping the first kMostOutput.
std::string Drain(int fd) {
  std::string output;
  char buffer[4096];
  while (true) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    const std::size_t room = kMostOutput - std::min(kMostOutput, output.size());
    output.append(buffer, std::min(room, static_cast<std::size_t>(got)));
  }
  return output;
}

}  // namespace

std::optional<ProgramResult> RunProgram(const std::vector<std::string>& argv) {
  if (argv.empty()) return std::nullopt;
  int pipe_fds[2];
  if (::pipe2(pipe_fds, O_CLOEXEC) != 0) return std::nullopt;
  files::UniqueFd read_end(pipe_fds[0]);
  files::UniqueFd write_end(pipe_fds[1]);

  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  ::posix_spawn_file_actions_adddup2(&actions, write_end.get(), STDOUT_FILENO);
  ::posix_spawn_file_actions_adddup2(&actions, write_end.get(), STDERR_FILENO);
  std::vector<std::string> copies = argv;
  std::vector<char*> pointers;
  for (auto& arg : copies) pointers.push_back(arg.data());
  pointers.push_back(nullptr);
  pid_t pid = 0;
  const int rc = ::posix_spawnp(&pid, pointers[0], &actions, nullptr, pointers.data(), environ);
  ::posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return std::nullopt;
  write_end.Close();  // the child holds the only writing end now: EOF comes when it ends

  ProgramResult result;
  result.output = Drain(read_end.get());
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return std::nullopt;
  }
  if (WIFEXITED(status)) {
    result.status = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.status = 128 + WTERMSIG(status);
  }
  return result;
}

}  // namespace velmora::installer
