// The desktop manager as a user gets it: the build's installer bundle installed unattended
// into a private home, then the installed brisklet started on the offscreen platform until
// its main window is up. A start that fails must say so and end, not wait for an answer.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry/registry.h"
#include "tests/registry/scoped_registry.h"
#include "tests/support/odbc_env.h"
#include "tests/support/temp_dir.h"

namespace velmora::desktop {
namespace {

using velmora::testing::BuildDir;
using velmora::testing::TempDir;

struct RunResult {
  int exit_status = -1;
  std::string output;  // standard output and standard error together
};

// Runs `program` in `folder` and waits for it.
RunResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                     const std::filesystem::path& folder) {
  std::vector<char*> argv;
  std::string program_text = program.string();
  argv.push_back(program_text.data());
  std::vector<std::string> owned = args;
  for (std::string& arg : owned) argv.push_back(arg.data());
  argv.push_back(nullptr);
  int fds[2];
  if (::pipe(fds) != 0) return {};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(fds[1], 1);
    ::dup2(fds[1], 2);
    ::close(fds[0]);
    ::close(fds[1]);
    if (::chdir(folder.c_str()) != 0) ::_exit(126);
    ::execv(program_text.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(fds[1]);
  RunResult result;
  char buffer[4096];
  for (ssize_t got; (got = ::read(fds[0], buffer, sizeof buffer)) > 0;) {
    result.output.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fds[0]);
  int status = 0;
  if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
    result.exit_status = WEXITSTATUS(status);
  }
  return result;
}

class InstalledStartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(Bundle() / "installer") ||
        !std::filesystem::exists(Bundle() / "brisklet")) {
      GTEST_SKIP() << "build/bundle has no installer or brisklet in this build";
    }
    std::filesystem::create_directories(root_ / "home/.config");
    std::filesystem::create_directories(root_ / "tmp");
    // The single-instance socket lives in the temporary folder: a private one keeps another
    // running desktop manager out of the test.
    SetEnv("HOME", (root_ / "home").string());
    SetEnv("XDG_CONFIG_HOME", (root_ / "home/.config").string());
    SetEnv("XDG_RUNTIME_DIR", std::nullopt);
    SetEnv("TMPDIR", (root_ / "tmp").string());
    SetEnv("QT_QPA_PLATFORM", "offscreen");
    SetEnv("VELMORA_RAPI", std::nullopt);
    ASSERT_TRUE(registry::WriteString(registry::Hive::kCurrentUser,
                                      "Software\\Microsoft\\Windows CE Services\\Partners\\P1",
                                      "DisplayName", "Ann Lee"));
    const RunResult install =
        RunProgram(Bundle() / "installer",
                   {"--unattended", "--folder", Folder().string(), "--user", "Ann Lee"}, Bundle());
    ASSERT_EQ(install.exit_status, 0) << install.output;
  }
  void TearDown() override {
    for (auto it = saved_env_.rbegin(); it != saved_env_.rend(); ++it) {
      it->second ? ::setenv(it->first.c_str(), it->second->c_str(), 1)
                 : ::unsetenv(it->first.c_str());
    }
  }

  void SetEnv(const char* name, const std::optional<std::string>& value) {
    const char* old = std::getenv(name);
    saved_env_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
  }

  static std::filesystem::path Bundle() { return BuildDir() / "bundle"; }
  std::filesystem::path Folder() const { return root_ / "Velmora Apps" / "Velmora"; }
  RunResult StartInstalled() const {
    return RunProgram(Folder() / "brisklet", {"--quit-after-start"}, Folder());
  }

  velmora::testing::OdbcEnvironment odbc_;
  velmora::testing::ScopedRegistry registry_;
  TempDir root_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_env_;
};

TEST_F(InstalledStartTest, TheInstalledDesktopManagerStartsAndQuits) {
  const RunResult start = StartInstalled();
  EXPECT_EQ(start.exit_status, 0) << start.output;
  EXPECT_EQ(start.output.find("Unable to"), std::string::npos) << start.output;

  SetEnv("QT_QPA_PLATFORM", std::nullopt);
  SetEnv("DISPLAY", std::nullopt);
  SetEnv("WAYLAND_DISPLAY", std::nullopt);
  const RunResult help = RunProgram(Folder() / "brisklet", {"--help"}, Folder());
  EXPECT_EQ(help.exit_status, 0);
  EXPECT_EQ(help.output.rfind("Usage: brisklet", 0), 0u) << help.output;
}

TEST_F(InstalledStartTest, WithoutADisplayItSaysSoAndEndsWithTwo) {
  SetEnv("WAYLAND_DISPLAY", std::nullopt);
  const struct {
    std::optional<std::string> platform;
    std::optional<std::string> display;
  } cases[] = {
      {std::nullopt, std::nullopt},
      {"xcb", std::nullopt},
      {"xcb", ":97"},  // named, but nothing answers there
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.platform.value_or("default") + " " + c.display.value_or("unset"));
    SetEnv("QT_QPA_PLATFORM", c.platform);
    SetEnv("DISPLAY", c.display);
    const RunResult start = StartInstalled();
    EXPECT_EQ(start.exit_status, 2) << start.output;
    EXPECT_NE(start.output.find("no display is available"), std::string::npos) << start.output;
  }
}

TEST_F(InstalledStartTest, AFailedStartReportsItsMessageAndEnds) {
  const struct {
    const char* removed;
    const char* message;
  } cases[] = {
      {"Orvendel.mdb", "Unable to connect profile database"},
      {"lib/libpeltrix.so", "Unable to load Peltrix.dll"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.removed);
    const std::filesystem::path file = Folder() / c.removed;
    const std::filesystem::path aside = root_ / "aside";
    std::filesystem::rename(file, aside);
    const RunResult start = StartInstalled();
    std::filesystem::rename(aside, file);
    EXPECT_NE(start.exit_status, 0);
    EXPECT_NE(start.output.find(c.message), std::string::npos) << start.output;
  }
}

}  // namespace
}  // namespace velmora::desktop
