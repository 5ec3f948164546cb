#include "tests/support/server_process.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>

#include "tests/support/temp_dir.h"

namespace velmora::testing {
namespace {

// In a forked child: take the account's identity (only when root).
bool BecomeUser(const std::string& user) {
  if (user.empty() || geteuid() != 0) return true;
  passwd* account = getpwnam(user.c_str());
  if (account == nullptr) return false;
  return setgroups(0, nullptr) == 0 && setgid(account->pw_gid) == 0 && setuid(account->pw_uid) == 0;
}

void Exec(std::vector<std::string> args) {
  std::vector<char*> raw;
  for (std::string& a : args) raw.push_back(a.data());
  raw.push_back(nullptr);
  execvp(raw[0], raw.data());
  _exit(127);
}

void RedirectOutput(const std::string& file, int flags) {
  int fd = open(file.c_str(), O_WRONLY | O_CREAT | flags, 0600);
  if (fd >= 0) {
    dup2(fd, 1);
    dup2(fd, 2);
    close(fd);
  }
  int null_in = open("/dev/null", O_RDONLY);
  if (null_in >= 0) dup2(null_in, 0);
}

}  // namespace

bool RunProgram(const std::vector<std::string>& argv, const std::string& as_user,
                std::string* output) {
  TempDir capture;
  const std::string log = (capture.path() / "out").string();
  pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    RedirectOutput(log, O_TRUNC);
    if (!BecomeUser(as_user)) _exit(126);
    Exec(argv);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  if (output != nullptr) *output = ReadFileBytes(log);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool GiveToUser(const std::string& path, const std::string& user) {
  if (geteuid() != 0 || user.empty()) return true;
  passwd* account = getpwnam(user.c_str());
  if (account == nullptr) return false;
  std::error_code ec;
  if (chown(path.c_str(), account->pw_uid, account->pw_gid) != 0) return false;
  if (std::filesystem::is_directory(path, ec)) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path, ec)) {
      if (lchown(entry.path().c_str(), account->pw_uid, account->pw_gid) != 0) return false;
    }
  }
  return true;
}

bool ServerProcess::Start(const std::vector<std::string>& argv, const std::string& as_user,
                          const std::string& log_file, int death_signal) {
  Stop();
  const pid_t parent = getpid();
  pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    RedirectOutput(log_file, O_APPEND);
    if (!BecomeUser(as_user)) _exit(126);
    // Set after the change of identity, which would clear it.
    prctl(PR_SET_PDEATHSIG, death_signal);
    if (getppid() != parent) _exit(0);
    Exec(argv);
  }
  pid_ = pid;
  stop_signal_ = death_signal;
  return true;
}

bool ServerProcess::Running() {
  if (pid_ <= 0) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) == pid_) {
    pid_ = -1;
    return false;
  }
  return true;
}

void ServerProcess::Stop(int signal) {
  if (pid_ <= 0) return;
  kill(pid_, signal != 0 ? signal : stop_signal_);
  int status = 0;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
}

}  // namespace velmora::testing
