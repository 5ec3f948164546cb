// The timer of a handheld: which calendar expressions may enter a unit, how paths are quoted in
// it, and the units written, enabled and removed (with a stand-in systemctl that records its
// calls, in a private config and runtime folder).
#include "installer/schedule.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "installer/program_run.h"
#include "installer/timer_units.h"
#include "tests/support/temp_dir.h"

namespace velmora::installer {
namespace {

using ::testing::HasSubstr;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

TEST(CalendarCharactersChecked, LetsOnlyCalendarTextIntoTheTimer) {
  const struct {
    std::string when;
    bool accepted;
  } cases[] = {
      {"hourly", true},
      {"daily", true},
      {"Mon..Fri 08..18:00", true},
      {"*:0/15", true},
      {"2027-01-01 06:30:00 Europe/Berlin", true},
      {"Sat,Sun *-*-* 10:00:00 UTC", true},
      {"", false},
      {"hourly\nExecStartPre=/bin/rm -rf ~", false},
      {"hourly\r", false},
      {"%h", false},  // a specifier
      {"daily; reboot", false},
      {"\"daily\"", false},
      {"daily\\", false},
      {" daily", false},
      {"$HOME", false},
      {std::string(129, '*'), false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CalendarCharactersChecked(c.when).has_value(), c.accepted) << c.when;
  }
}

TEST(TimerUnits, QuoteEveryPathAndNameEachHandheldApart) {
  ScheduledRun run;
  run.device_tool = "/opt/Velmora 2/velmora-device";
  run.handheld = "/home/ann/hand \"held\" 100% $HOME\\x";
  run.calendar = "hourly";
  run.environment = {{"VELMORA_REGISTRY", "/home/ann/reg $1 %n"}};
  ASSERT_TRUE(CanBeWrittenIntoUnits(run));
  const std::string service = ServiceUnitText(run);
  EXPECT_THAT(service, HasSubstr("\nExecStart=\"/opt/Velmora 2/velmora-device\" connect "
                                 "\"/home/ann/hand \\\"held\\\" 100%% $$HOME\\\\x\" --wait\n"));
  EXPECT_THAT(service, HasSubstr("\nEnvironment=\"VELMORA_REGISTRY=/home/ann/reg $1 %%n\"\n"));
  EXPECT_THAT(service, HasSubstr("\nUnsetEnvironment=DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM\n"));
  EXPECT_THAT(TimerUnitText(run), HasSubstr("\n[Timer]\nOnCalendar=hourly\n"));

  run.environment = {{"ODBCINI", "/tmp/a\nExecStartPre=/bin/false"}};
  EXPECT_FALSE(CanBeWrittenIntoUnits(run));

  const std::string name = TimerUnitName("/home/ann/my handheld!");
  EXPECT_EQ(name.rfind("velmora-my_handheld_-", 0), 0u) << name;
  EXPECT_EQ(name.size(), std::string("velmora-my_handheld_-").size() + 8);
  EXPECT_EQ(TimerUnitName("/home/ann/hh"), TimerUnitName("/home/ann/hh"));
  EXPECT_NE(TimerUnitName("/home/ann/hh"), TimerUnitName("/home/bob/hh"));
}

class ScheduleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "PATH"}) {
      const char* value = std::getenv(name);
      saved_.emplace_back(name, value ? value : "");
    }
    ::setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (dir_ / "runtime").c_str(), 1);
    std::filesystem::create_directories(dir_ / "runtime");
    std::filesystem::create_directories(handheld_);
    std::filesystem::create_directories(dir_ / "bin");
    // systemctl records its calls; systemd-analyze stays the system's own.
    WriteFileBytes(dir_ / "bin" / "systemctl",
                   "#!/bin/sh\necho \"$*\" >> '" + (dir_ / "calls").string() + "'\n");
    ::chmod((dir_ / "bin" / "systemctl").c_str(), 0755);
    ::setenv("PATH", ((dir_ / "bin").string() + ":" + saved_[2].second).c_str(), 1);
    WriteFileBytes(tool_, "#!/bin/sh\n");
    ::chmod(tool_.c_str(), 0755);
  }
  void TearDown() override {
    for (const auto& [name, value] : saved_) ::setenv(name.c_str(), value.c_str(), 1);
  }

  // What a running user manager leaves in the runtime folder.
  void StartUserManager() {
    std::filesystem::create_directories(dir_ / "runtime" / "systemd");
    manager_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = (dir_ / "runtime" / "systemd" / "private").string();
    ASSERT_LT(path.size(), sizeof address.sun_path);
    path.copy(address.sun_path, path.size());
    ASSERT_EQ(::bind(manager_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  }

  int Schedule(const std::string& when, std::string* said) {
    std::FILE* out = std::tmpfile();
    const int status = ScheduleHandheld(when, handheld_, tool_, out);
    std::rewind(out);
    char buffer[4096];
    const std::size_t got = std::fread(buffer, 1, sizeof buffer, out);
    std::fclose(out);
    *said = std::string(buffer, got);
    return status;
  }

  std::filesystem::path Unit(const std::string& ending) {
    return SystemdUserFolder() / (TimerUnitName(handheld_) + ending);
  }

  TempDir dir_;
  // Every character a unit file would otherwise read as a quote, specifier or variable.
  std::filesystem::path handheld_ = dir_ / "hand \"held\" 100% $HOME";
  std::filesystem::path tool_ = dir_ / "velmora-device";
  std::vector<std::pair<std::string, std::string>> saved_;
  int manager_ = -1;
};

TEST_F(ScheduleTest, WithoutAUserManagerTheUnitsAreWrittenAndTheWayToEnableThemSaid) {
  std::string said;
  EXPECT_EQ(Schedule("hourly\nExecStartPre=/bin/false", &said), 2);
  EXPECT_EQ(Schedule("every full moon", &said), 2);  // systemd's own verdict
  EXPECT_FALSE(std::filesystem::exists(Unit(".timer")));

  ASSERT_EQ(Schedule("Mon..Fri 08..18:00", &said), 0) << said;
  EXPECT_THAT(said,
              HasSubstr("systemctl --user enable --now " + TimerUnitName(handheld_) + ".timer"));
  EXPECT_THAT(ReadFileBytes(Unit(".timer")), HasSubstr("\nOnCalendar=Mon..Fri 08..18:00\n"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "calls"));
  // systemd reads both units without a complaint, the quoted folder included.
  const auto verified = RunProgram(
      {"systemd-analyze", "verify", "--user", Unit(".timer").string(), Unit(".service").string()});
  if (verified) {
    EXPECT_EQ(verified->output, "");
  }
}

TEST_F(ScheduleTest, WithAUserManagerTheTimerIsEnabledAndUnscheduleRemovesIt) {
  StartUserManager();
  std::string said;
  ASSERT_EQ(Schedule("daily", &said), 0) << said;
  const std::string timer = TimerUnitName(handheld_) + ".timer";
  EXPECT_EQ(ReadFileBytes(dir_ / "calls"),
            "--user daemon-reload\n--user enable --now " + timer + "\n");

  // Another spelling of the same folder finds the same units.
  EXPECT_EQ(UnscheduleHandheld(handheld_ / ".", stdout), 0);
  EXPECT_FALSE(std::filesystem::exists(Unit(".timer")));
  EXPECT_FALSE(std::filesystem::exists(Unit(".service")));
  EXPECT_THAT(ReadFileBytes(dir_ / "calls"),
              HasSubstr("--user disable --now " + timer + "\n--user daemon-reload\n"));
  EXPECT_EQ(UnscheduleHandheld(handheld_, stdout), 0);  // nothing left to remove
  ::close(manager_);
}

}  // namespace
}  // namespace velmora::installer
