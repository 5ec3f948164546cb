// db::Statement, db::Transaction and the INSERT builder on each engine: one prepared INSERT
// rebound with every kind of value, a transaction rolled back by its end, a failed statement
// undone alone by its savepoint, and a connection that cannot do transactions.
#include "db/statement.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "db/insert_statement.h"
#include "db/odbc_result_set.h"
#include "db/transaction.h"
#include "db/type_codes.h"
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

std::string KindsSql(Engine engine) {
  const char* double_type = engine == Engine::kPostgres ? "DOUBLE PRECISION" : "DOUBLE";
  const char* stamp_type = engine == Engine::kMariaDb ? "DATETIME" : "TIMESTAMP";
  return std::string("DROP TABLE IF EXISTS \"Kinds\";") +
         "CREATE TABLE \"Kinds\"(id INTEGER PRIMARY KEY, \"full name\" VARCHAR(100), n BIGINT, "
         "r " +
         double_type + ", d DATE, t TIME, s " + stamp_type + ");";
}

class StatementTest : public ::testing::TestWithParam<Engine> {
 protected:
  void SetUp() override {
    if (GetParam() == Engine::kSqlite) {
      file_ = odbc_.folder() / "kinds.mdb";
      ASSERT_TRUE(testing::MakeSqliteFile(file_, KindsSql(Engine::kSqlite)));
    } else if (GetParam() == Engine::kMariaDb) {
      MariaDbServer& maria = MariaDbServer::Shared();
      if (!maria.Available()) GTEST_SKIP() << maria.SkipReason();
      std::string output;
      // Double quotes name identifiers only in ANSI mode; the statements below use backquotes.
      std::string sql = KindsSql(Engine::kMariaDb);
      std::replace(sql.begin(), sql.end(), '"', '`');
      ASSERT_TRUE(maria.Sql(sql, &output)) << output;
      maria.AddDataSource(odbc_, "Maria");
    } else {
      PgServer& pg = PgServer::Shared();
      if (!pg.Available()) GTEST_SKIP() << pg.SkipReason();
      std::string output;
      ASSERT_TRUE(pg.Psql(KindsSql(Engine::kPostgres), &output)) << output;
      pg.AddDataSource(odbc_, "Postgres");
    }
    ASSERT_TRUE(Connect(connection_));
  }

  bool Connect(Connection& connection, std::string_view temp_dsn = kCustomDsnDesktop) {
    switch (GetParam()) {
      case Engine::kSqlite:
        return connection.Connect(temp_dsn, kDatabaseAccess, file_.string(), "", "", &error_,
                                  false);
      case Engine::kMariaDb:
        return connection.Connect(kCustomDsnDesktop, kDatabaseDsn, "Maria", "", "", &error_, false);
      default:
        return connection.Connect(kCustomDsnDesktop, kDatabaseDsn, "Postgres", "", "", &error_,
                                  false);
    }
  }

  NameStyle Names() const {
    return GetParam() == Engine::kMariaDb ? NameStyle::kMySql : NameStyle::kQuoted;
  }
  std::string Table() const { return NameInStyle("Kinds", Names()); }

  // How many rows a separate connection sees: what was committed.
  long CommittedRows() {
    Connection other;
    if (!Connect(other, kCustomDsnConduit)) return -1;
    OdbcResultSet rows;
    if (!rows.Open(other, "SELECT * FROM " + Table())) return -1;
    return rows.RowCount();
  }

  bool Insert(Statement& statement, long id) {
    return statement.Bind(1, std::int64_t{id}) && statement.Execute();
  }

  OdbcEnvironment odbc_;
  std::filesystem::path file_;
  Connection connection_;
  std::string error_;
};

TEST_P(StatementTest, OnePreparedInsertTakesEveryKindOfValueRowByRow) {
  const std::vector<std::string> columns = {"id", "full name", "n", "r", "d", "t", "s"};
  const std::vector<ParameterType> types = {ParameterTypeOfCode(kTypeInteger, 0, 0),
                                            ParameterTypeOfCode(kTypeChar, 0, 0),
                                            {-5 /* SQL_BIGINT */, 0, 0},
                                            ParameterTypeOfCode(kTypeDouble, 0, 0),
                                            ParameterTypeOfCode(kTypeDate, 0, 0),
                                            ParameterTypeOfCode(kTypeTime, 0, 0),
                                            ParameterTypeOfCode(kTypeTimestamp, 0, 0)};
  const std::vector<std::vector<Value>> rows = {
      {std::int64_t{1}, std::string("Zoë O'Brien 𝄞 日本"), std::int64_t{1} << 40, 0.25,
       Date{2008, 5, 17}, Time{14, 30, 45}, Timestamp{1999, 12, 31, 23, 59, 58, 0}},
      {std::int64_t{2}, Null{}, Null{}, Null{}, Null{}, Null{}, Null{}},
      {std::int64_t{3}, std::string("x'); DROP TABLE Kinds; --"), std::int64_t{-7}, -1e10,
       Date{1899, 12, 30}, Time{0, 0, 1}, Timestamp{2020, 2, 29, 0, 0, 0, 0}},
  };
  Transaction transaction(connection_);
  ASSERT_TRUE(transaction.Active());
  Statement insert(connection_);
  ASSERT_TRUE(insert.Prepare(InsertWithMarks("Kinds", columns, Names()))) << insert.Report();
  for (const auto& row : rows) {
    for (std::size_t c = 0; c < row.size(); ++c) {
      ASSERT_TRUE(insert.Bind(static_cast<int>(c + 1), row[c], types[c])) << insert.Report();
    }
    ASSERT_TRUE(insert.Execute()) << insert.Report();
  }
  ASSERT_TRUE(transaction.Commit());

  OdbcResultSet stored;
  ASSERT_TRUE(stored.Open(connection_, "SELECT * FROM " + Table() + " ORDER BY id"))
      << stored.ErrorReport();
  ASSERT_EQ(stored.RowCount(), static_cast<long>(rows.size()));
  for (std::size_t r = 0; r < rows.size(); ++r) {
    ASSERT_TRUE(stored.MoveToRow(static_cast<long>(r)));
    for (std::size_t c = 0; c < rows[r].size(); ++c) {
      EXPECT_EQ(stored.GetValue(static_cast<int>(c)), rows[r][c]) << "row " << r << " column " << c;
    }
  }
}

TEST_P(StatementTest, TransactionRollsBackWhenItEndsUncommittedAndRestoresAutoCommit) {
  Statement insert(connection_);
  ASSERT_TRUE(insert.Prepare(InsertWithMarks("Kinds", {"id"}, Names()))) << insert.Report();
  {
    Transaction transaction(connection_);
    ASSERT_TRUE(transaction.Active());
    ASSERT_TRUE(Insert(insert, 1)) << insert.Report();
  }
  EXPECT_EQ(CommittedRows(), 0);
  ASSERT_TRUE(Insert(insert, 2)) << insert.Report();
  EXPECT_EQ(CommittedRows(), 1) << "a statement after the transaction commits by itself";
}

TEST_P(StatementTest, FailedStepIsUndoneAloneAndTheOthersCommit) {
  Transaction transaction(connection_);
  ASSERT_TRUE(transaction.Active());
  Statement insert(connection_);
  ASSERT_TRUE(insert.Prepare(InsertWithMarks("Kinds", {"id"}, Names())));
  for (long id : {1L, 1L, 2L}) {
    transaction.BeginStep();
    const bool inserted = Insert(insert, id);
    EXPECT_TRUE(transaction.EndStep(inserted)) << "id " << id;
  }
  EXPECT_FALSE(insert.Diagnostic().state.empty()) << "the duplicate's refusal is kept";
  ASSERT_TRUE(transaction.Commit());
  EXPECT_EQ(CommittedRows(), 2);
}

INSTANTIATE_TEST_SUITE_P(Engines, StatementTest, AllEngines(), EngineTestName);

TEST(Transaction, WithoutTransactionsStatementsTakeEffectOneByOne) {
  Connection closed;
  Transaction transaction(closed);
  EXPECT_FALSE(transaction.Active());
  transaction.BeginStep();
  EXPECT_TRUE(transaction.EndStep(false)) << "nothing to stop: no later statement is at risk";
  EXPECT_TRUE(transaction.Commit());
  EXPECT_FALSE(transaction.Commit()) << "ended";
}

TEST(InsertStatement, NamesEachStyleAndMarksEveryColumn) {
  struct Case {
    NameStyle style;
    const char* expected;
  } cases[] = {
      {NameStyle::kQuoted, R"(INSERT INTO "My ""T"""("a","Grün b")VALUES(?,?))"},
      {NameStyle::kMySql, "INSERT INTO `My \"T\"`(a,`Grün b`)VALUES(?,?)"},
      {NameStyle::kBareWherePlain, R"(INSERT INTO "My ""T"""(a,"Grün b")VALUES(?,?))"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(InsertWithMarks("My \"T\"", {"a", "Grün b"}, c.style), c.expected);
  }
}

}  // namespace
}  // namespace velmora::db
