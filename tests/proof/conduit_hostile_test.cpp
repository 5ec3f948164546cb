// Whole conduit runs on an SQLite table and columns with hostile names, carrying hostile
// contact values both ways: every value arrives exactly, the sentinel table beside it stays as
// it was, and hostile owner and profile names never place a file outside the folders the
// programs own.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "conduit/backups.h"
#include "profile/profile_store.h"
#include "profile/sync_settings.h"
#include "tests/conduit/conduit_world.h"
#include "tests/proof/hostile_values.h"

namespace velmora::testing {
namespace {

using ::testing::HasSubstr;

// Quotes, a statement separator, wildcards, blanks and characters beyond the BMP (table names
// with a double quote or a comma have their own test below).
const std::string kTable = "Kontakte 'O'Reilly'; 100%_ \xF0\x9F\x98\x80 \xF0\xA0\x80\x80";
const std::string kFirstColumn = "First 'Name'; --";
const std::string kLastColumn = "Läst_% \xF0\x9F\x98\x80";
const std::string kCompanyColumn = "Co\"mpany\"); DROP TABLE victim; --";

constexpr const char* kVictimSql =
    "CREATE TABLE victim (v TEXT); INSERT INTO victim VALUES ('intact'), ('still here');";
const std::vector<std::string> kVictimRows = {"intact", "still here"};

handheld::Contact HostileContact(const std::string& value) {
  handheld::Contact contact;
  contact.fields[1] = value;
  contact.fields[3] = value;
  contact.fields[7] = value;
  return contact;
}

std::vector<std::string> ExpectedRows(const std::vector<std::string>& values) {
  std::vector<std::string> rows;
  for (const std::string& v : values) rows.push_back(v + "|" + v + "|" + v);
  return rows;
}

struct HostileRunCase {
  const char* name;
  int sync_type;
  bool statement_writer;
};

void PrintTo(const HostileRunCase& c, std::ostream* out) {
  *out << c.name;
}

class ConduitHostileTest : public ::testing::TestWithParam<HostileRunCase> {
 protected:
  void SetUp() override {
    const bool plain = GetParam().statement_writer;
    // The statement writer names the table and columns bare, so it gets plain names.
    table_ = plain ? "people" : kTable;
    columns_ = plain ? std::vector<std::string>{"first", "last", "company"}
                     : std::vector<std::string>{kFirstColumn, kLastColumn, kCompanyColumn};
    std::string sql = std::string(kVictimSql) + "CREATE TABLE " + SqlName(table_) +
                      " (id INTEGER PRIMARY KEY, " + SqlName(columns_[0]) + " TEXT, " +
                      SqlName(columns_[1]) + " TEXT, " + SqlName(columns_[2]) + " TEXT);";
    if (GetParam().sync_type == profile::kDesktopAddsDevice) {
      for (const std::string& v : HostileValues()) sql += Insert({v, v, v});
    } else {
      sql += Insert({"old", "old", "old"});
    }
    file_ = world_.MakeSqliteDatabase("hostile.db", sql);
  }

  std::string Insert(const std::vector<std::string>& values) const {
    return "INSERT INTO " + SqlName(table_) + " (" + SqlName(columns_[0]) + ", " +
           SqlName(columns_[1]) + ", " + SqlName(columns_[2]) + ") VALUES (" + SqlText(values[0]) +
           ", " + SqlText(values[1]) + ", " + SqlText(values[2]) + ");";
  }

  long AddProfile() {
    profile::ProfileRecord record;
    record.prof_name = "Hostile";
    record.db_type = profile::kAccessDatabase;
    record.db_path = file_.parent_path().string() + "/";
    record.db_dsn = "hostile.db";
    record.sync_type = GetParam().sync_type;
    record.query = "SELECT * FROM " + SqlName(table_);
    record.table_name = table_;
    return world_.AddProfile(record, {{"F2", columns_[0], "SQL_CHAR"},
                                      {"F4", columns_[1], "SQL_CHAR"},
                                      {"F8", columns_[2], "SQL_CHAR"}});
  }

  std::vector<std::string> TableRows() {
    return SqliteRows(file_, "SELECT " + SqlName(columns_[0]) + ", " + SqlName(columns_[1]) + ", " +
                                 SqlName(columns_[2]) + " FROM " + SqlName(table_) +
                                 " ORDER BY id");
  }

  ConduitWorld world_;
  std::string table_;
  std::vector<std::string> columns_;
  std::filesystem::path file_;
};

TEST_P(ConduitHostileTest, ValuesArriveExactlyAndNothingElseRuns) {
  const std::vector<std::string> values = HostileValues();
  if (GetParam().sync_type == profile::kDesktopAddsDevice) {
    world_.SetDeviceContacts({});
  } else {
    std::vector<handheld::Contact> contacts;
    for (const std::string& v : values) contacts.push_back(HostileContact(v));
    world_.SetDeviceContacts(contacts);
  }
  AddProfile();
  conduit::RunSettings settings;
  settings.force_statement_writer = GetParam().statement_writer;
  const ConduitRun run = world_.Run(false, settings);
  ASSERT_EQ(run.ending, conduit::RunEnding::kSucceeded) << world_.LogText();
  if (GetParam().sync_type == profile::kDesktopAddsDevice) {
    std::vector<std::string> device;
    for (const handheld::Contact& c : world_.DeviceContacts()) {
      device.push_back(c.fields[1] + "|" + c.fields[3] + "|" + c.fields[7]);
    }
    EXPECT_EQ(device, ExpectedRows(values));
  } else {
    std::vector<std::string> expected = ExpectedRows(values);
    if (GetParam().sync_type == profile::kDeviceAddsDesktop) {
      expected.insert(expected.begin(), "old|old|old");
    }
    EXPECT_EQ(TableRows(), expected);
  }
  EXPECT_EQ(SqliteRows(file_, "SELECT v FROM victim ORDER BY rowid"), kVictimRows);
}

INSTANTIATE_TEST_SUITE_P(
    SyncTypes, ConduitHostileTest,
    ::testing::Values(HostileRunCase{"DesktopAddsDevice", profile::kDesktopAddsDevice, false},
                      HostileRunCase{"DeviceAddsDesktop", profile::kDeviceAddsDesktop, false},
                      HostileRunCase{"DeviceOverwritesDesktop", profile::kDeviceOverwritesDesktop,
                                     false},
                      HostileRunCase{"StatementWriter", profile::kDeviceOverwritesDesktop, true}),
    [](const ::testing::TestParamInfo<HostileRunCase>& info) {
      return std::string(info.param.name);
    });

// Tables whose names differ from a sentinel table only by a quote or a comma: a run writes to
// exactly the table its query names, or, when the name cannot be read for certain, to none.
// The handheld's text "NULL" arrives as that text, never as SQL NULL.
TEST(HostileTableNamesTest, TheRunWritesExactlyTheTableItsQueryNames) {
  ConduitWorld world;
  std::string sql;
  for (const char* table : {"\"Contacts\"", "\"Con\"\"tacts\"", "\"Con,tacts\""}) {
    sql += std::string("CREATE TABLE ") + table +
           " (id INTEGER PRIMARY KEY, First TEXT, Last TEXT);INSERT INTO " + table +
           " (First, Last) VALUES ('old', 'row');";
  }
  const std::filesystem::path file = world.MakeSqliteDatabase("names.db", sql);
  world.SetDeviceContacts({MakeContact("NULL", "O\"Neil"), MakeContact("Ann", "NULL")});
  auto rows = [&](const std::string& table) {
    return SqliteRows(file,
                      "SELECT First || ':' || typeof(First), Last || ':' || typeof(Last) "
                      "FROM " +
                          SqlName(table) + " ORDER BY id");
  };
  const std::vector<std::string> old_row = {"old:text|row:text"};
  const std::vector<std::string> new_rows = {"NULL:text|O\"Neil:text", "Ann:text|NULL:text"};
  struct Case {
    const char* query;
    const char* table;  // the one table that changes; none when the run must fail
  } cases[] = {
      {"SELECT * FROM \"Con\"\"tacts\"", "Con\"tacts"},
      {"SELECT * FROM \"Con,tacts\" WHERE First <> ''", "Con,tacts"},
      {"SELECT * FROM \"Con\"tacts\"", nullptr},
      {"SELECT * FROM \"Con\", tacts", nullptr},
  };
  int n = 0;
  for (const Case& c : cases) {
    for (bool statements : {false, true}) {
      SCOPED_TRACE(std::string(c.query) + (statements ? ", statement writer" : ", cursor writer"));
      profile::ProfileRecord record;
      record.prof_name = "Names " + std::to_string(++n);
      record.db_type = profile::kAccessDatabase;
      record.db_path = file.parent_path().string() + "/";
      record.db_dsn = "names.db";
      record.sync_type = profile::kDeviceOverwritesDesktop;
      record.query = c.query;
      const long id =
          world.AddProfile(record, {{"F2", "First", "SQL_CHAR"}, {"F4", "Last", "SQL_CHAR"}});
      conduit::RunSettings settings;
      settings.force_statement_writer = statements;
      const ConduitRun run = world.Run(false, settings);
      EXPECT_EQ(run.ending, c.table ? conduit::RunEnding::kSucceeded : conduit::RunEnding::kFailed)
          << world.LogText();
      for (const char* table : {"Contacts", "Con\"tacts", "Con,tacts"}) {
        const bool target = c.table != nullptr && std::string(table) == c.table;
        EXPECT_EQ(rows(table), target ? new_rows : old_row) << table;
      }
      if (c.table) {
        world.MakeSqliteDatabase("names.db", "DELETE FROM " + SqlName(c.table) + "; INSERT INTO " +
                                                 SqlName(c.table) +
                                                 " (First, Last) VALUES ('old', 'row');");
      }
      ASSERT_TRUE(profile::ProfileStore(world.ProfileDb()).DeleteProfile(id));
    }
  }
}

// Every file under `root`, as paths relative to it.
std::set<std::string> FilesUnder(const std::filesystem::path& root) {
  std::set<std::string> files;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (ec) break;
    if (it->is_regular_file()) files.insert(std::filesystem::relative(it->path(), root).string());
  }
  return files;
}

std::set<std::string> EntriesNamed(const std::filesystem::path& folder, const std::string& part) {
  std::set<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.find(part) != std::string::npos) names.insert(name);
  }
  return names;
}

// The owner and the profile name climb out of every folder they are joined to.
// The owner stays within the 34 bytes in which the link reports it.
constexpr const char* kEscape = "velmora-esc";
const std::string kOwner = "O'H \"Q\";%_ ../../../velmora-esc";
const std::string kProfileName = "../../../../velmora-esc \"x\"; %_ \xF0\x9F\x98\x80";

class HostileFileNamesTest : public ::testing::Test {
 protected:
  HostileFileNamesTest() : world_(kOwner) {}

  void AddProfiles() {
    people_ = world_.MakeSqliteDatabase(
        "people.db",
        "CREATE TABLE People (ID INTEGER PRIMARY KEY, FirstName TEXT, LastName TEXT);"
        "INSERT INTO People (FirstName, LastName) VALUES ('Ann', 'Lee');");
    const std::vector<Mapping> mappings = {{"F2", "FirstName", "SQL_CHAR"},
                                           {"F4", "LastName", "SQL_CHAR"}};
    int n = 0;
    for (int sync_type : {profile::kDesktopAddsDevice, profile::kDeviceAddsDesktop,
                          profile::kDesktopOverwritesDevice}) {
      profile::ProfileRecord record;
      record.prof_name = kProfileName + " " + std::to_string(++n);
      record.db_type = profile::kAccessDatabase;
      record.db_path = people_.parent_path().string() + "/";
      record.db_dsn = "people.db";
      record.sync_type = sync_type;
      record.query = "SELECT * FROM \"People\"";
      record.table_name = "People";
      world_.AddProfile(record, mappings);
    }
    profile::ProfileRecord csv;
    csv.prof_name = kProfileName + " csv";
    csv.db_type = profile::kNoDatabase;
    csv.sync_type = profile::kExportCsv;
    csv.query = " ";
    world_.AddProfile(csv, {});
  }

  ConduitWorld world_;
  std::filesystem::path people_;
};

TEST_F(HostileFileNamesTest, NoFileLandsOutsideTheApplicationFolder) {
  AddProfiles();
  world_.SetDeviceContacts({MakeContact("Dev", "Ice")});
  const std::filesystem::path root = world_.Root();
  const std::set<std::string> before = FilesUnder(root);
  const std::set<std::string> beside_before = EntriesNamed(root.parent_path(), kEscape);
  const std::set<std::string> above_before =
      EntriesNamed(root.parent_path().parent_path(), kEscape);

  const ConduitRun run = world_.Run(/*backup=*/true);
  EXPECT_EQ(run.ending, conduit::RunEnding::kSucceeded) << world_.LogText();

  for (const std::string& file : FilesUnder(root)) {
    if (before.count(file)) continue;
    const std::string top = file.substr(0, file.find('/'));
    EXPECT_TRUE(top == "app" || top == "handheld" || top == "registry") << "new file " << file;
  }
  EXPECT_EQ(EntriesNamed(root.parent_path(), kEscape), beside_before);
  EXPECT_EQ(EntriesNamed(root.parent_path().parent_path(), kEscape), above_before);
  // The names still reach the log and the backups as given.
  EXPECT_THAT(world_.LogText(), HasSubstr("Opening profile \"" + kProfileName + " 2\""));
  EXPECT_THAT(world_.LogText(), HasSubstr(kOwner));
  EXPECT_TRUE(std::filesystem::exists(
      conduit::CustomBackupPath(world_.AppFolder(), kOwner, kProfileName + " 2", 1)));
  EXPECT_EQ(SqliteRows(people_, "SELECT FirstName, LastName FROM People ORDER BY ID"),
            (std::vector<std::string>{"Ann|Lee", "Dev|Ice", "Ann|Lee"}));
}

}  // namespace
}  // namespace velmora::testing
