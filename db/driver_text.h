// Which text the driver behind a connection takes: UTF-16 through the wide calls, or UTF-8
// through the 8-bit calls when the driver has no wide entry points (Debian's SQLite driver).
// The driver manager would squeeze such text through UCS-2 and lose what lies outside the BMP,
// so SQL text, catalogue names and column names go straight to those drivers as UTF-8.
// Used by the db library and by the conduit's own direct statements.
#pragma once

#include <sql.h>

#include <string>
#include <string_view>

namespace velmora::db {

// Looks up the driver library of data source `dsn` and records for `connection` whether it
// lacks the wide calls. Called once connected.
void NoteDriverOf(SQLHDBC connection, std::string_view dsn);
void ForgetDriverOf(SQLHDBC connection);
bool TakesUtf8(SQLHDBC connection);

SQLRETURN PrepareText(SQLHDBC connection, SQLHSTMT statement, std::string_view sql);
SQLRETURN ExecDirectText(SQLHDBC connection, SQLHSTMT statement, std::string_view sql);
SQLRETURN TablesText(SQLHDBC connection, SQLHSTMT statement, std::string_view types);
SQLRETURN ColumnsText(SQLHDBC connection, SQLHSTMT statement, std::string_view table);

struct ColumnDescription {
  std::string name;  // at most 255 characters
  SQLSMALLINT sql_type = 0;
  SQLULEN size = 0;
  SQLSMALLINT digits = 0;
};
SQLRETURN DescribeColumn(SQLHDBC connection, SQLHSTMT statement, int column,
                         ColumnDescription* out);

}  // namespace velmora::db
