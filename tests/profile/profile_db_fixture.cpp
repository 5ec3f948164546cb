#include "tests/profile/profile_db_fixture.h"

#include <sql.h>

#include <clocale>

#include "db/odbc_result_set.h"
#include "db/statements.h"
#include "tests/support/pg_server.h"

namespace velmora::profile::testing {

std::string EngineName(const ::testing::TestParamInfo<Engine>& info) {
  return info.param == Engine::kSqlite ? "Sqlite" : "Postgres";
}

std::vector<std::string> ScriptStatements(const std::string& script) {
  std::vector<std::string> statements;
  std::string current;
  std::size_t pos = 0;
  while (pos < script.size()) {
    std::size_t end = script.find('\n', pos);
    if (end == std::string::npos) end = script.size();
    const std::string line = script.substr(pos, end - pos);
    pos = end + 1;
    if (line.rfind("--", 0) == 0) continue;
    current += line + "\n";
    if (!line.empty() && line.back() == ';') {
      current.resize(current.size() - 2);  // the semicolon and the line break
      statements.push_back(current);
      current.clear();
    }
  }
  return statements;
}

namespace {

// The SQLite driver takes 8-bit text, which the driver manager converts to and from the wide
// calls in the character set of the process, read when the first ODBC environment is made:
// that must be UTF-8.
const bool kUtf8Text = std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr;

}  // namespace

velmora::testing::OdbcEnvironment& ProcessOdbc() {
  EXPECT_TRUE(kUtf8Text);
  static velmora::testing::OdbcEnvironment odbc;
  return odbc;
}

namespace {

struct DataSources {
  velmora::testing::TempDir dir;
  bool sqlite_added = false;
  bool postgres_added = false;
};

DataSources& ProcessDataSources() {
  static DataSources sources;
  return sources;
}

}  // namespace

void ProfileDatabaseTest::SetUp() {
  velmora::testing::OdbcEnvironment& odbc = ProcessOdbc();
  DataSources& sources = ProcessDataSources();
  std::string dsn;
  std::string user;
  if (GetParam() == Engine::kSqlite) {
    dsn = "ProfileSqliteDSN";
    // Nothing here needs to survive a crash, so writes skip the disk flushes.
    if (!sources.sqlite_added) {
      odbc.AddDataSource(dsn, velmora::testing::kSqliteDriverName,
                         {{"Database", (sources.dir / "profiles.db").string()},
                          {"SyncPragma", "OFF"},
                          {"JournalMode", "MEMORY"}});
    }
    sources.sqlite_added = true;
  } else {
    velmora::testing::PgServer& server = velmora::testing::PgServer::Shared();
    if (!server.Available()) GTEST_SKIP() << server.SkipReason();
    dsn = "ProfilePostgresDSN";
    if (!sources.postgres_added) server.AddDataSource(odbc, dsn);
    sources.postgres_added = true;
    user = server.User();
  }
  std::string error;
  ASSERT_TRUE(connection_.Connect("", 0, dsn, user, "", &error, false)) << error;
  for (const char* table :
       {"DBProfile", "\"Transaction\"", "PocketMaster", "CategoryMaster", "DBLinks"}) {
    db::Execute(connection_, std::string("DROP TABLE IF EXISTS ") + table);
  }
  const std::string schema = velmora::testing::ReadFileBytes(VELMORA_PROFILE_SCHEMA);
  ASSERT_FALSE(schema.empty());
  for (const std::string& statement : ScriptStatements(schema)) MustRun(statement);
  store_ = std::make_unique<ProfileStore>(connection_);
}

void ProfileDatabaseTest::MustRun(const std::string& sql) {
  std::string report;
  const SQLRETURN rc = db::Execute(connection_, sql, &report);
  ASSERT_TRUE(rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO || rc == SQL_NO_DATA) << sql << "\n"
                                                                                     << report;
}

std::string ProfileDatabaseTest::QueryText(const std::string& sql) {
  db::OdbcResultSet rows;
  if (!rows.Open(connection_, sql) || !rows.MoveToRow(0)) return {};
  const db::Value value = rows.GetValue(0);
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  if (const auto* number = std::get_if<std::int64_t>(&value)) return std::to_string(*number);
  return {};
}

}  // namespace velmora::profile::testing
