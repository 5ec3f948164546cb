#include "profilecli/conduit_launch.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

extern char** environ;

namespace velmora::profilecli {

int RunThroughConduit(long prof_id, const std::string& backup, std::string* program) {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  *program = (self.parent_path() / "tavrill").string();
  std::vector<std::string> words = {*program, "--unattended", "--profile", std::to_string(prof_id)};
  if (!backup.empty()) {
    words.push_back("--backup");
    words.push_back(backup);
  }
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  std::fflush(nullptr);
  pid_t child = 0;
  if (::posix_spawn(&child, program->c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
    return -1;
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace velmora::profilecli
