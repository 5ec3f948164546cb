// Whole conduit runs through the emulated handheld on every kind of desktop data source that
// the file stager and the MariaDB driver serve: an Excel workbook and a CSV folder to the
// handheld, a dBase folder both ways (read back with shapelib), and a MariaDB data source with
// bare identifiers in each sync type. One binary, so that its tests share one MariaDB server.
#include <shapefil.h>

#include <gtest/gtest.h>

#include <sstream>

#include "profile/sync_settings.h"
#include "tests/conduit/conduit_world.h"
#include "tests/support/mariadb_server.h"

namespace velmora::testing {
namespace {

using Rows = std::vector<std::vector<std::string>>;

const std::vector<Mapping> kNameMappings = {{"F2", "FirstName", "SQL_CHAR"},
                                            {"F4", "LastName", "SQL_CHAR"}};
const std::vector<Mapping> kDbfMappings = {{"F2", "FIRSTNAME", "SQL_CHAR"},
                                           {"F4", "LASTNAME", "SQL_CHAR"},
                                           {"F45", "BIRTHDAY", "SQL_DATE"}};

void WriteContactsDbf(const std::filesystem::path& file, const Rows& rows) {
  DBFHandle dbf = DBFCreate(file.c_str());
  ASSERT_NE(dbf, nullptr);
  ASSERT_GE(DBFAddNativeFieldType(dbf, "FIRSTNAME", 'C', 20, 0), 0);
  ASSERT_GE(DBFAddNativeFieldType(dbf, "LASTNAME", 'C', 20, 0), 0);
  ASSERT_GE(DBFAddNativeFieldType(dbf, "BIRTHDAY", 'D', 8, 0), 0);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t f = 0; f < rows[r].size(); ++f) {
      DBFWriteAttributeDirectly(dbf, static_cast<int>(r), static_cast<int>(f),
                                const_cast<char*>(rows[r][f].c_str()));
    }
  }
  DBFClose(dbf);
}

Rows ReadDbf(const std::filesystem::path& file) {
  Rows rows;
  DBFHandle dbf = DBFOpen(file.c_str(), "rb");
  if (dbf == nullptr) {
    ADD_FAILURE() << "shapelib cannot open " << file;
    return rows;
  }
  for (int r = 0; r < DBFGetRecordCount(dbf); ++r) {
    if (DBFIsRecordDeleted(dbf, r)) continue;
    rows.emplace_back();
    for (int f = 0; f < DBFGetFieldCount(dbf); ++f) {
      rows.back().push_back(DBFReadStringAttribute(dbf, r, f));
    }
  }
  DBFClose(dbf);
  return rows;
}

class ConduitKindsTest : public ::testing::Test {
 protected:
  ConduitKindsTest() : data_(world_.Root() / "data") { std::filesystem::create_directories(data_); }

  // A file profile as the wizard stores it: DBPath the folder with "/", DBDSN the file name.
  long AddFileProfile(int db_type, const std::string& file_name, const std::string& table,
                      int connection_type, int sync_type, const std::vector<Mapping>& mappings) {
    profile::ProfileRecord record;
    record.prof_name = "Profile " + file_name + " " + std::to_string(sync_type);
    record.db_type = db_type;
    record.db_path = data_.string() + "/";
    record.db_dsn = file_name;
    record.sync_type = sync_type;
    record.sync_on = profile::kEveryTime;
    record.query = "SELECT * FROM \"" + table + "\"";
    record.table_name = table;
    record.connection_type = connection_type;
    return world_.AddProfile(record, mappings);
  }

  std::vector<std::string> DeviceNames() {
    std::vector<std::string> names;
    for (const handheld::Contact& c : world_.DeviceContacts()) {
      names.push_back(c.fields[1] + " " + c.fields[3]);
    }
    return names;
  }

  ConduitWorld world_;
  std::filesystem::path data_;
};

TEST_F(ConduitKindsTest, AnExcelWorksheetGoesToTheHandheld) {
  std::filesystem::copy_file(std::filesystem::path(VELMORA_FIXTURES_DIR) / "contacts.xls",
                             data_ / "contacts.xls");
  AddFileProfile(2, "contacts.xls", "Contacts$", 1, profile::kDesktopAddsDevice, kNameMappings);
  ConduitRun run = world_.Run();
  ASSERT_EQ(run.ending, conduit::RunEnding::kSucceeded) << world_.LogText();
  EXPECT_EQ(DeviceNames(),
            (std::vector<std::string>{"Ada Lovelace", "Grace Hopper", "S\xC3\xB8ren O'Neil, Jr."}));
}

TEST_F(ConduitKindsTest, ACsvFileGoesToTheHandheld) {
  WriteFileBytes(
      data_ / "contacts.csv",
      "FirstName,LastName\r\n\"Ana\",\"D'Souza, Jr.\"\r\nS\xC3\xB8ren,\"Two\nLines\"\r\n");
  AddFileProfile(4, "contacts.csv", "contacts.csv", 4, profile::kDesktopOverwritesDevice,
                 kNameMappings);
  world_.SetDeviceContacts({MakeContact("Old", "Friend")});
  ConduitRun run = world_.Run();
  ASSERT_EQ(run.ending, conduit::RunEnding::kSucceeded) << world_.LogText();
  EXPECT_EQ(DeviceNames(),
            (std::vector<std::string>{"Ana D'Souza, Jr.", "S\xC3\xB8ren Two\r\nLines"}))
      << "the handheld keeps line breaks as CR LF";
}

TEST_F(ConduitKindsTest, ADbaseTableGoesToTheHandheld) {
  WriteContactsDbf(data_ / "contacts.dbf", {{"Ada", "Lovelace", "19751210"}});
  AddFileProfile(3, "contacts.dbf", "contacts", 0, profile::kDesktopAddsDevice, kDbfMappings);
  ConduitRun run = world_.Run();
  ASSERT_EQ(run.ending, conduit::RunEnding::kSucceeded) << world_.LogText();
  ASSERT_EQ(world_.DeviceContacts().size(), 1u);
  EXPECT_EQ(DeviceNames(), std::vector<std::string>{"Ada Lovelace"});
  EXPECT_EQ(world_.DeviceContacts()[0].fields[44], "1975-12-10");
}

struct DbaseBackRun {
  int sync_type;
  Rows expected;
};

class ConduitDbaseBackTest : public ConduitKindsTest,
                             public ::testing::WithParamInterface<DbaseBackRun> {};

TEST_P(ConduitDbaseBackTest, DeviceContactsAreWrittenBackToTheDbfFile) {
  WriteContactsDbf(data_ / "contacts.dbf", {{"Ada", "Lovelace", "18151210"}});
  WriteContactsDbf(data_ / "other.dbf", {{"Not", "Touched", ""}});
  const std::string other = ReadFileBytes(data_ / "other.dbf");
  world_.SetDeviceContacts(
      {MakeContact("Ana", "D'Souza", "", "1980-12-31"), MakeContact("NULL", "Li")});
  AddFileProfile(3, "contacts.dbf", "contacts", 0, GetParam().sync_type, kDbfMappings);
  ConduitRun run = world_.Run();
  EXPECT_EQ(run.ending, conduit::RunEnding::kSucceeded) << world_.LogText();
  EXPECT_EQ(ReadDbf(data_ / "contacts.dbf"), GetParam().expected);
  EXPECT_EQ(ReadFileBytes(data_ / "other.dbf"), other);
}

INSTANTIATE_TEST_SUITE_P(BothTypes, ConduitDbaseBackTest,
                         ::testing::Values(DbaseBackRun{profile::kDeviceAddsDesktop,
                                                        {{"Ada", "Lovelace", "18151210"},
                                                         {"Ana", "D'Souza", "19801231"},
                                                         {"NULL", "Li", ""}}},
                                           DbaseBackRun{profile::kDeviceOverwritesDesktop,
                                                        {{"Ana", "D'Souza", "19801231"},
                                                         {"NULL", "Li", ""}}}));

class ConduitMariaDbTest : public ConduitKindsTest {
 protected:
  void SetUp() override {
    MariaDbServer& maria = MariaDbServer::Shared();
    if (!maria.Available()) GTEST_SKIP() << maria.SkipReason();
    std::string output;
    ASSERT_TRUE(
        maria.Sql("DROP TABLE IF EXISTS people;"
                  "CREATE TABLE people (id INT AUTO_INCREMENT PRIMARY KEY,"
                  " FirstName VARCHAR(50), LastName VARCHAR(50), Birthday DATE);"
                  "INSERT INTO people (FirstName, LastName, Birthday) VALUES"
                  " ('Se\xC3\xA1n', 'O''Brien', '1971-03-17'), ('Mia', 'Weber', NULL);",
                  &output))
        << output;
    maria.AddDataSource(world_.Odbc(), "Shop");
  }

  long AddProfile(int sync_type) {
    profile::ProfileRecord record;
    record.prof_name = "MariaDB " + std::to_string(sync_type);
    record.db_type = profile::kDsnDatabase;
    record.db_path = " ";
    record.db_dsn = "Shop";
    record.db_user = MariaDbServer::Shared().User();
    record.sync_type = sync_type;
    record.sync_on = profile::kEveryTime;
    record.query = "SELECT * FROM people";
    record.table_name = "people";
    record.connection_type = 3;
    return world_.AddProfile(record, {{"F2", "FirstName", "SQL_CHAR"},
                                      {"F4", "LastName", "SQL_CHAR"},
                                      {"F45", "Birthday", "SQL_DATE"}});
  }

  std::vector<std::string> People() {
    std::string out;
    MariaDbServer::Shared().Sql(
        "SELECT FirstName, LastName, IFNULL(Birthday, '-') FROM people ORDER BY id", &out);
    std::vector<std::string> rows;
    std::istringstream lines(out);
    std::string header;
    std::getline(lines, header);
    for (std::string line; std::getline(lines, line);) rows.push_back(line);
    return rows;
  }
};

struct MariaDbRun {
  int sync_type;
  std::vector<std::string> device;
  std::vector<std::string> people;
};

class ConduitMariaDbSyncTest : public ConduitMariaDbTest,
                               public ::testing::WithParamInterface<MariaDbRun> {};

TEST_P(ConduitMariaDbSyncTest, RunsWithBareIdentifiers) {
  world_.SetDeviceContacts({MakeContact("Old", "Friend")});
  AddProfile(GetParam().sync_type);
  ConduitRun run = world_.Run();
  EXPECT_EQ(run.ending, conduit::RunEnding::kSucceeded) << world_.LogText();
  EXPECT_EQ(DeviceNames(), GetParam().device);
  EXPECT_EQ(People(), GetParam().people);
}

const std::string kSean = "Se\xC3\xA1n";

INSTANTIATE_TEST_SUITE_P(
    EachSyncType, ConduitMariaDbSyncTest,
    ::testing::Values(
        MariaDbRun{profile::kDesktopAddsDevice,
                   {"Old Friend", kSean + " O'Brien", "Mia Weber"},
                   {kSean + "\tO'Brien\t1971-03-17", "Mia\tWeber\t-"}},
        MariaDbRun{profile::kDesktopOverwritesDevice,
                   {kSean + " O'Brien", "Mia Weber"},
                   {kSean + "\tO'Brien\t1971-03-17", "Mia\tWeber\t-"}},
        MariaDbRun{profile::kDeviceAddsDesktop,
                   {"Old Friend"},
                   {kSean + "\tO'Brien\t1971-03-17", "Mia\tWeber\t-", "Old\tFriend\t-"}},
        MariaDbRun{profile::kDeviceOverwritesDesktop, {"Old Friend"}, {"Old\tFriend\t-"}}));

}  // namespace
}  // namespace velmora::testing
