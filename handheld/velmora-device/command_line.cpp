#include "handheld/velmora-device/command_line.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace velmora::device_tool {

std::vector<std::string> SplitWindowsCommandLine(std::string_view line) {
  std::vector<std::string> args;
  std::string current;
  bool in_argument = false;
  bool quoted = false;
  std::size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if ((c == ' ' || c == '\t') && !quoted) {
      if (in_argument) args.push_back(std::move(current));
      current.clear();
      in_argument = false;
      ++i;
      continue;
    }
    in_argument = true;
    if (c == '\\') {
      std::size_t backslashes = 0;
      while (i < line.size() && line[i] == '\\') {
        ++backslashes;
        ++i;
      }
      if (i < line.size() && line[i] == '"') {
        current.append(backslashes / 2, '\\');
        if (backslashes % 2 == 1) {
          current.push_back('"');
          ++i;
        }
      } else {
        current.append(backslashes, '\\');
      }
      continue;
    }
    if (c == '"') {
      if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
        current.push_back('"');
        i += 2;
        continue;
      }
      quoted = !quoted;
      ++i;
      continue;
    }
    current.push_back(c);
    ++i;
  }
  if (in_argument) args.push_back(std::move(current));
  return args;
}

std::optional<int> StartProgram(const std::vector<std::string>& argv, bool wait,
                                std::string* error) {
  if (argv.empty() || argv[0].empty()) {
    if (error) *error = "empty command line";
    return std::nullopt;
  }
  std::vector<std::string> copies = argv;
  std::vector<char*> pointers;
  for (auto& arg : copies) pointers.push_back(arg.data());
  pointers.push_back(nullptr);
  pid_t pid = 0;
  const bool search = argv[0].find('/') == std::string::npos;
  const int rc = search
                     ? ::posix_spawnp(&pid, pointers[0], nullptr, nullptr, pointers.data(), environ)
                     : ::posix_spawn(&pid, pointers[0], nullptr, nullptr, pointers.data(), environ);
  if (rc != 0) {
    if (error) *error = std::string("cannot start ") + argv[0] + ": " + std::strerror(rc);
    return std::nullopt;
  }
  if (!wait) return 0;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      if (error) *error = std::string("cannot wait for ") + argv[0];
      return std::nullopt;
    }
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return status;
}

}  // namespace velmora::device_tool
