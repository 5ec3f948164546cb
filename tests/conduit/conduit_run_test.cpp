// Whole conduit runs through the emulated handheld on an SQLite custom database: every sync
// type, both desktop writers, the backups, the category line and the log.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "conduit/backups.h"
#include "conduit/csv_export.h"
#include "db/odbc_handles.h"
#include "db/statements.h"
#include "platform/text/utf.h"
#include "profile/profile_store.h"
#include "profile/sync_settings.h"
#include "tests/conduit/conduit_world.h"
#include "transfer/pdb_reader.h"

namespace velmora::testing {
namespace {

using ::testing::HasSubstr;

constexpr const char* kPeopleSql =
    "CREATE TABLE People (ID INTEGER PRIMARY KEY, FirstName VARCHAR(50), LastName VARCHAR(50),"
    " Company VARCHAR(80), Birthday DATE, Visits INTEGER);"
    "INSERT INTO People (FirstName, LastName, Company, Birthday, Visits) VALUES"
    " ('Seán', 'O''Brien', 'Harbourline', '1971-03-17', 3),"
    " ('Mia', 'Weber', 'Nordlicht, GmbH', NULL, 1);";

const std::vector<Mapping> kPeopleMappings = {{"F2", "FirstName", "SQL_CHAR"},
                                              {"F4", "LastName", "SQL_CHAR"},
                                              {"F8", "Company", "SQL_CHAR"},
                                              {"F45", "Birthday", "SQL_DATE"}};

class ConduitRunTest : public ::testing::Test {
 protected:
  void SetUp() override { people_ = world_.MakeSqliteDatabase("people.db", kPeopleSql); }

  long AddPeopleProfile(const std::string& name, int sync_type) {
    profile::ProfileRecord record;
    record.prof_name = name;
    record.db_type = profile::kAccessDatabase;
    record.db_path = people_.parent_path().string() + "/";
    record.db_dsn = people_.filename().string();
    record.sync_type = sync_type;
    record.sync_on = profile::kEveryTime;
    record.query = "SELECT * FROM \"People\"";
    record.table_name = "People";
    return world_.AddProfile(record, kPeopleMappings);
  }

  std::vector<std::string> People() {
    return SqliteRows(people_,
                      "SELECT FirstName, LastName, Company, Birthday FROM People ORDER BY ID");
  }

  std::vector<std::string> DeviceNames() {
    std::vector<std::string> names;
    for (const handheld::Contact& c : world_.DeviceContacts()) {
      names.push_back(c.fields[1] + " " + c.fields[3]);
    }
    return names;
  }

  ConduitWorld world_;
  std::filesystem::path people_;
};

TEST_F(ConduitRunTest, DesktopAddsToTheHandheld) {
  world_.SetDeviceContacts({MakeContact("Old", "Friend")});
  long id = AddPeopleProfile("To device", profile::kDesktopAddsDevice);
  ConduitRun run = world_.Run();
  ASSERT_EQ(run.ending, conduit::RunEnding::kSucceeded) << world_.LogText();
  EXPECT_EQ(run.messages, std::vector<std::string>{"Synchronization Completed Successfully"});
  EXPECT_EQ(DeviceNames(), (std::vector<std::string>{"Old Friend", "Seán O'Brien", "Mia Weber"}));
  EXPECT_EQ(world_.DeviceContacts()[1].fields[44], "1971-03-17");
  const std::string log = world_.LogText();
  EXPECT_THAT(log, HasSubstr("\r\nOpening profile \"To device\"\r\nSynchronization Type::Desktop "
                             "Append Pocket PC"));
  EXPECT_THAT(log, HasSubstr("\r\n\t\"Number of Map Columns: 4"));
  EXPECT_THAT(log, HasSubstr("\r\n\t LastName\t\t\tLast\t\t\t1"));
  EXPECT_THAT(log, HasSubstr("\r\n\t Category.css Transfered to Device"));
  EXPECT_THAT(log, HasSubstr("\r\n\t\"To device\" Transfered to Device"));
  EXPECT_THAT(log, HasSubstr("\r\n\t\"Device side Application Execute Successfully"));
  EXPECT_THAT(log,
              HasSubstr("Synchronization completed successfully.\r\n" + std::string(110, '=')));
  // The profile ran, so it is marked as synchronized at the time of the run.
  profile::ProfileRecord stored = world_.StoredProfile(id);
  EXPECT_EQ(stored.prof_status, 0);
  EXPECT_EQ(stored.last_sync_date_time, (profile::ProfileDateTime{2024, 3, 4, 12, 0, 0}));
  // The transfer file is gone once the handheld took it in.
  EXPECT_FALSE(
      std::filesystem::exists(world_.AppFolder() / world_.Owner() / "Update" / "To device.pdb"));
}

TEST_F(ConduitRunTest, SettingsSavedAfterTheListWasFilledAreTheOnesThatRun) {
  long id = AddPeopleProfile("To device", profile::kDesktopAddsDevice);
  world_.before_synchronize = [&] {
    const std::string query = "SELECT * FROM \"People\" WHERE LastName=''Weber''";
    ASSERT_TRUE(
        db::Succeeded(db::Execute(world_.ProfileDb(), "UPDATE DBProfile SET Query='" + query +
                                                          "' WHERE ProfID=" + std::to_string(id))));
  };
  ConduitRun run = world_.Run();
  ASSERT_EQ(run.ending, conduit::RunEnding::kSucceeded) << world_.LogText();
  EXPECT_EQ(DeviceNames(), std::vector<std::string>{"Mia Weber"});
}

TEST_F(ConduitRunTest, DesktopOverwritesTheHandheldAfterItsBackup) {
  world_.SetDeviceContacts({MakeContact("Old", "Friend"), MakeContact("Other", "Person")});
  AddPeopleProfile("Overwrite", profile::kDesktopOverwritesDevice);
  ConduitRun run = world_.Run(/*backup=*/true);
  ASSERT_EQ(run.ending, conduit::RunEnding::kSucceeded) << world_.LogText();
  ASSERT_EQ(run.messages.size(), 2u);
  EXPECT_THAT(run.messages[0], HasSubstr("Do you want to take the backup before Synchronizing ?"));
  EXPECT_EQ(DeviceNames(), (std::vector<std::string>{"Seán O'Brien", "Mia Weber"}));
  transfer::PdbReader backup;
  ASSERT_TRUE(backup.Open(conduit::DeviceBackupPath(world_.AppFolder())));
  EXPECT_EQ(backup.Header().name, "DeviceContactsBackup");
  ASSERT_EQ(backup.RecordCount(), 2);
  EXPECT_EQ(backup.ValueText(0, 3, transfer::TextForm::kFull), "Friend");
  EXPECT_THAT(world_.LogText(), HasSubstr("\r\n\r\n\tBackup is taken Successfully."));
}

TEST_F(ConduitRunTest, HandheldAddsToTheDesktopTableWithTheCursorWriter) {
  world_.SetDeviceContacts(
      {MakeContact("Ana", "D'Souza", "Acme", "1980-12-31"), MakeContact("Bo", "Li")});
  AddPeopleProfile("From device", profile::kDeviceAddsDesktop);
  ConduitRun run = world_.Run();
  ASSERT_EQ(run.ending, conduit::RunEnding::kSucceeded) << world_.LogText();
  EXPECT_EQ(People(), (std::vector<std::string>{"Seán|O'Brien|Harbourline|1971-03-17",
                                                "Mia|Weber|Nordlicht, GmbH|NULL",
                                                "Ana|D'Souza|Acme|1980-12-31", "Bo|Li|NULL|NULL"}));
  const std::string log = world_.LogText();
  EXPECT_THAT(log, HasSubstr("\r\n\tNumber of Records in PIM Database= 2"));
  EXPECT_THAT(log, HasSubstr("\r\n\tRecord # 1 Transfered Successfully"));
  EXPECT_THAT(log, HasSubstr("\r\n\tRecord # 2 Transfered Successfully"));
  // The rows as they were before the run are in the newest table backup.
  transfer::PdbReader backup;
  ASSERT_TRUE(
      backup.Open(conduit::CustomBackupPath(world_.AppFolder(), world_.Owner(), "From device", 1)));
  EXPECT_EQ(backup.RecordCount(), 2);
  EXPECT_THAT(log, HasSubstr("\r\n\tBackup taken at "));
}

TEST_F(ConduitRunTest, HandheldOverwritesTheDesktopTableWithEitherWriter) {
  for (bool statements : {false, true}) {
    SCOPED_TRACE(statements ? "statement writer" : "cursor writer");
    world_.SetDeviceContacts({MakeContact("Ana", "D'Souza", "Acme, Inc.", "1980-12-31")});
    long id =
        AddPeopleProfile(statements ? "Statements" : "Cursor", profile::kDeviceOverwritesDesktop);
    conduit::RunSettings settings;
    settings.force_statement_writer = statements;
    ConduitRun run = world_.Run(false, settings);
    ASSERT_EQ(run.ending, conduit::RunEnding::kSucceeded) << world_.LogText();
    // INSERT statements carry dates as month/day/year text, as FoxPro takes them.
    EXPECT_EQ(People(), std::vector<std::string>{statements ? "Ana|D'Souza|Acme, Inc.|12/31/1980"
                                                            : "Ana|D'Souza|Acme, Inc.|1980-12-31"});
    world_.MakeSqliteDatabase("people.db", "DELETE FROM People;");
    ASSERT_TRUE(profile::ProfileStore(world_.ProfileDb()).DeleteProfile(id));
  }
  EXPECT_THAT(world_.LogText(),
              HasSubstr("\r\n\tInsert Query: INSERT INTO People(FirstName,LastName,Company,"
                        "Birthday)VALUES('Ana','D''Souza','Acme, Inc.','12/31/1980')"));
}

TEST_F(ConduitRunTest, CsvExportByteForByte) {
  handheld::Contact only_last;
  only_last.fields[3] = "Smith, Jr.";
  handheld::Contact full = MakeContact("Ana", "Li", "Acme", "1980-12-31");
  full.fields[45] = "2005-06-20";
  world_.SetDeviceContacts({only_last, full});
  profile::ProfileRecord record;
  record.prof_name = "Export";
  record.db_type = profile::kNoDatabase;
  record.sync_type = profile::kExportCsv;
  record.query = " ";
  world_.AddProfile(record, {});
  ConduitRun run = world_.Run();
  ASSERT_EQ(run.ending, conduit::RunEnding::kSucceeded) << world_.LogText();
  auto blanks = [](int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += " ,";
    return s;
  };
  std::string expected = std::string(conduit::kCsvHeader) + "\r\n" + blanks(3) + "\"Smith, Jr.\"," +
                         blanks(40) + " , \r\n" + " ,Ana, ,Li," + blanks(3) + "Acme," + blanks(36) +
                         "12/31/1980,6/20/2005\r\n";
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : text::Utf8ToUtf16(expected)) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  EXPECT_EQ(ReadFileBytes(world_.AppFolder() / "ContactDatabase.csv"), bytes);
  EXPECT_THAT(world_.LogText(),
              HasSubstr("\r\n\tRecord# 1\r\n\tRecord# 2\r\n\tImported Successfully."));
}

// A value longer than the transfer files hold is cut, and every cut is in the log: to the
// handheld, into the table backup, and into the device contacts backup.
TEST_F(ConduitRunTest, EveryValueCutToFitATransferFileIsLogged) {
  world_.MakeSqliteDatabase("people.db",
                            "INSERT INTO People (FirstName, Company) VALUES ('Long', "
                            "printf('%.*c', 20000, 'x'));");
  // Tabs become five blanks in a contact PDB file, so a note the handheld holds whole is too
  // long for the device contacts backup.
  handheld::Contact wide = MakeContact("Tab", "Stop");
  wide.fields[43] = std::string(16000, '\t');
  struct Case {
    int sync_type;
    bool device_backup;
    const char* logged;
  } cases[] = {
      {profile::kDesktopAddsDevice, false,
       "\r\n\tValue cut: record 3, column \"Company\", 16382 of 20000 characters kept"},
      {profile::kDeviceAddsDesktop, false,
       "\r\n\tValue cut: record 3, column \"Company\", 16382 of 20000 characters kept"},
      {profile::kDesktopOverwritesDevice, true,
       "\r\n\tValue cut: record 1, column \"Notes\", 16382 of 80000 characters kept"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sync_type);
    std::filesystem::remove(world_.AppFolder() / "ContactConduitlog.log");
    world_.SetDeviceContacts({wide});
    long id = AddPeopleProfile("Long " + std::to_string(c.sync_type), c.sync_type);
    ASSERT_EQ(world_.Run(c.device_backup).ending, conduit::RunEnding::kSucceeded)
        << world_.LogText();
    EXPECT_THAT(world_.LogText(), HasSubstr(c.logged));
    ASSERT_TRUE(profile::ProfileStore(world_.ProfileDb()).DeleteProfile(id));
  }
}

TEST_F(ConduitRunTest, OwnerWhoseFirstProfileDoesNothingGetsNoWindow) {
  AddPeopleProfile("Nothing", profile::kDoNothing);
  AddPeopleProfile("To device", profile::kDesktopAddsDevice);
  ConduitRun run = world_.Run();
  EXPECT_EQ(run.start, conduit::StartUp::kNoWindow);
  EXPECT_FALSE(run.ending.has_value());
}

TEST_F(ConduitRunTest, CategoryLineTellsTheAgentWhichContactsAreTheProfiles) {
  ASSERT_TRUE(world_.AddCategory(7, "Business"));
  handheld::Contact business = MakeContact("Bea", "Boss");
  business.fields[39] = "Business";
  world_.SetDeviceContacts({MakeContact("Pri", "Vate"), business});
  long id = AddPeopleProfile("Business contacts", profile::kDesktopOverwritesDevice);
  ASSERT_EQ(world_.Run().ending, conduit::RunEnding::kSucceeded) << world_.LogText();
  // The profile is not bound yet: every contact was replaced.
  EXPECT_EQ(DeviceNames(), (std::vector<std::string>{"Seán O'Brien", "Mia Weber"}));

  world_.SetDeviceContacts({MakeContact("Pri", "Vate"), business});
  ASSERT_TRUE(db::Succeeded(db::Execute(
      world_.ProfileDb(), "update DBProfile set ID=7 where ProfID=" + std::to_string(id))));
  ASSERT_EQ(world_.Run().ending, conduit::RunEnding::kSucceeded) << world_.LogText();
  EXPECT_EQ(DeviceNames(), (std::vector<std::string>{"Pri Vate", "Seán O'Brien", "Mia Weber"}));
  EXPECT_EQ(world_.DeviceContacts()[1].fields[39], "Business");
  const std::string line =
      ReadFileBytes(world_.AppFolder() / world_.Owner() / "Update" / "category.css");
  EXPECT_EQ(line.size(), 2u * std::string("1:Business").size());
  EXPECT_EQ(line.substr(0, 4), std::string("1\0:\0", 4));
}

TEST_F(ConduitRunTest, TableBackupsKeepFourShiftedGenerations) {
  world_.SetDeviceContacts({MakeContact("A", "One"), MakeContact("B", "Two")});
  AddPeopleProfile("Grow", profile::kDeviceAddsDesktop);
  for (int i = 0; i < 5; ++i) {
    ASSERT_EQ(world_.Run().ending, conduit::RunEnding::kSucceeded) << world_.LogText();
  }
  // Runs saw 2, 4, 6, 8 and 10 rows before adding two more each time.
  for (int g = 1; g <= 4; ++g) {
    transfer::PdbReader backup;
    ASSERT_TRUE(
        backup.Open(conduit::CustomBackupPath(world_.AppFolder(), world_.Owner(), "Grow", g)));
    EXPECT_EQ(backup.RecordCount(), 12 - 2 * g) << "generation " << g;
  }
  EXPECT_FALSE(std::filesystem::exists(
      conduit::CustomBackupPath(world_.AppFolder(), world_.Owner(), "Grow", 5)));
}

TEST_F(ConduitRunTest, LogOfTwoRunsHoldsBothWithoutByteOrderMark) {
  AddPeopleProfile("To device", profile::kDesktopAddsDevice);
  ASSERT_EQ(world_.Run().ending, conduit::RunEnding::kSucceeded);
  const std::size_t first_size = world_.LogBytes().size();
  ASSERT_EQ(world_.Run().ending, conduit::RunEnding::kSucceeded);
  const std::string log = world_.LogText();
  EXPECT_GT(world_.LogBytes().size(), first_size);
  EXPECT_EQ(log.find("\xEF\xBB\xBF"), std::string::npos);  // U+FEFF
  std::size_t first = log.find("Contact conduit Started 3/4/2024 12:00:00");
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(log.find("Contact conduit Started 3/4/2024 12:00:00", first + 1), std::string::npos);
  EXPECT_TRUE(
      log.starts_with("\r\n----------------------\r\nBefore Sync : Start\r\nProfile "
                      "database connected"));
  EXPECT_THAT(log, HasSubstr("\r\nUser name : Ann Example\r\nProfile Query : "));
  EXPECT_THAT(log,
              HasSubstr("\r\nTotal Records in Profile database 1\r\n1 profile valid for Sync"));
}

TEST_F(ConduitRunTest, NamesNeverLeadOutOfTheApplicationFolder) {
  world_.SetDeviceContacts({MakeContact("A", "One")});
  AddPeopleProfile("../../x", profile::kDeviceAddsDesktop);
  ASSERT_EQ(world_.Run().ending, conduit::RunEnding::kSucceeded) << world_.LogText();
  EXPECT_TRUE(
      std::filesystem::exists(world_.AppFolder() / "Backup" / "Backup_1_Ann Example_.._.._x.pdb"));
  for (const auto& entry : std::filesystem::recursive_directory_iterator(world_.Root())) {
    EXPECT_NE(entry.path().filename(), "x.pdb") << entry.path();
  }
}

TEST_F(ConduitRunTest, ProfilesThatAreNotDueStayUnticked) {
  profile::ProfileRecord record;
  record.prof_name = "Daily";
  record.db_type = profile::kAccessDatabase;
  record.db_path = people_.parent_path().string() + "/";
  record.db_dsn = people_.filename().string();
  record.sync_type = profile::kDesktopAddsDevice;
  record.sync_on = profile::kOnceEveryDay;
  record.sync_time = profile::TimeOfDayOnDayZero(13, 0);
  record.last_sync_date_time = record.sync_time;
  record.query = "SELECT * FROM \"People\"";
  record.table_name = "People";
  long id = world_.AddProfile(record, kPeopleMappings);
  ConduitRun run = world_.Run();  // at 12:00, before the time of day
  ASSERT_EQ(run.rows.size(), 1u);
  EXPECT_FALSE(run.rows[0].ticked);
  EXPECT_EQ(run.rows[0].texts[1], "Daily");
  EXPECT_EQ(run.rows[0].texts[2], "File Path = " + record.db_path + "people.db");
  EXPECT_EQ(run.ending, conduit::RunEnding::kSucceeded);
  EXPECT_TRUE(world_.DeviceContacts().empty());
  EXPECT_EQ(world_.StoredProfile(id).prof_status, 1);  // not run, still new
}

}  // namespace
}  // namespace velmora::testing
