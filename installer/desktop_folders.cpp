#include "installer/desktop_folders.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

extern char** environ;

namespace velmora::installer {
namespace {

std::filesystem::path Home() {
  const char* home = std::getenv("HOME");
  return home && *home ? std::filesystem::path(home) : std::filesystem::path();
}

struct PipeCloser {
  void operator()(std::FILE* pipe) const { ::pclose(pipe); }
};

// The desktop folder as xdg-user-dir reports it; empty when the tool is missing or fails.
std::string XdgDesktopDir() {
  std::unique_ptr<std::FILE, PipeCloser> pipe(::popen("xdg-user-dir DESKTOP 2>/dev/null", "r"));
  if (!pipe) return {};
  std::string out;
  char buffer[512];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0) out.append(buffer, got);
  const int status = ::pclose(pipe.release());
  if (status != 0) return {};
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

}  // namespace

std::filesystem::path ProgramFilesFolder() {
  if (::geteuid() == 0) return "/opt";
  const std::filesystem::path home = Home();
  return home.empty() ? home : home / ".local" / "opt";
}

std::filesystem::path DesktopFolder() {
  const std::string xdg = XdgDesktopDir();
  if (!xdg.empty() && std::filesystem::path(xdg).is_absolute()) return xdg;
  const std::filesystem::path home = Home();
  return home.empty() ? home : home / "Desktop";
}

std::filesystem::path ApplicationsFolder() {
  const char* data_home = std::getenv("XDG_DATA_HOME");
  if (data_home && *data_home && std::filesystem::path(data_home).is_absolute()) {
    return std::filesystem::path(data_home) / "applications";
  }
  const std::filesystem::path home = Home();
  return home.empty() ? home : home / ".local" / "share" / "applications";
}

namespace {
constexpr int kOpenerVerdictMs = 3000;
constexpr int kOpenerPollMs = 50;
}  // namespace

std::string FolderUnder(const std::string& folder, const std::string& product_folder) {
  std::string out = folder;
  if (out.empty() || out.back() != '/') out.push_back('/');
  return out + product_folder;
}

std::string DefaultInstallationFolder(const std::string& product_folder) {
  std::filesystem::path base = ProgramFilesFolder();
  if (base.empty()) base = "/opt";
  return FolderUnder(base.string(), product_folder);
}

bool OpenWithDesktop(const std::filesystem::path& file, std::string* why) {
  auto fail = [why](std::string reason) {
    if (why) *why = std::move(reason);
    return false;
  };
  std::error_code error;
  if (!std::filesystem::is_regular_file(file, error)) return fail("the file is missing");
  const std::string path = file.string();
  char program[] = "xdg-open";
  char* argv[] = {program, const_cast<char*>(path.c_str()), nullptr};
  pid_t pid = 0;
  if (::posix_spawnp(&pid, program, nullptr, nullptr, argv, environ) != 0) {
    return fail("xdg-open could not be started");
  }
  // Some openers stay until their window closes: only a quick end tells whether it failed. A
  // child still running after the wait is left to end on its own.
  for (int waited_ms = 0; waited_ms < kOpenerVerdictMs; waited_ms += kOpenerPollMs) {
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) {
      if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
      return fail("xdg-open found no program to open it");
    }
    ::usleep(kOpenerPollMs * 1000);
  }
  return true;
}

}  // namespace velmora::installer
