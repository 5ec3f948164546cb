#include "db/windowed_result_set.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>
#include <string>

#include "db/odbc_result_set.h"
#include "db/value_format.h"
#include "db/view_result_set.h"
#include "tests/db/engines.h"
#include "tests/db/sqlite_file.h"
#include "tests/support/mariadb_server.h"
#include "tests/support/odbc_env.h"
#include "tests/support/pg_server.h"

namespace velmora::db {
namespace {

using velmora::testing::MariaDbServer;
using velmora::testing::OdbcEnvironment;
using velmora::testing::PgServer;

constexpr long kRows = 1000;
constexpr long kWindow = 64;

// kRows rows with distinct names, dates and scores; names sort apart from ids.
std::string BigTableSql(Engine engine) {
  const std::string create =
      "DROP TABLE IF EXISTS Big; CREATE TABLE Big(id INTEGER PRIMARY KEY, name VARCHAR(40), "
      "born DATE, score " +
      std::string(engine == Engine::kPostgres ? "DOUBLE PRECISION" : "DOUBLE") + ");";
  const std::string n = std::to_string(kRows);
  switch (engine) {
    case Engine::kSqlite:
      return create + "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
             n + ") INSERT INTO Big SELECT i, 'Contact ' || (i * 7 % 1000), " +
             "date('1980-01-01', '+' || i || ' days'), i * 1.5 FROM n;";
    case Engine::kPostgres:
      return create + "INSERT INTO Big SELECT i, 'Contact ' || (i * 7 % 1000), " +
             "DATE '1980-01-01' + i, i * 1.5 FROM generate_series(1, " + n + ") i;";
    case Engine::kMariaDb:
      return create + "INSERT INTO Big WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 " +
             "FROM n WHERE i < " + n + ") SELECT i, CONCAT('Contact ', i * 7 % 1000), " +
             "DATE_ADD('1980-01-01', INTERVAL i DAY), i * 1.5 FROM n;";
  }
  return {};
}

// Rows another program adds at the end of the table's order.
constexpr const char* kAppendedRowsSql =
    "INSERT INTO Big VALUES (2001, 'Late one', NULL, 1.0), (2002, 'Late two', NULL, 2.0);";

// The queries read a window at a time, and whether each is read in the order of the key.
struct Paged {
  const char* sql;
  bool by_key;
};
constexpr Paged kPaged[] = {
    {"SELECT id, name, born, score FROM Big", true},
    {"SELECT name AS id, score, born FROM Big WHERE id > 0 AND name <> 'x'", true},
    {"SELECT name, score, born FROM Big WHERE id > 0 ORDER BY name DESC", false},
    {"SELECT DISTINCT id, name FROM Big", false},
};

class WindowedResultSetTest : public ::testing::TestWithParam<Engine> {
 protected:
  void SetUp() override {
    const std::string sql = BigTableSql(GetParam());
    if (GetParam() == Engine::kSqlite) {
      file_ = odbc_.folder() / "big.mdb";
      ASSERT_TRUE(testing::MakeSqliteFile(file_, sql));
      ASSERT_TRUE(connection_.Connect(kCustomDsnDesktop, kDatabaseAccess, file_.string(), "", "",
                                      &error_, true))
          << error_;
      run_elsewhere_ = [this](const std::string& s) { return testing::MakeSqliteFile(file_, s); };
    } else if (GetParam() == Engine::kMariaDb) {
      MariaDbServer& maria = MariaDbServer::Shared();
      if (!maria.Available()) GTEST_SKIP() << maria.SkipReason();
      std::string output;
      ASSERT_TRUE(maria.Sql(sql, &output)) << output;
      maria.AddDataSource(odbc_, "Maria");
      ASSERT_TRUE(
          connection_.Connect(kCustomDsnDesktop, kDatabaseDsn, "Maria", "", "", &error_, true))
          << error_;
      run_elsewhere_ = [&maria](const std::string& s) { return maria.Sql(s); };
    } else {
      PgServer& pg = PgServer::Shared();
      if (!pg.Available()) GTEST_SKIP() << pg.SkipReason();
      std::string output;
      ASSERT_TRUE(pg.Psql(sql, &output)) << output;
      pg.AddDataSource(odbc_, "Postgres");
      ASSERT_TRUE(
          connection_.Connect(kCustomDsnDesktop, kDatabaseDsn, "Postgres", "", "", &error_, true))
          << error_;
      run_elsewhere_ = [&pg](const std::string& s) { return pg.Psql(s); };
    }
  }

  // Both result sets at `row`: the same values, as text and typed.
  static void ExpectSameRow(WindowedResultSet& windowed, OdbcResultSet& whole, long row) {
    SCOPED_TRACE("row " + std::to_string(row));
    ASSERT_TRUE(whole.MoveToRow(row));
    ASSERT_TRUE(windowed.MoveToRow(row));
    EXPECT_LE(windowed.WindowStart(), row);
    EXPECT_GT(windowed.WindowStart() + kWindow, row);
    for (int c = 0; c < whole.ColumnCount(); ++c) {
      EXPECT_EQ(windowed.ValueText(row, c), whole.ValueText(row, c)) << "column " << c;
      const int type = whole.ColumnType(c);
      EXPECT_EQ(FormatValue(type, windowed.GetValue(c)), FormatValue(type, whole.GetValue(c)))
          << "column " << c;
    }
  }

  OdbcEnvironment odbc_;
  Connection connection_;
  std::filesystem::path file_;
  std::function<bool(const std::string&)> run_elsewhere_;
  std::string error_;
};

TEST_P(WindowedResultSetTest, ReadsTheSameRowsAsTheWholeResultAcrossWindowEdges) {
  const long rows[] = {0,
                       1,
                       kWindow - 1,
                       kWindow,
                       kWindow + 1,
                       3 * kWindow,
                       kRows / 2,
                       kRows - 1,
                       kRows - 2,
                       0,
                       kWindow / 2,
                       kRows / 2 - kWindow,
                       kRows / 2 - kWindow - 1,  // one step back past the window's start
                       kRows - kWindow};
  for (const Paged& paged : kPaged) {
    const char* sql = paged.sql;
    SCOPED_TRACE(sql);
    WindowedResultSet windowed(kWindow);
    OdbcResultSet whole;
    ASSERT_TRUE(whole.Open(connection_, sql)) << whole.ErrorReport();
    ASSERT_TRUE(windowed.Open(connection_, sql)) << windowed.ErrorReport();
    EXPECT_EQ(windowed.ReadsByKey(), paged.by_key);
    ASSERT_EQ(windowed.RowCount(), kRows);
    ASSERT_EQ(windowed.ColumnCount(), whole.ColumnCount());
    for (int c = 0; c < whole.ColumnCount(); ++c) {
      EXPECT_EQ(windowed.ColumnName(c), whole.ColumnName(c));
      EXPECT_EQ(windowed.ColumnType(c), whole.ColumnType(c));
      EXPECT_EQ(windowed.ColumnSize(c), whole.ColumnSize(c));
    }
    for (const long row : rows) ExpectSameRow(windowed, whole, row);
    EXPECT_FALSE(windowed.MoveToRow(kRows));
    EXPECT_FALSE(windowed.MoveToRow(-1));
  }
}

TEST_P(WindowedResultSetTest, KeepsItsRowsWhileAnotherProgramAddsRows) {
  for (const char* sql : {"SELECT id, name, born, score FROM Big",
                          "SELECT id, name, born, score FROM Big ORDER BY id"}) {
    SCOPED_TRACE(sql);
    ASSERT_TRUE(run_elsewhere_("DELETE FROM Big WHERE id > 2000;"));
    WindowedResultSet windowed(kWindow);
    OdbcResultSet whole;
    ASSERT_TRUE(whole.Open(connection_, sql)) << whole.ErrorReport();
    ASSERT_TRUE(windowed.Open(connection_, sql)) << windowed.ErrorReport();
    ExpectSameRow(windowed, whole, 0);
    ExpectSameRow(windowed, whole, kRows / 2);
    ASSERT_TRUE(run_elsewhere_(kAppendedRowsSql));
    EXPECT_EQ(windowed.RowCount(), kRows);
    for (const long row : {kRows - 1, kRows / 2 + kWindow, 0L, kRows - 2}) {
      ExpectSameRow(windowed, whole, row);
    }
    EXPECT_FALSE(windowed.MoveToRow(kRows));
  }
}

TEST_P(WindowedResultSetTest, TwoViewsOfTheSameRowsCountThemOnce) {
  RowCountShare share;
  WindowedResultSet profile_pane(kWindow);
  ASSERT_TRUE(profile_pane.Open(connection_, "SELECT * FROM Big", &share));
  // Rows added between the two opens are not seen by the second: it takes the first's count.
  ASSERT_TRUE(run_elsewhere_(kAppendedRowsSql));
  WindowedResultSet content_pane(kWindow);
  ASSERT_TRUE(content_pane.Open(connection_, "Select id AS \"Key\", name FROM Big", &share));
  EXPECT_EQ(content_pane.RowCount(), kRows);
  ASSERT_TRUE(content_pane.MoveToRow(kRows - 1));
  EXPECT_EQ(content_pane.ValueText(kRows - 1, 0), std::to_string(kRows));
  // Each count is handed on once; other rows are never given it.
  for (const char* sql : {"SELECT * FROM Big", "SELECT * FROM Big WHERE id <= 10"}) {
    WindowedResultSet later(kWindow);
    ASSERT_TRUE(later.Open(connection_, sql, &share));
    EXPECT_NE(later.RowCount(), kRows) << sql;
  }
}

TEST_P(WindowedResultSetTest, AQueryThatCannotBePagedIsReadWhole) {
  const std::string sql = "SELECT id FROM Big ORDER BY id LIMIT 5";
  WindowedResultSet windowed(kWindow);
  EXPECT_FALSE(windowed.Open(connection_, sql));
  std::string error;
  const std::unique_ptr<ResultSet> rows = OpenForView(connection_, sql, &error);
  ASSERT_NE(rows, nullptr) << error;
  EXPECT_EQ(rows->RowCount(), 5);
  ASSERT_TRUE(rows->MoveToRow(4));
  EXPECT_EQ(rows->ValueText(4, 0), "5");
  EXPECT_EQ(OpenForView(connection_, "SELECT nothing FROM Nowhere", &error), nullptr);
  EXPECT_FALSE(error.empty());
}

INSTANTIATE_TEST_SUITE_P(Engines, WindowedResultSetTest, AllEngines(), EngineTestName);

}  // namespace
}  // namespace velmora::db
