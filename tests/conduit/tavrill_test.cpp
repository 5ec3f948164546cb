// The tavrill program itself in its unattended mode: exit status, the message lines on
// standard output, the device backup it takes unless told not to, the registered "disconnect"
// start (also reaching a window that is open), and the refusal to start without an application
// folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>
#include <utility>

#include "device/desktop_settings.h"
#include "handheld/store/attachment.h"
#include "platform/registry/registry.h"
#include "profile/sync_settings.h"
#include "tests/conduit/conduit_world.h"

namespace velmora::testing {
namespace {

struct Outcome {
  int status = -1;
  std::string out;
};

Outcome RunTavrill(const std::string& arguments) {
  Outcome outcome;
  const std::string command = (BuildDir() / "bin" / "tavrill").string() + " " + arguments;
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return outcome;
  char buffer[4096];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) outcome.out.append(buffer, got);
  int status = ::pclose(pipe);
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

class TavrillTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto people = world_.MakeSqliteDatabase(
        "people.db",
        "CREATE TABLE People (ID INTEGER PRIMARY KEY, FirstName TEXT, LastName TEXT);"
        "INSERT INTO People (FirstName, LastName) VALUES ('Seán', 'O''Brien');");
    profile::ProfileRecord record;
    record.prof_name = "Overwrite device";
    record.db_type = profile::kAccessDatabase;
    record.db_path = people.parent_path().string() + "/";
    record.db_dsn = "people.db";
    record.sync_type = profile::kDesktopOverwritesDevice;
    record.query = "SELECT * FROM People";
    record.table_name = "People";
    world_.AddProfile(record, {{"F2", "FirstName", "SQL_CHAR"}, {"F4", "LastName", "SQL_CHAR"}});
    world_.SetDeviceContacts({MakeContact("Old", "Friend")});
  }
  ConduitWorld world_;
};

TEST_F(TavrillTest, UnattendedRunPrintsEachMessageOnALine) {
  Outcome run = RunTavrill("--unattended --backup yes");
  EXPECT_EQ(run.status, 0) << world_.LogText();
  EXPECT_EQ(run.out,
            "This Process may overwrite your Pocket PC Contacts. Do you want to take the backup "
            "before Synchronizing ?\nSynchronization Completed Successfully\n");
  ASSERT_EQ(world_.DeviceContacts().size(), 1u);
  EXPECT_EQ(world_.DeviceContacts()[0].fields[3], "O'Brien");
  EXPECT_TRUE(std::filesystem::exists(world_.AppFolder() / "DeviceContactsBackup.pdb"));
}

TEST_F(TavrillTest, UnattendedRunThatFailsExitsWithOne) {
  world_.SetFault("agent-missing");
  Outcome run = RunTavrill("--unattended");
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(world_.LogText(), ::testing::HasSubstr("An error occured while syncing"));
}

TEST_F(TavrillTest, UnattendedRunOnADamagedProfileDatabaseSaysWhereToLook) {
  WriteFileBytes(world_.AppFolder() / "Orvendel.mdb", "");
  Outcome run = RunTavrill("--unattended 2>&1");
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.out, ::testing::HasSubstr("ContactConduitlog.log"));
}

TEST_F(TavrillTest, DisconnectEndsAtOnce) {
  EXPECT_EQ(RunTavrill("disconnect").status, 0);
  EXPECT_EQ(RunTavrill("'\"DISCONNECT\"'").status, 0);
  EXPECT_FALSE(std::filesystem::exists(world_.AppFolder() / "ContactConduitlog.log"));
}

TEST_F(TavrillTest, UnattendedBacksUpTheHandheldUnlessToldNot) {
  const std::filesystem::path backup = world_.AppFolder() / "DeviceContactsBackup.pdb";
  const std::vector<std::pair<std::string, bool>> cases = {{"--unattended", true},
                                                           {"--unattended --backup no", false}};
  for (const auto& [arguments, backed_up] : cases) {
    SCOPED_TRACE(arguments);
    std::filesystem::remove(backup);
    EXPECT_EQ(RunTavrill(arguments).status, 0) << world_.LogText();
    EXPECT_EQ(std::filesystem::exists(backup), backed_up);
  }
}

// True once the conduit log holds `text`; waits up to 20 seconds.
bool WaitForLog(const ConduitWorld& world, const std::string& text) {
  for (int i = 0; i < 200; ++i) {
    if (world.LogText().find(text) != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

TEST_F(TavrillTest, DisconnectReachesTheOpenWindow) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  const std::string program = (BuildDir() / "bin" / "tavrill").string();
  const pid_t window = ::fork();
  if (window == 0) {
    ::execl(program.c_str(), program.c_str(), "connect", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ASSERT_GT(window, 0);
  const bool listed = WaitForLog(world_, "\r\nUser name : " + world_.Owner());
  ASSERT_TRUE(handheld::DetachHandheld());
  EXPECT_EQ(RunTavrill("disconnect").status, 0);
  // The window asked the handheld for its owner again, found none and emptied its list.
  const bool emptied = WaitForLog(world_, "\r\nUser name : \r\nBefore Sync : End");
  ::kill(window, SIGTERM);
  ::waitpid(window, nullptr, 0);
  EXPECT_TRUE(listed);
  EXPECT_TRUE(emptied) << world_.LogText();
}

TEST_F(TavrillTest, CannotStartWithoutApplicationFolder) {
  ASSERT_TRUE(registry::DeleteValue(registry::Hive::kCurrentUser, device::kAppKey, "AppPath"));
  EXPECT_EQ(RunTavrill("--unattended").status, 2);
  EXPECT_EQ(RunTavrill("--bogus").status, 2);
  Outcome help = RunTavrill("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_THAT(help.out, ::testing::HasSubstr("--unattended"));
}

}  // namespace
}  // namespace velmora::testing
