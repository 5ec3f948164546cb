// A handheld that cannot do what it is asked, seen from a whole conduit run: an agent whose
// contacts store is damaged reports the failure and the run ends with its error ending, and a
// device folder linked out of the handheld leaves the files it points at untouched.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "device/device_agent.h"
#include "handheld/store/handheld_layout.h"
#include "profile/sync_settings.h"
#include "tests/conduit/conduit_world.h"

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

class HandheldFaultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    people_ = world_.MakeSqliteDatabase(
        "people.db",
        "CREATE TABLE People (ID INTEGER PRIMARY KEY, FirstName TEXT, LastName TEXT);"
        "INSERT INTO People (FirstName, LastName) VALUES ('Ann', 'Lee');");
  }

  void AddProfile(int sync_type) {
    profile::ProfileRecord record;
    record.prof_name = "Profile " + std::to_string(sync_type);
    record.db_type = profile::kAccessDatabase;
    record.db_path = people_.parent_path().string() + "/";
    record.db_dsn = "people.db";
    record.sync_type = sync_type;
    record.sync_on = profile::kEveryTime;
    record.query = "SELECT * FROM People";
    record.table_name = "People";
    world_.AddProfile(record, {{"F2", "FirstName", "SQL_CHAR"}, {"F4", "LastName", "SQL_CHAR"}});
  }

  ConduitWorld world_;
  fs::path people_;
};

TEST_F(HandheldFaultsTest, AnAgentThatFailsFailsTheRun) {
  for (const int type : {profile::kDesktopOverwritesDevice, profile::kExportCsv}) {
    AddProfile(type);
  }
  WriteFileBytes(handheld::ContactsFile(world_.Handheld()), std::string(4096, 'x'));
  const ConduitRun run = world_.Run();
  EXPECT_EQ(run.ending, conduit::RunEnding::kFailed);
  const std::string log = world_.LogText();
  EXPECT_THAT(log, HasSubstr(device::kAgentFailedText));
  EXPECT_THAT(log, Not(HasSubstr("Device side Application Execute Successfully")));
  EXPECT_FALSE(fs::exists(world_.AppFolder() / "ContactDatabase.csv"));
}

TEST_F(HandheldFaultsTest, ADeviceFolderLinkedElsewhereIsNeverWritten) {
  AddProfile(profile::kDesktopOverwritesDevice);
  AddProfile(profile::kExportCsv);
  const fs::path outside = world_.Root() / "elsewhere";
  fs::create_directories(outside);
  for (const char* leaf : {"test.pdb", "category.css", "Contact1.pim"}) {
    WriteFileBytes(outside / leaf, leaf);
  }
  const fs::path contact = handheld::FilesRoot(world_.Handheld()) / "My Documents" / "Contact";
  fs::remove_all(contact);
  fs::create_directory_symlink(outside, contact);
  const ConduitRun run = world_.Run();
  EXPECT_EQ(run.ending, conduit::RunEnding::kFailed);
  for (const char* leaf : {"test.pdb", "category.css", "Contact1.pim"}) {
    EXPECT_EQ(ReadFileBytes(outside / leaf), leaf) << leaf;
  }
}

}  // namespace
}  // namespace velmora::testing
