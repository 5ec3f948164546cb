// Conduit runs that go wrong through the emulated handheld's fault switches and a missing
// database: each ends with the error ending and the log opened, logs what failed, leaves the
// desktop data as it was and does not mark the failed profile as synchronized.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include "conduit/backups.h"
#include "profile/sync_settings.h"
#include "tests/conduit/conduit_world.h"

namespace velmora::testing {
namespace {

using ::testing::HasSubstr;

constexpr const char* kPeopleSql =
    "CREATE TABLE People (ID INTEGER PRIMARY KEY, FirstName VARCHAR(50), LastName VARCHAR(50));"
    "INSERT INTO People (FirstName, LastName) VALUES ('Seán', 'O''Brien'), ('Mia', 'Weber');";

const std::vector<Mapping> kMappings = {{"F2", "FirstName", "SQL_CHAR"},
                                        {"F4", "LastName", "SQL_CHAR"}};

constexpr const char* kErrorEnding =
    "An error occured while syncing, please see above log and verify your database contents "
    "using Desktop application.\r\nYou can view Backup data and can restore synced data from "
    "desktop application.\r\n\r\n";

class ConduitFailureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    people_ = world_.MakeSqliteDatabase("people.db", kPeopleSql);
    world_.SetDeviceContacts({MakeContact("Dev", "Ice"), MakeContact("Hand", "Held")});
  }

  long AddProfile(const std::string& name, int sync_type, const std::string& file = "people.db") {
    profile::ProfileRecord record;
    record.prof_name = name;
    record.db_type = profile::kAccessDatabase;
    record.db_path = people_.parent_path().string() + "/";
    record.db_dsn = file;
    record.sync_type = sync_type;
    record.query = "SELECT * FROM \"People\"";
    record.table_name = "People";
    return world_.AddProfile(record, kMappings);
  }

  std::vector<std::string> People() {
    return SqliteRows(people_, "SELECT FirstName, LastName FROM People ORDER BY ID");
  }

  // The error ending, and nothing changed on the desktop or in the profile.
  void ExpectErrorEnding(const ConduitRun& run, long prof_id) {
    EXPECT_EQ(run.ending, conduit::RunEnding::kFailed);
    EXPECT_TRUE(run.opened_log);
    EXPECT_THAT(
        run.messages,
        ::testing::Not(::testing::Contains(std::string("Synchronization Completed Successfully"))));
    const std::string log = world_.LogText();
    EXPECT_THAT(log, HasSubstr(std::string(kErrorEnding) + "\r\n" + std::string(110, '=')));
    EXPECT_THAT(log, ::testing::Not(HasSubstr("Synchronization completed successfully.")));
    EXPECT_EQ(People(), kOriginalPeople);
    profile::ProfileRecord stored = world_.StoredProfile(prof_id);
    EXPECT_EQ(stored.prof_status, 1);
    EXPECT_EQ(stored.last_sync_date_time.year, 1899);
  }

  const std::vector<std::string> kOriginalPeople = {"Seán|O'Brien", "Mia|Weber"};
  ConduitWorld world_;
  std::filesystem::path people_;
};

TEST_F(ConduitFailureTest, UnpluggedWhileTheExportIsCopied) {
  long id = AddProfile("Overwrite desktop", profile::kDeviceOverwritesDesktop);
  // Enough for the category line, not for the export.
  world_.SetFault("unplug-after-bytes", "20");
  ConduitRun run = world_.Run();
  ExpectErrorEnding(run, id);
  EXPECT_THAT(world_.LogText(),
              HasSubstr("\r\n\tFail to Copy PIM  database from Device to Desktop"));
}

TEST_F(ConduitFailureTest, UnpluggedWhileTheTransferFileIsCopied) {
  long id = AddProfile("To device", profile::kDesktopAddsDevice);
  world_.SetFault("unplug-after-bytes", "100");
  ConduitRun run = world_.Run();
  ExpectErrorEnding(run, id);
  EXPECT_THAT(world_.LogText(), HasSubstr("\r\n\t\"To device\" Not Transfered"));
  // The transfer file stays on the desktop for another try.
  EXPECT_TRUE(
      std::filesystem::exists(world_.AppFolder() / world_.Owner() / "Update" / "To device.pdb"));
}

TEST_F(ConduitFailureTest, AgentMissing) {
  long id = AddProfile("Overwrite desktop", profile::kDeviceOverwritesDesktop);
  world_.SetFault("agent-missing");
  ConduitRun run = world_.Run();
  ExpectErrorEnding(run, id);
  const std::string log = world_.LogText();
  EXPECT_THAT(log, HasSubstr("\r\n\t\"Problem in invoking device side application"));
  EXPECT_THAT(log, HasSubstr("\r\n\tProblem in executing device side Application"));
}

TEST_F(ConduitFailureTest, AgentHangsUntilTheTimeOut) {
  long id = AddProfile("Add to desktop", profile::kDeviceAddsDesktop);
  world_.SetFault("agent-hangs");
  world_.SetAgentTimeoutSeconds(1);
  ConduitRun run = world_.Run();
  ExpectErrorEnding(run, id);
  const std::string log = world_.LogText();
  EXPECT_THAT(log, HasSubstr("\r\n\t\"Device side Application did not finish in time"));
  EXPECT_THAT(log, ::testing::Not(HasSubstr("PIM Database Opened.")));
}

TEST_F(ConduitFailureTest, HandheldDiskFull) {
  long id = AddProfile("To device", profile::kDesktopAddsDevice);
  world_.SetFault("disk-full");
  ConduitRun run = world_.Run();
  ExpectErrorEnding(run, id);
  EXPECT_THAT(world_.LogText(), HasSubstr("\r\n\t\"To device\" Not Transfered"));
  EXPECT_EQ(world_.DeviceContacts().size(), 2u);
}

TEST_F(ConduitFailureTest, MissingDatabaseFailsOnlyItsOwnProfile) {
  long missing = AddProfile("Missing", profile::kDesktopAddsDevice, "nowhere.db");
  long good = AddProfile("Good", profile::kDesktopAddsDevice);
  ConduitRun run = world_.Run();
  ExpectErrorEnding(run, missing);
  EXPECT_THAT(world_.LogText(),
              HasSubstr("\r\n\tConnecting to Custom Database " + people_.parent_path().string() +
                        "/nowhere.db\r\n\tFail to Connect Custom Database"));
  // The profile that went through is marked; the failed one stays due.
  EXPECT_EQ(world_.StoredProfile(good).prof_status, 0);
  EXPECT_EQ(world_.DeviceContacts().size(), 4u);
}

TEST_F(ConduitFailureTest, FailedDeviceBackupKeepsThePreviousOne) {
  long id = AddProfile("Overwrite device", profile::kDesktopOverwritesDevice);
  const auto backup = conduit::DeviceBackupPath(world_.AppFolder());
  WriteFileBytes(backup, "previous backup");
  world_.SetFault("agent-missing");
  ConduitRun run = world_.Run(/*backup=*/true);
  ExpectErrorEnding(run, id);
  EXPECT_EQ(ReadFileBytes(backup), "previous backup");
  EXPECT_THAT(world_.LogText(), HasSubstr("\r\n\r\n\tError while creating Backup PDB."));
  EXPECT_EQ(world_.DeviceContacts().size(), 2u);
}

TEST_F(ConduitFailureTest, TransferFileThatCannotBeMadeIsReported) {
  // Situations that hold for root too; the run reports each, nothing throws.
  struct Case {
    const char* what;
    const char* file_in_the_way;  // below the owner's work folder; null: none
    std::string prof_name;
  };
  const Case cases[] = {
      {"a file where the work folder must be", "", "To device"},
      {"a file where the Update folder must be", "Update", "To device"},
      {"a path over the system's length limit", nullptr, std::string(4200, 'n')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ConduitWorld world;
    world.MakeSqliteDatabase("people.db", kPeopleSql);
    profile::ProfileRecord record;
    record.prof_name = c.prof_name;
    record.db_type = profile::kAccessDatabase;
    record.db_path = (world.Root() / "data").string() + "/";
    record.db_dsn = "people.db";
    record.sync_type = profile::kDesktopAddsDevice;
    record.query = "SELECT * FROM \"People\"";
    record.table_name = "People";
    world.AddProfile(record, kMappings);
    if (c.file_in_the_way != nullptr) {
      const std::filesystem::path file = world.AppFolder() / world.Owner() / c.file_in_the_way;
      const std::filesystem::path plain = file.filename().empty() ? file.parent_path() : file;
      std::filesystem::remove_all(plain);
      std::filesystem::create_directories(plain.parent_path());
      WriteFileBytes(plain, "not a folder");
      ASSERT_TRUE(std::filesystem::is_regular_file(plain));
    }

    ConduitRun run = world.Run();
    EXPECT_EQ(run.ending, conduit::RunEnding::kFailed);
    EXPECT_TRUE(run.opened_log);
    const std::string log = world.LogText();
    EXPECT_THAT(log, HasSubstr("\r\n\t Erorr Creating PDB : "));
    EXPECT_THAT(log, HasSubstr("\r\n\t\"Problem in Generating the PDB"));
    EXPECT_TRUE(world.DeviceContacts().empty());
  }
}

TEST_F(ConduitFailureTest, DeviceBackupThatCannotBeMadeStopsTheOverwritingProfiles) {
  long overwrite = AddProfile("Overwrite device", profile::kDesktopOverwritesDevice);
  long add = AddProfile("Add to device", profile::kDesktopAddsDevice);
  std::filesystem::create_directories(conduit::DeviceBackupPath(world_.AppFolder()));
  ConduitRun run = world_.Run(/*backup=*/true);
  ExpectErrorEnding(run, overwrite);
  const std::string log = world_.LogText();
  EXPECT_THAT(log, HasSubstr("\r\n\r\n\tError while creating Backup PDB."));
  // Found before the handheld was asked for its contacts.
  EXPECT_THAT(log, ::testing::Not(HasSubstr("Taking Backup of Pocket Contacts..")));
  EXPECT_THAT(log, HasSubstr("\r\n\t\"Overwrite device\" Not run: without the backup"));
  // The handheld keeps its contacts; the profile that only adds still ran.
  std::vector<handheld::Contact> contacts = world_.DeviceContacts();
  ASSERT_EQ(contacts.size(), 4u);
  EXPECT_EQ(contacts[0].fields[1], "Dev");
  EXPECT_EQ(world_.StoredProfile(add).prof_status, 0);
}

TEST_F(ConduitFailureTest, FailureThatNoStepCaughtEndsTheRunWithTheErrorEnding) {
  long id = AddProfile("To device", profile::kDesktopAddsDevice);
  world_.on_status = [](std::string_view text) {
    if (text == "Connecting to Custom Database...") throw std::runtime_error("status line gone");
  };
  ConduitRun run = world_.Run();
  ExpectErrorEnding(run, id);
  EXPECT_THAT(world_.LogText(),
              HasSubstr("\r\n\tThe run stopped on an unexpected failure: status line gone"));
}

}  // namespace
}  // namespace velmora::testing
