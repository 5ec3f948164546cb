// Conduit runs that go wrong through the emulated handheld's fault switches and a missing
// database: each ends with the error ending and the log opened, logs what failed, leaves the
// desktop data as it was and does not mark the failed profile as synchronized.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <cstdio>

#include <stdexcept>

#include "conduit/backups.h"
#include "profile/profile_store.h"
#include "profile/sync_settings.h"
#include "tests/conduit/conduit_world.h"
#include "transfer/pdb_reader.h"

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

  long AddProfile(const std::string& name, int sync_type, const std::string& file = "people.db",
                  const std::string& query = "SELECT * FROM \"People\"",
                  const std::vector<Mapping>& mappings = kMappings) {
    profile::ProfileRecord record;
    record.prof_name = name;
    record.db_type = profile::kAccessDatabase;
    record.db_path = people_.parent_path().string() + "/";
    record.db_dsn = file;
    record.sync_type = sync_type;
    record.query = query;
    record.table_name = "People";
    return world_.AddProfile(record, mappings);
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

// An owner name longer than the link reports is cut; the log says so and under which name the
// profiles were looked up, since a longer owner's profiles are then not found.
TEST(ConduitOwnerNameTest, ACutOwnerNameIsLogged) {
  const std::string owner = "Annabel Konstantinopoulou-Featherstonehaugh";
  ConduitWorld world(owner);
  world.Run();
  EXPECT_THAT(world.LogText(), HasSubstr("\r\nOwner name \"" + owner +
                                         "\" is longer than 34 bytes; its profiles are looked "
                                         "up as \"" +
                                         owner.substr(0, 34) + "\""));
}

// A type-3 run deletes nothing unless its query ran and the whole table is in a backup on disk.
TEST_F(ConduitFailureTest, OverwriteDeletesNothingWithoutItsQueryOrItsBackup) {
  struct Case {
    const char* what;
    const char* query;
    bool block_backup;
    const char* logged;
  } cases[] = {
      {"query fails", "SELECT * FROM \"People\" WHERE NoSuchColumn = 1", false,
       "\r\n\tNo record deleted or added: the profile query did not run."},
      {"backup cannot be written", "SELECT * FROM \"People\"", true,
       "\r\n\tFail to take custom desktop database Backup."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string name = std::string("Overwrite ") + (c.block_backup ? "b" : "q");
    long id = AddProfile(name, profile::kDeviceOverwritesDesktop, "people.db", c.query);
    // A folder where the new backup file must go.
    const auto newest = conduit::CustomBackupPath(world_.AppFolder(), world_.Owner(), name, 1);
    if (c.block_backup) std::filesystem::create_directories(newest.string() + ".new/x");
    ConduitRun run = world_.Run();
    ExpectErrorEnding(run, id);
    EXPECT_THAT(world_.LogText(), HasSubstr(c.logged));
    EXPECT_FALSE(std::filesystem::exists(newest));
  }
}

// The backup before an overwrite holds the whole table, also when the query selects a part.
TEST_F(ConduitFailureTest, OverwriteThroughAFilteredQueryBacksUpEveryRow) {
  AddProfile("Filtered", profile::kDeviceOverwritesDesktop, "people.db",
             "SELECT FirstName FROM People WHERE LastName = 'Weber'");
  ConduitRun run = world_.Run();
  ASSERT_EQ(run.ending, conduit::RunEnding::kSucceeded) << world_.LogText();
  EXPECT_EQ(People(), (std::vector<std::string>{"Dev|Ice", "Hand|Held"}));
  transfer::PdbReader backup;
  ASSERT_TRUE(
      backup.Open(conduit::CustomBackupPath(world_.AppFolder(), world_.Owner(), "Filtered", 1)));
  ASSERT_EQ(backup.RecordCount(), 2);
  EXPECT_EQ(backup.ColumnCount(), 3);
  EXPECT_EQ(backup.ValueText(0, 2, transfer::TextForm::kFull), "O'Brien");
}

// A statement that fails inside the run's transaction in a way that cannot be undone alone (the
// database ends the transaction itself, as SQLite does when its disk is full) stops the writing:
// the table keeps its old rows, never old and new ones together.
TEST_F(ConduitFailureTest, AFailureThatEndsTheTransactionLeavesTheOldRows) {
  world_.SetDeviceContacts(
      {MakeContact("One", "New"), MakeContact("Two", "New"), MakeContact("Three", "New")});
  struct Case {
    const char* what;
    const char* trigger;
  } cases[] = {
      {"second insert",
       "CREATE TRIGGER full BEFORE INSERT ON People WHEN (SELECT count(*) FROM "
       "People) >= 1 BEGIN SELECT RAISE(ROLLBACK, 'database or disk is full'); "
       "END;"},
      {"delete",
       "CREATE TRIGGER full BEFORE DELETE ON People BEGIN SELECT RAISE(ROLLBACK, "
       "'database or disk is full'); END;"},
  };
  for (const Case& c : cases) {
    for (bool statements : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (statements ? ", statement writer" : ", cursor writer"));
      world_.MakeSqliteDatabase("people.db",
                                std::string("DROP TRIGGER IF EXISTS full;") + c.trigger);
      long id = AddProfile(std::string(c.what) + (statements ? " s" : " c"),
                           profile::kDeviceOverwritesDesktop);
      conduit::RunSettings settings;
      settings.force_statement_writer = statements;
      ConduitRun run = world_.Run(false, settings);
      ExpectErrorEnding(run, id);
      EXPECT_THAT(world_.LogText(), HasSubstr("\r\n\tWriting stopped: the changes to People were "
                                              "rolled back."));
      ASSERT_TRUE(profile::ProfileStore(world_.ProfileDb()).DeleteProfile(id));
    }
  }
}

// The same on a real full disk: a small tmpfs holds the table (mounted only where the test may
// mount, as root; skipped otherwise).
TEST_F(ConduitFailureTest, AFullDiskDuringAnOverwriteLeavesTheOldRows) {
  const std::filesystem::path disk = people_.parent_path() / "disk";
  std::filesystem::create_directories(disk);
  if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=256k") != 0) {
    GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
  }
  struct Unmount {
    std::filesystem::path at;
    ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
  } unmount{disk};
  std::filesystem::copy_file(people_, disk / "people.db");
  // A small page cache stored in the file, so that SQLite writes to the disk while the rows go
  // in rather than only when they are committed.
  world_.MakeSqliteDatabase("disk/people.db", "PRAGMA default_cache_size = 8;");
  // Fills the disk, then frees room for the journal of the delete but not for the new rows.
  const auto fill_disk = [&] {
    std::FILE* filler = std::fopen((disk / "filler").c_str(), "wb");
    ASSERT_NE(filler, nullptr);
    const std::string block(4096, 'f');
    while (std::fwrite(block.data(), 1, block.size(), filler) == block.size()) {
    }
    std::fclose(filler);
    std::filesystem::resize_file(disk / "filler",
                                 std::filesystem::file_size(disk / "filler") - 24 * 1024);
  };
  std::vector<handheld::Contact> contacts;
  for (int i = 0; i < 60; ++i) contacts.push_back(MakeContact(std::string(2000, 'n'), "New"));
  world_.SetDeviceContacts(contacts);
  for (bool statements : {false, true}) {
    SCOPED_TRACE(statements ? "statement writer" : "cursor writer");
    profile::ProfileRecord record;
    record.prof_name = statements ? "Full s" : "Full c";
    record.db_type = profile::kAccessDatabase;
    record.db_path = disk.string() + "/";
    record.db_dsn = "people.db";
    record.sync_type = profile::kDeviceOverwritesDesktop;
    record.query = "SELECT * FROM People";
    const long id = world_.AddProfile(record, kMappings);
    conduit::RunSettings settings;
    settings.force_statement_writer = statements;
    fill_disk();
    const ConduitRun run = world_.Run(false, settings);
    EXPECT_EQ(run.ending, conduit::RunEnding::kFailed) << world_.LogText();
    // Read with room on the disk again, as a user would after freeing some; the first writer
    // to open the file finishes SQLite's own rollback.
    std::filesystem::remove(disk / "filler");
    world_.MakeSqliteDatabase("disk/people.db", "SELECT count(*) FROM People;");
    EXPECT_EQ(SqliteRows(disk / "people.db", "SELECT FirstName, LastName FROM People ORDER BY ID"),
              kOriginalPeople);
    EXPECT_THAT(world_.LogText(),
                HasSubstr("\r\n\tWriting stopped: the changes to People were rolled back."));
    ASSERT_TRUE(profile::ProfileStore(world_.ProfileDb()).DeleteProfile(id));
  }
}

// A damaged export is taken in by no sync type: the table, the CSV file and the backups stay.
TEST_F(ConduitFailureTest, ADamagedExportChangesNothing) {
  const std::string one_record = [] {
    std::string bytes = "\x01\x00\x08\x00\x00\x00\x09\x00";
    return bytes + "\x02\x06\x00A\x00\x00\x00";  // First = "A"
  }();
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"empty file", ""},
      {"count past the format's limit", std::string("\xFF\xFF") + one_record.substr(2)},
      {"count of 200 over one record",
       std::string("\xC8\x00") + one_record.substr(2) + std::string(1200, '\0')},
      {"cut short", one_record.substr(0, 10)},
  };
  const std::filesystem::path csv = world_.AppFolder() / "ContactDatabase.csv";
  WriteFileBytes(csv, "good export");
  const std::filesystem::path damaged = world_.Root() / "damaged.pim";
  for (const Case& c : cases) {
    for (int sync_type :
         {profile::kDeviceAddsDesktop, profile::kDeviceOverwritesDesktop, profile::kExportCsv}) {
      SCOPED_TRACE(std::string(c.what) + ", sync type " + std::to_string(sync_type));
      WriteFileBytes(damaged, c.bytes);
      world_.SetFault("export-file", damaged.string());
      const std::string name = "Damaged " + std::to_string(sync_type);
      long id = AddProfile(name, sync_type);
      ConduitRun run = world_.Run();
      ExpectErrorEnding(run, id);
      EXPECT_THAT(world_.LogText(), HasSubstr("\r\n\tThe PIM database is damaged: "));
      EXPECT_EQ(ReadFileBytes(csv), "good export");
      EXPECT_FALSE(std::filesystem::exists(
          conduit::CustomBackupPath(world_.AppFolder(), world_.Owner(), name, 1)));
      ASSERT_TRUE(profile::ProfileStore(world_.ProfileDb()).DeleteProfile(id));
    }
  }
}

// Nor does the device contacts backup take in a damaged export: the previous backup stays.
TEST_F(ConduitFailureTest, ADamagedExportLeavesTheDeviceBackup) {
  const auto backup = conduit::DeviceBackupPath(world_.AppFolder());
  WriteFileBytes(backup, "previous backup");
  WriteFileBytes(world_.Root() / "damaged.pim", std::string("\xC8\x00", 2));
  world_.SetFault("export-file", (world_.Root() / "damaged.pim").string());
  AddProfile("Overwrite device", profile::kDesktopOverwritesDevice);
  world_.Run(/*backup=*/true);
  EXPECT_EQ(ReadFileBytes(backup), "previous backup");
  EXPECT_THAT(world_.LogText(), HasSubstr("\r\n\tThe PIM database is damaged: "));
}

TEST_F(ConduitFailureTest, AnUnknownSyncTypeFailsItsProfile) {
  for (int sync_type : {99, -1}) {
    long id = AddProfile("Unknown " + std::to_string(sync_type), sync_type);
    ConduitRun run = world_.Run();
    ExpectErrorEnding(run, id);
    EXPECT_THAT(world_.LogText(),
                HasSubstr("\r\n\tUnknown Synchronization Type " + std::to_string(sync_type)));
    ASSERT_TRUE(profile::ProfileStore(world_.ProfileDb()).DeleteProfile(id));
  }
}

// Mapped names match the table's columns whether stored bare or in double quotes; a name that
// matches none is logged, and a mapping that matches nothing writes nothing.
TEST_F(ConduitFailureTest, OnlyMappedColumnsThatTheTableHasAreWritten) {
  long quoted =
      AddProfile("Quoted", profile::kDeviceAddsDesktop, "people.db", "SELECT * FROM People",
                 {{"F2", "\"FirstName\"", "SQL_CHAR"}, {"F4", "Gone", "SQL_CHAR"}});
  ConduitRun run = world_.Run();
  EXPECT_EQ(run.ending, conduit::RunEnding::kSucceeded) << world_.LogText();
  EXPECT_EQ(People(),
            (std::vector<std::string>{"Seán|O'Brien", "Mia|Weber", "Dev|NULL", "Hand|NULL"}));
  EXPECT_THAT(world_.LogText(),
              HasSubstr("\r\n\tColumn left out: \"Gone\" (the table has no such column)"));
  ASSERT_TRUE(profile::ProfileStore(world_.ProfileDb()).DeleteProfile(quoted));
  world_.MakeSqliteDatabase("people.db", "DELETE FROM People WHERE ID > 2;");
  std::filesystem::remove(world_.AppFolder() / "ContactConduitlog.log");

  for (const std::vector<Mapping>& mappings :
       {std::vector<Mapping>{{"F2", "Gone", "SQL_CHAR"}}, std::vector<Mapping>{}}) {
    long id = AddProfile("Unmatched", profile::kDeviceOverwritesDesktop, "people.db",
                         "SELECT * FROM People", mappings);
    ExpectErrorEnding(world_.Run(), id);
    EXPECT_THAT(world_.LogText(), HasSubstr(": nothing is written."));
    ASSERT_TRUE(profile::ProfileStore(world_.ProfileDb()).DeleteProfile(id));
  }
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
