// The tavrill program itself in its unattended mode: exit status, the message lines on
// standard output, the registered "disconnect" start, and the refusal to start without an
// application folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>

#include "device/desktop_settings.h"
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

TEST_F(TavrillTest, DisconnectEndsAtOnce) {
  EXPECT_EQ(RunTavrill("disconnect").status, 0);
  EXPECT_EQ(RunTavrill("'\"DISCONNECT\"'").status, 0);
  EXPECT_FALSE(std::filesystem::exists(world_.AppFolder() / "ContactConduitlog.log"));
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
