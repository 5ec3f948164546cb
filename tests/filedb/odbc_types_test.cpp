// Staged tables as the SQLite 3 ODBC driver presents them to the db layer: the SQL types that
// the declared column types give, the table list, and dates read as date structures.
#include <shapefil.h>
#include <sql.h>
#include <sqlext.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "platform/filedb/file_database.h"
#include "tests/filedb/staged_query.h"
#include "tests/support/temp_dir.h"

namespace velmora::filedb {
namespace {

const std::filesystem::path kDriver = "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so";
const std::filesystem::path kWorkbook =
    std::filesystem::path(VELMORA_FIXTURES_DIR) / "contacts.xls";

// An ODBC configuration of the test's own that knows only the SQLite 3 driver.
class OdbcConfig {
 public:
  OdbcConfig() {
    velmora::testing::WriteFileBytes(dir_ / "odbcinst.ini",
                                     "[SQLite3]\nDriver=" + kDriver.string() + "\n");
    velmora::testing::WriteFileBytes(dir_ / "odbc.ini", "");
    setenv("ODBCSYSINI", dir_.path().c_str(), 1);
    setenv("ODBCINI", (dir_ / "odbc.ini").c_str(), 1);
  }
  ~OdbcConfig() {
    unsetenv("ODBCSYSINI");
    unsetenv("ODBCINI");
  }

 private:
  velmora::testing::TempDir dir_;
};

class Odbc {
 public:
  explicit Odbc(const std::filesystem::path& sqlite_file) {
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
    const std::string text = "Driver=SQLite3;Database=" + sqlite_file.string() + ";";
    connected_ = SQL_SUCCEEDED(SQLDriverConnect(dbc_, nullptr, (SQLCHAR*)text.c_str(), SQL_NTS,
                                                nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT));
    if (connected_) SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt_);
  }
  ~Odbc() {
    if (stmt_) SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
    if (connected_) SQLDisconnect(dbc_);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    SQLFreeHandle(SQL_HANDLE_ENV, env_);
  }
  bool connected() const { return connected_; }

  std::map<std::string, int> ColumnTypes(const std::string& table) {
    std::map<std::string, int> types;
    SQLColumns(stmt_, nullptr, 0, nullptr, 0, (SQLCHAR*)table.c_str(), SQL_NTS, nullptr, 0);
    while (SQL_SUCCEEDED(SQLFetch(stmt_))) {
      char name[130] = {};
      SQLSMALLINT type = 0;
      SQLLEN length = 0;
      SQLGetData(stmt_, 4, SQL_C_CHAR, name, sizeof name, &length);
      SQLGetData(stmt_, 5, SQL_C_SSHORT, &type, 0, &length);
      types[name] = type;
    }
    SQLCloseCursor(stmt_);
    return types;
  }

  std::vector<std::string> Tables(const char* types) {
    std::vector<std::string> names;
    SQLTables(stmt_, nullptr, 0, nullptr, 0, nullptr, 0, (SQLCHAR*)types, SQL_NTS);
    while (SQL_SUCCEEDED(SQLFetch(stmt_))) {
      char name[256] = {};
      SQLLEN length = 0;
      SQLGetData(stmt_, 3, SQL_C_CHAR, name, sizeof name, &length);
      names.push_back(name);
    }
    SQLCloseCursor(stmt_);
    return names;
  }

  std::vector<SQL_DATE_STRUCT> Dates(const std::string& sql) {
    std::vector<SQL_DATE_STRUCT> dates;
    SQLExecDirect(stmt_, (SQLCHAR*)sql.c_str(), SQL_NTS);
    while (SQL_SUCCEEDED(SQLFetch(stmt_))) {
      SQL_DATE_STRUCT date{};
      SQLLEN length = 0;
      SQLGetData(stmt_, 1, SQL_C_TYPE_DATE, &date, sizeof date, &length);
      dates.push_back(date);
    }
    SQLCloseCursor(stmt_);
    return dates;
  }

 private:
  SQLHENV env_ = SQL_NULL_HENV;
  SQLHDBC dbc_ = SQL_NULL_HDBC;
  SQLHSTMT stmt_ = SQL_NULL_HSTMT;
  bool connected_ = false;
};

class DriverView : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(kDriver)) GTEST_SKIP() << "SQLite 3 ODBC driver not installed";
  }
  testing::PrivateTmpDir tmp_;
  OdbcConfig config_;
};

TEST_F(DriverView, WorksheetsAreListedWithTheExcelTableTypes) {
  auto staged = Stage(kTypeExcel, kWorkbook, nullptr);
  ASSERT_TRUE(staged);
  Odbc odbc(staged->sqlite_file);
  ASSERT_TRUE(odbc.connected());
  EXPECT_EQ(odbc.Tables("TABLE,VIEW,SYSTEM TABLE"),
            (std::vector<std::string>{"Contacts$", "Companies$"}));
  EXPECT_EQ(odbc.ColumnTypes("Contacts$"), (std::map<std::string, int>{{"FirstName", SQL_VARCHAR},
                                                                       {"LastName", SQL_VARCHAR},
                                                                       {"Email", SQL_VARCHAR},
                                                                       {"Phone", SQL_VARCHAR},
                                                                       {"Birthday", SQL_TYPE_DATE},
                                                                       {"Visits", SQL_DOUBLE}}));
  const auto dates = odbc.Dates("SELECT Birthday FROM \"Contacts$\" ORDER BY rowid");
  ASSERT_EQ(dates.size(), 3u);
  EXPECT_EQ(dates[0].year, 1815);
  EXPECT_EQ(dates[0].month, 12);
  EXPECT_EQ(dates[0].day, 10);
}

TEST_F(DriverView, DbaseFieldTypesArriveAsTheirSqlTypes) {
  velmora::testing::TempDir data;
  DBFHandle dbf = DBFCreate((data / "people.dbf").c_str());
  ASSERT_NE(dbf, nullptr);
  DBFAddNativeFieldType(dbf, "NAME", 'C', 20, 0);
  DBFAddNativeFieldType(dbf, "VISITS", 'N', 5, 0);
  DBFAddNativeFieldType(dbf, "BALANCE", 'N', 10, 2);
  DBFAddNativeFieldType(dbf, "RATING", 'F', 12, 3);
  DBFAddNativeFieldType(dbf, "BORN", 'D', 8, 0);
  DBFAddNativeFieldType(dbf, "ACTIVE", 'L', 1, 0);
  DBFWriteStringAttribute(dbf, 0, 0, "Ada");
  DBFWriteAttributeDirectly(dbf, 0, 4, const_cast<char*>("18151210"));
  DBFClose(dbf);
  auto staged = Stage(kTypeDbase, data.path(), nullptr);
  ASSERT_TRUE(staged);
  Odbc odbc(staged->sqlite_file);
  ASSERT_TRUE(odbc.connected());
  EXPECT_EQ(odbc.Tables("'TABLE'"), (std::vector<std::string>{"people"}));
  // The driver reports CHAR(n) as SQL_VARCHAR and NUMERIC(w,d) as SQL_DOUBLE.
  EXPECT_EQ(odbc.ColumnTypes("people"), (std::map<std::string, int>{{"NAME", SQL_VARCHAR},
                                                                    {"VISITS", SQL_INTEGER},
                                                                    {"BALANCE", SQL_DOUBLE},
                                                                    {"RATING", SQL_DOUBLE},
                                                                    {"BORN", SQL_TYPE_DATE},
                                                                    {"ACTIVE", SQL_BIT}}));
  const auto dates = odbc.Dates("SELECT BORN FROM people");
  ASSERT_EQ(dates.size(), 1u);
  EXPECT_EQ(dates[0].year, 1815);
}

TEST_F(DriverView, CsvColumnsAreText) {
  velmora::testing::TempDir data;
  velmora::testing::WriteFileBytes(data / "contacts.csv", "Name,Visits\nAda,12\n");
  auto staged = Stage(kTypeCsv, data.path(), nullptr);
  ASSERT_TRUE(staged);
  Odbc odbc(staged->sqlite_file);
  ASSERT_TRUE(odbc.connected());
  EXPECT_EQ(odbc.ColumnTypes("contacts.csv"),
            (std::map<std::string, int>{{"Name", SQL_VARCHAR}, {"Visits", SQL_VARCHAR}}));
}

}  // namespace
}  // namespace velmora::filedb
