// Hostile names and values through the profile store, the desktop manager's statements and
// whole conduit runs on SQLite: each comes back exactly as given (or cut where the programs
// limit it), no statement other than the intended one runs (a sentinel table stays as it was),
// and no file lands outside the folders the programs own.
#include <sqlite3.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "db/odbc_result_set.h"
#include "desktop/mapping_saver.h"
#include "desktop/query_builder.h"
#include "desktop/rename_profile.h"
#include "platform/prompt/prompt.h"
#include "platform/prompt/scripted_prompt.h"
#include "platform/text/utf.h"
#include "profile/profile_store.h"
#include "profile/sync_settings.h"
#include "tests/conduit/conduit_world.h"
#include "tests/proof/hostile_values.h"

namespace velmora::testing {
namespace {

using ::testing::HasSubstr;

constexpr const char* kVictimSql =
    "CREATE TABLE victim (v TEXT); INSERT INTO victim VALUES ('intact'), ('still here');";
const std::vector<std::string> kVictimRows = {"intact", "still here"};
constexpr std::size_t kCategoryNameReadLimit = 99;
constexpr std::size_t kFieldTextLimit = 129;  // a column's name as the driver describes it
constexpr std::size_t kValueTextLimit = 129;  // a value read as text for display

void ExecSqlite(const std::filesystem::path& file, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  char* message = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
  const std::string why = message ? message : "";
  sqlite3_free(message);
  sqlite3_close(db);
  ASSERT_EQ(rc, SQLITE_OK) << why;
}

std::vector<std::string> Victim(const std::filesystem::path& file) {
  return SqliteRows(file, "SELECT v FROM victim ORDER BY rowid");
}

class HostileProfileStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    profile_file_ = world_.AppFolder() / "Orvendel.mdb";
    ExecSqlite(profile_file_, kVictimSql);
  }

  profile::ProfileRecord HostileRecord(const std::string& value) {
    profile::ProfileRecord record;
    record.prof_id = store_.NextProfileId();
    record.prof_name = value;
    record.user_name = value;
    record.db_path = value;
    record.db_type = profile::kAccessDatabase;
    record.db_dsn = value;
    record.db_user = value;
    record.query = "SELECT * FROM " + SqlName(value);
    record.table_name = value;
    return record;
  }

  ConduitWorld world_;
  profile::ProfileStore store_{world_.ProfileDb()};
  std::filesystem::path profile_file_;
};

TEST_F(HostileProfileStoreTest, ProfilesMappingsAndCategoriesComeBackExactly) {
  const long profiles_before = store_.ProfileCount();
  long category_id = store_.NextCategoryId();
  for (const std::string& value : HostileValues()) {
    SCOPED_TRACE(value);
    const profile::ProfileRecord record = HostileRecord(value);
    std::string error;
    ASSERT_TRUE(store_.InsertProfile(record, &error)) << error;
    ASSERT_TRUE(store_.InsertMapping({record.prof_id, "F2", value, "SQL_CHAR"}, &error)) << error;

    const std::vector<profile::ProfileRecord> mine = store_.ProfilesOfUser(value);
    ASSERT_EQ(mine.size(), 1u) << "the user name matches itself only";
    EXPECT_EQ(mine[0].prof_name, value);
    EXPECT_EQ(mine[0].user_name, value);
    EXPECT_EQ(mine[0].db_path, value);
    EXPECT_EQ(mine[0].db_dsn, value);
    EXPECT_EQ(mine[0].query, record.query);
    EXPECT_EQ(mine[0].table_name, value);
    EXPECT_EQ(store_.TableName(record.prof_id), value);
    EXPECT_TRUE(store_.IsNameTaken(value, value));
    EXPECT_EQ(store_.MappingWithTypes(record.prof_id),
              (std::vector<profile::TypedMapping>{{value, "SQL_CHAR", "First"}}));
    EXPECT_TRUE(store_.IsColumnMapped(value, record.prof_id));
    EXPECT_EQ(store_.DeviceFieldOfColumn(value, record.prof_id), "First");

    ASSERT_TRUE(store_.InsertCategory(category_id, value));
    bool found = false;
    for (const profile::Category& category : store_.Categories()) {
      if (category.id != category_id) continue;
      found = true;
      EXPECT_TRUE(SameOrCutAt(category.name, value, kCategoryNameReadLimit)) << category.name;
    }
    EXPECT_TRUE(found);
    ++category_id;
  }
  // Wildcards in a user name match nothing but themselves.
  EXPECT_TRUE(store_.ProfilesOfUser("%").empty());
  EXPECT_TRUE(store_.ProfilesOfUser("100X Xdone_").empty());
  EXPECT_FALSE(store_.IsNameTaken("O_Brien", "O_Brien"));
  EXPECT_EQ(store_.ProfileCount(), profiles_before + static_cast<long>(HostileValues().size()));
  EXPECT_EQ(Victim(profile_file_), kVictimRows);
}

TEST_F(HostileProfileStoreTest, RenameKeepsTheNameAsReadFromTheEdit) {
  prompt::ScriptedPrompt prompt;
  prompt::SetCurrentPrompt(&prompt);
  profile::ProfileRecord record = HostileRecord("Plain");
  ASSERT_TRUE(store_.InsertProfile(record, nullptr));
  for (const std::string& value : HostileValues()) {
    SCOPED_TRACE(value);
    const std::string expected = desktop::ProfileNameFromEdit(value);
    ASSERT_EQ(desktop::RenameProfile(store_, record, value), desktop::RenameOutcome::kRenamed);
    EXPECT_EQ(world_.StoredProfile(record.prof_id).prof_name, expected);
    if (text::Utf8ToUtf16(value).size() <= desktop::kProfileNameReadLimit) {
      EXPECT_EQ(expected, value);
    } else {
      // Cut at the read limit, never inside a surrogate pair.
      EXPECT_EQ(value.rfind(expected, 0), 0u);
      EXPECT_GE(text::Utf8ToUtf16(expected).size(), desktop::kProfileNameReadLimit - 1u);
      EXPECT_LE(text::Utf8ToUtf16(expected).size(), std::size_t{desktop::kProfileNameReadLimit});
    }
  }
  // Its own name, with blanks or wildcards that would match another, is refused as taken.
  EXPECT_EQ(desktop::RenameProfile(store_, record, record.prof_name),
            desktop::RenameOutcome::kRefused);
  prompt::SetCurrentPrompt(nullptr);
  EXPECT_EQ(Victim(profile_file_), kVictimRows);
}

// A linked SQLite database with one table per hostile name, each holding its name as its one
// row, columns named by the same texts, and the sentinel.
class HostileDesktopStatementsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string sql = kVictimSql;
    for (const std::string& value : HostileValues()) {
      sql += "CREATE TABLE " + SqlName(value) + " (" + SqlName(value) + " TEXT);INSERT INTO " +
             SqlName(value) + " VALUES (" + SqlText(value) + ");";
    }
    sql += "CREATE TABLE people (";
    const std::vector<std::string> values = HostileValues();
    for (std::size_t i = 0; i < values.size(); ++i) {
      sql += (i > 0 ? ", " : "") + SqlName(values[i]) + " TEXT";
    }
    sql += ");";
    linked_file_ = world_.MakeSqliteDatabase("linked.db", sql);
    std::string error;
    ASSERT_TRUE(linked_.Connect("TestLinkedDSN", profile::kAccessDatabase, linked_file_.string(),
                                "", "", &error, true))
        << error;
  }

  ConduitWorld world_;
  db::Connection linked_;
  std::filesystem::path linked_file_;
};

TEST_F(HostileDesktopStatementsTest, TablePageStatementReadsOnlyTheChosenTable) {
  const desktop::QueryBuilder builder;
  for (const std::string& value : HostileValues()) {
    SCOPED_TRACE(value);
    for (const std::string& sql : {builder.StartStatement({value}, {}, {}, {}),
                                   builder.Statement({builder.FieldText(value, value, false)},
                                                     false, {value}, {}, {}, {})}) {
      db::OdbcResultSet rows;
      ASSERT_TRUE(rows.Open(linked_, sql)) << sql;
      ASSERT_EQ(rows.RowCount(), 1) << sql;
      ASSERT_TRUE(rows.MoveToRow(0));
      EXPECT_TRUE(SameOrCutAt(rows.ValueText(0, 0), value, kValueTextLimit)) << sql;
    }
  }
  EXPECT_EQ(Victim(linked_file_), kVictimRows);
}

TEST_F(HostileDesktopStatementsTest, MappingOfHostileColumnsIsStoredAsShown) {
  profile::ProfileStore store(world_.ProfileDb());
  desktop::DesktopErrorLog log(world_.AppFolder());
  desktop::WizardData data;
  data.record.prof_id = store.NextProfileId();
  data.record.prof_name = "Hostile columns";
  data.record.user_name = world_.Owner();
  data.record.db_type = profile::kAccessDatabase;
  data.record.db_dsn = "linked.db";
  data.record.db_path = linked_file_.parent_path().string() + "/";
  data.record.query = desktop::QueryBuilder().StartStatement({"people"}, {}, {}, {});
  data.record.table_name = "people";
  data.table_count = 1;
  std::vector<desktop::MappingListRow> rows = desktop::UnmappedRows(false);
  const std::vector<std::string> values = HostileValues();
  std::map<std::string, std::string> shown;  // field id → the column the cell offers
  for (std::size_t i = 0; i < values.size(); ++i) {
    rows[i].column = desktop::QueryBuilder().FieldText("people", values[i], false);
    shown[rows[i].field_id] = desktop::StoredColumnName(rows[i].column);
  }
  desktop::MappingSaver saver(world_.ProfileDb(), store, log);
  const desktop::MappingSaveResult result = saver.Save(
      data, rows, db::kKindOther, desktop::LinkedColumnTypes(linked_, data.record.query));
  ASSERT_TRUE(result.finished) << ::testing::PrintToString(result.messages);
  db::OdbcResultSet stored;
  ASSERT_TRUE(stored.Open(world_.ProfileDb(),
                          "Select FieldID, DBFieldName from \"Transaction\" where ProfID=" +
                              std::to_string(data.record.prof_id)));
  std::map<std::string, std::string> read_back;
  for (long r = 0; r < stored.RowCount() && stored.MoveToRow(r); ++r) {
    read_back[stored.ValueText(r, 0)] = stored.ValueText(r, 1);
  }
  EXPECT_EQ(read_back.size(), shown.size());
  for (const auto& [field_id, column] : shown) {
    EXPECT_TRUE(SameOrCutAt(read_back[field_id], column, kFieldTextLimit))
        << field_id << ": " << read_back[field_id];
  }
  EXPECT_EQ(Victim(linked_file_), kVictimRows);
}

}  // namespace
}  // namespace velmora::testing
