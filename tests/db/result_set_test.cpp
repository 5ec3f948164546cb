#include "db/odbc_result_set.h"

#include <gtest/gtest.h>
#include <sqlext.h>

#include <functional>

#include "db/statements.h"
#include "db/type_codes.h"
#include "platform/text/utf.h"
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

const std::string kLongText(300, 'x');
// 128 letters and a character outside the BMP: the pair no longer fits the value buffer.
const std::string kPairAtTheCut = std::string(128, 'a') + "𝄞b";

std::string PeopleSql(Engine engine) {
  const char* double_type = engine == Engine::kPostgres ? "DOUBLE PRECISION" : "DOUBLE";
  // MariaDB's TIMESTAMP starts in 1970.
  const char* stamp_type = engine == Engine::kMariaDb ? "DATETIME" : "TIMESTAMP";
  return std::string(
             "DROP TABLE IF EXISTS People; DROP TABLE IF EXISTS a_b; "
             "DROP TABLE IF EXISTS axb; DROP VIEW IF EXISTS Adults;"
             "CREATE TABLE People(id INTEGER PRIMARY KEY, name VARCHAR(400), born DATE, "
             "wake TIME, seen ") +
         stamp_type + ", score " + double_type +
         ", big BIGINT);"
         "INSERT INTO People VALUES(1, 'Zoë Müller 𝄞', '2008-05-17', '00:05:09', "
         "'2008-05-17 14:30:45', 123456789.0, 5);"
         "INSERT INTO People VALUES(2, 'O''Brien', '1899-12-30', '12:30:00', "
         "'2008-05-17 00:00:00', 12345.5, NULL);"
         "INSERT INTO People VALUES(3, NULL, NULL, NULL, NULL, NULL, NULL);"
         "INSERT INTO People VALUES(4, '" +
         kLongText + "', '2020-02-29', '13:00:00', '1899-12-30 09:05:00', 0.5, 7);" +
         "INSERT INTO People VALUES(5, '" + kPairAtTheCut + "', NULL, NULL, NULL, NULL, NULL);" +
         "CREATE TABLE a_b(one INTEGER); CREATE TABLE axb(other INTEGER, more INTEGER);"
         "CREATE VIEW Adults AS SELECT * FROM People;";
}

class ResultSetTest : public ::testing::TestWithParam<Engine> {
 protected:
  void SetUp() override {
    if (GetParam() == Engine::kSqlite) {
      const auto file = odbc_.folder() / "people.mdb";
      ASSERT_TRUE(testing::MakeSqliteFile(
          file, PeopleSql(Engine::kSqlite) +
                    "CREATE TABLE Counter(id INTEGER PRIMARY KEY AUTOINCREMENT, n INTEGER);"
                    "INSERT INTO Counter(n) VALUES(1);"));
      ASSERT_TRUE(connection_.Connect(kCustomDsnDesktop, kDatabaseAccess, file.string(), "", "",
                                      &error_, false))
          << error_;
      connect_ = [file](Connection& c, std::string* error) {
        return c.Connect(kCustomDsnConduit, kDatabaseAccess, file.string(), "", "", error, false);
      };
    } else if (GetParam() == Engine::kMariaDb) {
      MariaDbServer& maria = MariaDbServer::Shared();
      if (!maria.Available()) GTEST_SKIP() << maria.SkipReason();
      std::string output;
      ASSERT_TRUE(maria.Sql("DROP VIEW IF EXISTS Adults;" + PeopleSql(Engine::kMariaDb), &output))
          << output;
      maria.AddDataSource(odbc_, "Maria");
      ASSERT_TRUE(
          connection_.Connect(kCustomDsnDesktop, kDatabaseDsn, "Maria", "", "", &error_, false))
          << error_;
      connect_ = [](Connection& c, std::string* error) {
        return c.Connect(kCustomDsnConduit, kDatabaseDsn, "Maria", "", "", error, false);
      };
      EXPECT_EQ(connection_.DatabaseKind(), kKindMySql);
    } else {
      PgServer& pg = PgServer::Shared();
      if (!pg.Available()) GTEST_SKIP() << pg.SkipReason();
      std::string output;
      ASSERT_TRUE(pg.Psql("DROP VIEW IF EXISTS Adults;" + PeopleSql(Engine::kPostgres), &output))
          << output;
      pg.AddDataSource(odbc_, "Postgres");
      ASSERT_TRUE(
          connection_.Connect(kCustomDsnDesktop, kDatabaseDsn, "Postgres", "", "", &error_, false))
          << error_;
      connect_ = [](Connection& c, std::string* error) {
        return c.Connect(kCustomDsnConduit, kDatabaseDsn, "Postgres", "", "", error, false);
      };
    }
  }

  bool OpenPeople() { return rs_.Open(connection_, "SELECT * FROM People ORDER BY id"); }

  OdbcEnvironment odbc_;
  Connection connection_;
  OdbcResultSet rs_;
  std::string error_;
  // Connects another connection to the same database.
  std::function<bool(Connection&, std::string*)> connect_;
};

TEST_P(ResultSetTest, DescribesColumnsWithNormalisedTypesAndNames) {
  ASSERT_TRUE(OpenPeople()) << rs_.ErrorReport();
  ASSERT_EQ(rs_.ColumnCount(), 7);
  EXPECT_EQ(rs_.RowCount(), 5);
  const char* names[] = {"id", "name", "born", "wake", "seen", "score", "big"};
  const int codes[] = {kTypeInteger,   kTypeChar,   kTypeDate,   kTypeTime,
                       kTypeTimestamp, kTypeDouble, kTypeUnknown};
  const char* type_names[] = {"SQL_INTEGER",        "SQL_CHAR",   "SQL_DATE",        "SQL_TIME",
                              "SQL_TYPE_TIMESTAMP", "SQL_DOUBLE", "SQL_UNKNOWN_TYPE"};
  for (int c = 0; c < 7; ++c) {
    EXPECT_EQ(rs_.ColumnName(c), names[c]);
    EXPECT_EQ(rs_.ColumnType(c), codes[c]) << names[c];
    EXPECT_EQ(rs_.ColumnTypeName(c), type_names[c]);
  }
  EXPECT_GE(rs_.ColumnSize(1), 400);
  EXPECT_LE(rs_.ColumnSize(1), 32766);
  EXPECT_EQ(rs_.ColumnName(7), "");
}

TEST_P(ResultSetTest, ShowsEachValueByTypeAfterAMoveToAnyRow) {
  ASSERT_TRUE(OpenPeople()) << rs_.ErrorReport();
  struct Expect {
    long row;
    std::vector<std::string> texts;
  } rows[] = {
      {3,
       {"4", kLongText.substr(0, 129), "2020/2/29", "01:00:00 PM", "9:05:00 AM", "0.500000", ""}},
      {0,
       {"1", "Zoë Müller 𝄞", "2008/5/17", "12:05:09 AM", "5/17/2008 2:30:45 PM", "1.234568e+08",
        ""}},
      {2, {"3", "", "", "", "", "", ""}},
      {1, {"2", "O'Brien", "Invalidate Date", "12:30:00 PM", "5/17/2008", "12345.500000", ""}},
  };
  for (const Expect& e : rows) {
    ASSERT_TRUE(rs_.MoveToRow(e.row));
    // Right to left, and one column twice: values come from the current row whatever the order.
    for (int c = 6; c >= 0; --c)
      EXPECT_EQ(rs_.ValueText(e.row, c), e.texts[c]) << e.row << "," << c;
    EXPECT_EQ(rs_.ValueText(e.row, 1), e.texts[1]) << "read again";
  }
  EXPECT_FALSE(rs_.MoveToRow(5));
  EXPECT_EQ(rs_.ValueText(5, 0), "");
}

TEST_P(ResultSetTest, AForwardReaderReadsWhatTheScrollableOneReads) {
  ASSERT_TRUE(OpenPeople()) << rs_.ErrorReport();
  OdbcResultSet forward;
  ASSERT_TRUE(forward.OpenForward(connection_, "SELECT * FROM People ORDER BY id"))
      << forward.ErrorReport();
  ASSERT_EQ(forward.RowCount(), rs_.RowCount());
  ASSERT_EQ(forward.ColumnCount(), rs_.ColumnCount());
  // Rows in turn, one skipped; columns right to left and a value twice, typed and as text.
  for (const long row : {0L, 1L, 3L, 4L}) {
    SCOPED_TRACE(row);
    ASSERT_TRUE(rs_.MoveToRow(row));
    ASSERT_TRUE(forward.MoveToRow(row));
    ASSERT_TRUE(forward.MoveToRow(row)) << "staying on the row";
    for (int c = rs_.ColumnCount() - 1; c >= 0; --c) {
      EXPECT_EQ(forward.ValueText(row, c), rs_.ValueText(row, c)) << c;
      EXPECT_EQ(forward.GetValue(c), rs_.GetValue(c)) << c;
      EXPECT_EQ(forward.ValueText(row, c), rs_.ValueText(row, c)) << c << " read again";
    }
  }
  EXPECT_FALSE(forward.MoveToRow(2)) << "no way back";
  EXPECT_FALSE(forward.MoveToRow(5));
  EXPECT_TRUE(IsNull(forward.GetValue(0)));
}

TEST_P(ResultSetTest, AStreamedReadLeavesTheConnectionFreeForOtherStatements) {
  Connection streamed(Program::kConduit);
  streamed.SetStreamedReads(true);
  ASSERT_TRUE(connect_(streamed, &error_)) << error_;
  OdbcResultSet forward;
  ASSERT_TRUE(forward.OpenForward(streamed, "SELECT id, name FROM People ORDER BY id"))
      << forward.ErrorReport();
  ASSERT_EQ(forward.RowCount(), 5);
  ASSERT_TRUE(forward.MoveToRow(0));
  EXPECT_EQ(forward.ValueText(0, 0), "1");
  // The conduit reads the table's columns and counts while the rows are open.
  std::string table = GetParam() == Engine::kPostgres ? "people" : "People";
  EXPECT_EQ(ListColumns(streamed, table).size(), 7u);
  long count = 0;
  EXPECT_TRUE(RecordCount(streamed, "SELECT * FROM People", &count));
  EXPECT_EQ(count, 5);
  for (long row = 1; row < 5; ++row) {
    ASSERT_TRUE(forward.MoveToRow(row));
    EXPECT_EQ(forward.GetValue(0), Value(std::int64_t{row + 1}));
  }
  EXPECT_FALSE(forward.MoveToRow(5));
}

TEST_P(ResultSetTest, CutsDisplayTextToTheValueBufferButNotTheWholeValue) {
  ASSERT_TRUE(OpenPeople());
  ASSERT_TRUE(rs_.MoveToRow(3));
  EXPECT_EQ(rs_.ValueText(3, 1).size(), 129u);
  EXPECT_EQ(rs_.GetValue(1), Value(kLongText));
  ASSERT_TRUE(rs_.MoveToRow(4));
  EXPECT_EQ(rs_.ValueText(4, 1), std::string(128, 'a')) << "no half surrogate pair";
  EXPECT_EQ(rs_.GetValue(1), Value(kPairAtTheCut));
}

TEST_P(ResultSetTest, GivesTypedValues) {
  ASSERT_TRUE(OpenPeople());
  ASSERT_TRUE(rs_.MoveToRow(0));
  EXPECT_EQ(rs_.GetValue(0), Value(std::int64_t{1}));
  EXPECT_EQ(rs_.GetValue(2), Value(Date{2008, 5, 17}));
  EXPECT_EQ(rs_.GetValue(3), Value(Time{0, 5, 9}));
  EXPECT_EQ(rs_.GetValue(4), Value(Timestamp{2008, 5, 17, 14, 30, 45, 0}));
  EXPECT_EQ(rs_.GetValue(5), Value(123456789.0));
  EXPECT_EQ(rs_.GetValue(6), Value(std::int64_t{5}));
  ASSERT_TRUE(rs_.MoveToRow(2));
  for (int c = 1; c < 7; ++c) EXPECT_TRUE(IsNull(rs_.GetValue(c))) << c;
}

TEST_P(ResultSetTest, TextOutsideTheBmpRoundTripsThroughWideCalls) {
  const std::string text = "日本語 😀 𝄞 ĳ ß Ω";
  std::string error;
  ASSERT_TRUE(Succeeded(
      Execute(connection_, "INSERT INTO People(id, name) VALUES(9, '" + text + "')", &error)))
      << error;
  ASSERT_TRUE(rs_.Open(connection_, "SELECT name FROM People WHERE name = '" + text + "'"));
  ASSERT_EQ(rs_.RowCount(), 1);
  ASSERT_TRUE(rs_.MoveToRow(0));
  EXPECT_EQ(rs_.ValueText(0, 0), text);
}

TEST_P(ResultSetTest, CountsRowsByTheCountWrapperOrElseByScrolling) {
  long count = -1;
  EXPECT_TRUE(RecordCount(connection_, "SELECT * FROM People WHERE id > 1", &count));
  EXPECT_EQ(count, 4);
  // A trailing semicolon cannot be wrapped in the COUNT(*) statement.
  const std::string unwrappable = "SELECT * FROM People WHERE id > 1;";
  EXPECT_FALSE(RecordCount(connection_, unwrappable, &count));
  ASSERT_TRUE(rs_.Open(connection_, unwrappable)) << rs_.ErrorReport();
  EXPECT_EQ(rs_.RowCount(), 4);
  ASSERT_TRUE(rs_.MoveToRow(0)) << "positions again after counting by scrolling";
  EXPECT_NE(rs_.ValueText(0, 0), "");
  ASSERT_TRUE(rs_.Open(connection_, "SELECT * FROM People WHERE id > 100"));
  EXPECT_EQ(rs_.RowCount(), 0);
  EXPECT_FALSE(rs_.MoveToRow(0));
}

TEST_P(ResultSetTest, AFailedOpenLeavesNothingOpenAndSaysWhy) {
  ASSERT_TRUE(OpenPeople());
  EXPECT_FALSE(rs_.Open(connection_, "SELECT * FROM NoSuchTable"));
  EXPECT_FALSE(rs_.IsOpen());
  EXPECT_EQ(rs_.ColumnCount(), 0);
  EXPECT_EQ(rs_.RowCount(), 0);
  EXPECT_EQ(rs_.ErrorReport().rfind("ODBC Reports : \n\nSQLSTATE:", 0), 0u) << rs_.ErrorReport();
  EXPECT_NE(text::AsciiUpper(rs_.ErrorReport()).find("NOSUCHTABLE"), std::string::npos)
      << rs_.ErrorReport();
  EXPECT_FALSE(rs_.MoveToRow(0));
  ASSERT_TRUE(OpenPeople());
  rs_.Close();
  EXPECT_FALSE(rs_.IsOpen());
  EXPECT_EQ(rs_.ColumnCount(), 0);
}

TEST_P(ResultSetTest, ExecuteReturnsTheDriversResult) {
  std::string error;
  EXPECT_TRUE(Succeeded(Execute(connection_, "UPDATE People SET name = 'Al' WHERE id = 3", &error)))
      << error;
  // No row affected: SQL_NO_DATA from most drivers, plain success from MariaDB's.
  SQLRETURN none = Execute(connection_, "DELETE FROM People WHERE id = 99");
  EXPECT_EQ(none, GetParam() == Engine::kMariaDb ? SQL_SUCCESS : SQL_NO_DATA);
  EXPECT_EQ(Execute(connection_, "UPDATE Nowhere SET x = 1", &error), SQL_ERROR);
  EXPECT_EQ(error.rfind("ODBC Reports : \n\nSQLSTATE:", 0), 0u);
}

TEST_P(ResultSetTest, ListsTablesButNeitherViewsNorSystemTables) {
  std::vector<std::string> tables = ListTables(connection_);
  std::vector<std::string> expected = {"People", "a_b", "axb"};
  if (GetParam() == Engine::kSqlite) expected.push_back("Counter");
  if (GetParam() == Engine::kPostgres) expected[0] = "people";
  std::sort(tables.begin(), tables.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(tables, expected);
}

TEST_P(ResultSetTest, ListsTheColumnsOfExactlyTheNamedTable) {
  std::string table = GetParam() == Engine::kSqlite ? "\"People\"" : "\"people\"";
  std::vector<std::string> columns = ListColumns(connection_, table);
  EXPECT_EQ(table, GetParam() == Engine::kSqlite ? "People" : "people") << "quotes removed";
  EXPECT_EQ(columns,
            (std::vector<std::string>{"id", "name", "born", "wake", "seen", "score", "big"}));
  table = "a_b";
  EXPECT_EQ(ListColumns(connection_, table), std::vector<std::string>{"one"})
      << "the _ of the name is not a wildcard";
  table = "nothing";
  EXPECT_TRUE(ListColumns(connection_, table).empty());
}

TEST_P(ResultSetTest, NamesTheColumnsNoValueRuleCanHandle) {
  std::string table = GetParam() == Engine::kSqlite ? "\"People\"" : "people";
  std::string names = "untouched";
  EXPECT_EQ(UnusableColumns(connection_, table, &names), 2);
  EXPECT_EQ(names, "wake,big");
  table = "axb";
  EXPECT_EQ(UnusableColumns(connection_, table, &names), 0);
  EXPECT_EQ(names, "");
}

INSTANTIATE_TEST_SUITE_P(Engines, ResultSetTest, AllEngines(), EngineTestName);

TEST(UsableSqlTypes, AreTheTypesWithAValueRule) {
  for (int t : {-28, -26, -18, -17, -16, -15, -11, -10, -9, -8, -7, -6, -1, 1, 5, 12, 91, 93}) {
    EXPECT_TRUE(IsUsableSqlType(t)) << t;
  }
  for (int t : {-5, -4, -3, -2, 0, 13, 92, 94, -154}) EXPECT_FALSE(IsUsableSqlType(t)) << t;
}

}  // namespace
}  // namespace velmora::db
