// Restoring a table backup into the profile's table on SQLite and PostgreSQL: the table ends
// up holding exactly the backup, or, when the database refuses a row, exactly what it held.
// Also the Backup Restore dialog's model: generations, the missing-backup case, declining.
#include "desktop/table_restore.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sql.h>

#include "conduit/backups.h"
#include "db/memory_result_set.h"
#include "db/odbc_result_set.h"
#include "db/statements.h"
#include "db/type_codes.h"
#include "desktop/backup_restore_model.h"
#include "platform/prompt/scripted_prompt.h"
#include "tests/profile/profile_db_fixture.h"
#include "tests/support/pg_server.h"
#include "tests/support/temp_dir.h"
#include "transfer/pdb_writer.h"

namespace velmora::desktop {
namespace {

using profile::testing::Engine;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

struct Person {
  std::string name;  // empty: NULL
  std::int64_t age;
  db::Date born;
};

std::vector<db::ColumnInfo> peopleColumns() {
  return {{"Name", db::kTypeChar, 40, 0},
          {"Age", db::kTypeInteger, 10, 0},
          {"Born", db::kTypeDate, 10, 0}};
}

void WriteBackup(const std::filesystem::path& file, const std::vector<Person>& people) {
  std::vector<std::vector<db::Value>> rows;
  for (const Person& p : people) rows.push_back({p.name, p.age, p.born});
  db::MemoryResultSet result(peopleColumns(), rows);
  std::filesystem::create_directories(file.parent_path());
  ASSERT_TRUE(transfer::WriteTablePdb(result, file, "Friends"));
}

class TableRestoreTest : public ::testing::TestWithParam<Engine> {
 protected:
  void SetUp() override {
    testing::OdbcEnvironment& odbc = profile::testing::ProcessOdbc();
    static testing::TempDir sqlite_dir;
    static bool sqlite_added = false;
    static bool postgres_added = false;
    std::string dsn;
    std::string user;
    if (GetParam() == Engine::kSqlite) {
      dsn = "RestoreSqliteDSN";
      if (!sqlite_added) odbc.AddSqliteDataSource(dsn, sqlite_dir / "linked.db");
      sqlite_added = true;
    } else {
      testing::PgServer& server = testing::PgServer::Shared();
      if (!server.Available()) GTEST_SKIP() << server.SkipReason();
      dsn = "RestorePostgresDSN";
      if (!postgres_added) server.AddDataSource(odbc, dsn);
      postgres_added = true;
      user = server.User();
    }
    std::string error;
    ASSERT_TRUE(linked_.Connect("", db::kDatabaseDsn, dsn, user, "", &error, false)) << error;
    db::Execute(linked_, "DROP TABLE IF EXISTS people");
    MustRun(
        "CREATE TABLE people (Name VARCHAR(40) NOT NULL, Age INTEGER CHECK (Age >= 0), "
        "Born DATE)");
    MustRun("INSERT INTO people VALUES ('Old Row', 70, '1950-01-02')");
    prompt::SetCurrentPrompt(&prompt_);
  }
  void TearDown() override { prompt::SetCurrentPrompt(nullptr); }

  void MustRun(const std::string& sql) {
    std::string report;
    const SQLRETURN rc = db::Execute(linked_, sql, &report);
    ASSERT_TRUE(rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) << sql << "\n" << report;
  }

  std::vector<std::string> TableRows() {
    db::OdbcResultSet rows;
    EXPECT_TRUE(rows.Open(linked_, "SELECT Name, Age, Born FROM people ORDER BY Age"));
    std::vector<std::string> texts;
    for (long r = 0; r < rows.RowCount() && rows.MoveToRow(r); ++r) {
      const db::Value name = rows.GetValue(0);
      const db::Value age = rows.GetValue(1);
      const db::Value born = rows.GetValue(2);
      std::string text =
          std::get<std::string>(name) + "|" + std::to_string(std::get<std::int64_t>(age));
      if (const auto* date = std::get_if<db::Date>(&born)) {
        text += "|" + std::to_string(date->year) + "-" + std::to_string(date->month) + "-" +
                std::to_string(date->day);
      }
      texts.push_back(text);
    }
    return texts;
  }

  TableRestoreResult Restore(const std::vector<Person>& people) {
    WriteBackup(dir_ / "backup.pdb", people);
    transfer::PdbReader reader;
    EXPECT_TRUE(reader.Open(dir_ / "backup.pdb"));
    return RestoreTableBackup(linked_, reader, "Select Name,Age,Born from \"people\"");
  }

  testing::TempDir dir_;
  db::Connection linked_;
  prompt::ScriptedPrompt prompt_;
};

TEST_P(TableRestoreTest, TableHoldsExactlyTheBackupAfterwards) {
  const TableRestoreResult result =
      Restore({{"Ann O'Neil", 31, {1993, 4, 5}}, {"Bo Ng", 42, {1982, 12, 31}}});
  EXPECT_TRUE(result.restored) << result.reason;
  EXPECT_EQ(result.refused, 0);
  EXPECT_THAT(TableRows(), ElementsAre("Ann O'Neil|31|1993-4-5", "Bo Ng|42|1982-12-31"));
  EXPECT_EQ(TableRestoreMessage(result), "");
}

TEST_P(TableRestoreTest, EmptyBackupEmptiesTheTable) {
  EXPECT_TRUE(Restore({}).restored);
  EXPECT_THAT(TableRows(), ::testing::IsEmpty());
}

struct Refusal {
  const char* name;
  Person refused;
};

TEST_P(TableRestoreTest, RefusedRowsRollBackTheWholeRestore) {
  const std::vector<Refusal> refusals = {
      {"check constraint", {"Minus One", -1, {2000, 1, 1}}},
      {"not null (an empty text)", {"", 5, {2000, 1, 1}}},
  };
  for (const Refusal& refusal : refusals) {
    SCOPED_TRACE(refusal.name);
    const TableRestoreResult result =
        Restore({{"Fine", 1, {2001, 1, 1}}, refusal.refused, {"Also Fine", 2, {2002, 2, 2}}});
    EXPECT_FALSE(result.restored);
    EXPECT_GE(result.refused, 1);
    EXPECT_EQ(result.first_refused, 2);
    EXPECT_EQ(result.rows, 3);
    EXPECT_FALSE(result.reason.empty());
    EXPECT_THAT(TableRows(), ElementsAre("Old Row|70|1950-1-2"));
    const std::string message = TableRestoreMessage(result);
    EXPECT_THAT(message, HasSubstr("refused " + std::to_string(result.refused) + " of the 3 rows"));
    EXPECT_THAT(message, HasSubstr("the table was not changed"));
  }
}

TEST_P(TableRestoreTest, BackupWiderThanTheTableIsNotRestored) {
  MustRun("DROP TABLE people");
  MustRun("CREATE TABLE people (Name VARCHAR(40), Age INTEGER)");
  MustRun("INSERT INTO people VALUES ('Old Row', 70)");
  const TableRestoreResult result = Restore({{"New", 1, {2001, 1, 1}}});
  EXPECT_FALSE(result.restored);
  EXPECT_EQ(result.refused, 0);
  db::OdbcResultSet rows;
  ASSERT_TRUE(rows.Open(linked_, "SELECT Name FROM people"));
  EXPECT_EQ(rows.RowCount(), 1);
}

// The dialog's model: generation files, the missing backup and the question.
TEST_P(TableRestoreTest, DialogModelRestoresTheChosenGenerationOnlyAfterYes) {
  profile::ProfileRecord record;
  record.prof_name = "Friends";
  record.user_name = "Ann Lee";
  record.query = "Select Name,Age,Born from people";
  WriteBackup(TableBackupFile(dir_.path(), "Ann Lee", "Friends", 1), {{"Newest", 1, {2001, 1, 1}}});
  WriteBackup(TableBackupFile(dir_.path(), "Ann Lee", "Friends", 2),
              {{"Older", 2, {2002, 2, 2}}, {"Oldest", 3, {2003, 3, 3}}});
  BackupRestoreModel model(linked_, dir_.path(), record);

  ASSERT_NE(model.CurrentRows(), nullptr);
  EXPECT_EQ(model.CurrentRows()->RowCount(), 1);
  auto second = model.LoadGeneration(1);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->RowCount(), 2);

  EXPECT_EQ(model.Restore(), TableRestoreOutcome::kDeclined);  // the prompt answers No
  EXPECT_THAT(TableRows(), ElementsAre("Old Row|70|1950-1-2"));

  prompt_.QueueAnswer(prompt::Answer::kYes);
  EXPECT_EQ(model.Restore(), TableRestoreOutcome::kRestored);
  EXPECT_THAT(TableRows(), ElementsAre("Older|2|2002-2-2", "Oldest|3|2003-3-3"));

  EXPECT_EQ(model.LoadGeneration(2), nullptr);  // no third backup
  EXPECT_FALSE(model.has_backup());
  EXPECT_EQ(model.Restore(), TableRestoreOutcome::kNoBackup);
  EXPECT_EQ(prompt_.Texts().back(), kNoBackupConnected);
  EXPECT_NE(model.LoadGeneration(7), nullptr);  // out of range: the newest
  EXPECT_EQ(model.generation_index(), 0);
}

// The conduit writes the backups of "Home/Work" under a safe name; the dialog finds them.
TEST_P(TableRestoreTest, DialogModelFindsTheBackupsOfANameWithASlash) {
  profile::ProfileRecord record;
  record.prof_name = "Home/Work";
  record.user_name = "Ann/Lee";
  record.query = "Select Name,Age,Born from people";
  std::filesystem::create_directories(dir_.path() / "Backup");
  WriteBackup(conduit::CustomBackupPath(dir_.path(), "Ann/Lee", "Home/Work", 1),
              {{"Newest", 1, {2001, 1, 1}}});
  BackupRestoreModel model(linked_, dir_.path(), record);
  const auto rows = model.LoadGeneration(0);
  ASSERT_NE(rows, nullptr);
  EXPECT_EQ(rows->RowCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(Engines, TableRestoreTest,
                         ::testing::Values(Engine::kSqlite, Engine::kPostgres),
                         profile::testing::EngineName);

}  // namespace
}  // namespace velmora::desktop
