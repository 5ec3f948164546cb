#include "db/statements.h"

#include <sqlext.h>

#include <algorithm>
#include <array>

#include "db/diagnostics.h"
#include "db/driver_text.h"
#include "db/odbc_handles.h"
#include "db/wide.h"
#include "platform/files/crash_point.h"
#include "platform/text/utf.h"

namespace velmora::db {
namespace {

constexpr SQLLEN kTableNameUnits = 256;   // 255 characters and the terminator
constexpr SQLLEN kColumnNameUnits = 130;  // 129 characters and the terminator

void SetDynamicLocking(SQLHSTMT statement) {
  SQLSetStmtAttrW(statement, SQL_ATTR_CURSOR_TYPE, reinterpret_cast<SQLPOINTER>(SQL_CURSOR_DYNAMIC),
                  0);
  SQLSetStmtAttrW(statement, SQL_ATTR_CONCURRENCY, reinterpret_cast<SQLPOINTER>(SQL_CONCUR_LOCK),
                  0);
}

std::string WithoutDoubleQuotes(const std::string& name) {
  std::string out;
  for (char c : name) {
    if (c != '"') out.push_back(c);
  }
  return out;
}

std::string BoundText(const SQLWCHAR* buffer, SQLLEN indicator, SQLLEN buffer_units) {
  if (indicator <= 0 && indicator != SQL_NO_TOTAL) return {};
  SQLLEN units = indicator == SQL_NO_TOTAL ? buffer_units - 1
                                           : std::min<SQLLEN>(indicator / 2, buffer_units - 1);
  return FromSqlWide(buffer, static_cast<long>(units));
}

bool IsSqliteInternalTable(std::string_view name) {
  return text::AsciiUpper(name).starts_with("SQLITE_");
}

// The database the connection works in, for servers whose catalogue calls report the tables of
// every database (MariaDB's own system databases among them); empty when the driver has no
// such notion.
std::string CurrentCatalog(SQLHDBC connection) {
  std::array<SQLWCHAR, kTableNameUnits> buffer{};
  SQLINTEGER length = 0;
  SQLRETURN rc = SQLGetConnectAttrW(connection, SQL_ATTR_CURRENT_CATALOG, buffer.data(),
                                    sizeof buffer, &length);
  if (!Succeeded(rc) || length <= 0) return {};
  return FromSqlWide(buffer.data(), std::min<long>(length / 2, kTableNameUnits - 1));
}

// Rows of a catalogue call that belong to another database than the connection's.
class CatalogFilter {
 public:
  explicit CatalogFilter(SQLHDBC connection) : current_(CurrentCatalog(connection)) {}
  void Bind(SQLHSTMT statement) {
    SQLBindCol(statement, 1, SQL_C_WCHAR, buffer_.data(), sizeof buffer_, &indicator_);
  }
  bool Foreign() const {
    if (current_.empty()) return false;
    std::string row = BoundText(buffer_.data(), indicator_, kTableNameUnits);
    return !row.empty() && row != current_;
  }

 private:
  std::string current_;
  std::array<SQLWCHAR, kTableNameUnits> buffer_{};
  SQLLEN indicator_ = 0;
};

// One row of SQLColumns for the table asked for. The table argument of SQLColumns is a search
// pattern, so a "_" in the name also matches other tables: rows of those are skipped.
struct ColumnRow {
  std::string name;
  SQLSMALLINT data_type = 0;
};

std::vector<ColumnRow> ColumnsOf(Connection& connection, const std::string& table) {
  std::vector<ColumnRow> rows;
  StmtHandle statement;
  if (!Succeeded(statement.Allocate(connection.Handle()))) return rows;
  if (!Succeeded(ColumnsText(connection.Handle(), statement.get(), table))) {
    return rows;
  }
  std::array<SQLWCHAR, kTableNameUnits> table_buffer{};
  std::array<SQLWCHAR, kColumnNameUnits> name_buffer{};
  SQLSMALLINT data_type = 0;
  SQLLEN table_ind = 0, name_ind = 0, type_ind = 0;
  SQLBindCol(statement.get(), 3, SQL_C_WCHAR, table_buffer.data(), sizeof table_buffer, &table_ind);
  SQLBindCol(statement.get(), 4, SQL_C_WCHAR, name_buffer.data(), sizeof name_buffer, &name_ind);
  SQLBindCol(statement.get(), 5, SQL_C_SSHORT, &data_type, 0, &type_ind);
  CatalogFilter catalog(connection.Handle());
  catalog.Bind(statement.get());
  const std::string wanted = text::AsciiUpper(table);
  while (Succeeded(SQLFetch(statement.get()))) {
    if (catalog.Foreign()) continue;
    std::string row_table = BoundText(table_buffer.data(), table_ind, kTableNameUnits);
    if (text::AsciiUpper(row_table) != wanted) continue;
    rows.push_back({BoundText(name_buffer.data(), name_ind, kColumnNameUnits), data_type});
  }
  SQLCloseCursor(statement.get());
  return rows;
}

}  // namespace

SQLRETURN Execute(SQLHDBC connection, std::string_view sql, std::string* error_report) {
  StmtHandle statement;
  SQLRETURN rc = statement.Allocate(connection);
  if (!Succeeded(rc)) {
    if (error_report != nullptr) *error_report = StatementReport(DiagRecord{});
    return rc;
  }
  SetDynamicLocking(statement.get());
  rc = PrepareText(connection, statement.get(), sql);
  if (Succeeded(rc)) rc = SQLExecute(statement.get());
  files::CrashPoint("statement");
  if (!Succeeded(rc) && error_report != nullptr) {
    *error_report = StatementErrorReport(statement.get());
  }
  SQLFreeStmt(statement.get(), SQL_CLOSE);
  return rc;
}

SQLRETURN Execute(Connection& connection, std::string_view sql, std::string* error_report) {
  return Execute(connection.Handle(), sql, error_report);
}

bool RunStatement(Connection& connection, std::string_view sql, std::string* error_report) {
  const SQLRETURN rc = Execute(connection, sql, error_report);
  return Succeeded(rc) || rc == SQL_NO_DATA;
}

// A driver without the wide calls gets the table name and gives the key names as UTF-8 (see
// db/driver_text.h); through the wide calls the driver manager would mangle both.
std::vector<std::string> PrimaryKeyColumns(Connection& connection, const std::string& table) {
  std::vector<std::string> names;
  StmtHandle statement;
  if (!Succeeded(statement.Allocate(connection.Handle()))) return names;
  const bool utf8 = TakesUtf8(connection.Handle());
  std::string narrow = table;
  SqlWString wide = ToSqlWide(table);
  const SQLRETURN rc = utf8 ? SQLPrimaryKeys(statement.get(), nullptr, 0, nullptr, 0,
                                             reinterpret_cast<SQLCHAR*>(narrow.data()), SQL_NTS)
                            : SQLPrimaryKeysW(statement.get(), nullptr, 0, nullptr, 0, wide.data(),
                                              static_cast<SQLSMALLINT>(wide.size()));
  if (!Succeeded(rc)) return names;
  while (Succeeded(SQLFetch(statement.get()))) {
    SQLLEN length = 0;
    if (utf8) {
      char name[1024] = {};
      if (Succeeded(SQLGetData(statement.get(), 4, SQL_C_CHAR, name, sizeof name, &length)) &&
          length > 0) {
        names.emplace_back(name);
      }
      continue;
    }
    SQLWCHAR name[256] = {};
    if (Succeeded(SQLGetData(statement.get(), 4, SQL_C_WCHAR, name, sizeof name, &length)) &&
        length > 0) {
      names.push_back(FromSqlWide(name));
    }
  }
  return names;
}

bool IsAutoIncrement(SQLHSTMT statement, int column) {
  SQLLEN flag = SQL_FALSE;
  const SQLRETURN rc = SQLColAttributeW(statement, static_cast<SQLUSMALLINT>(column + 1),
                                        SQL_DESC_AUTO_UNIQUE_VALUE, nullptr, 0, nullptr, &flag);
  return Succeeded(rc) && flag == SQL_TRUE;
}

bool RecordCount(SQLHDBC connection, std::string_view sql, long* count) {
  std::string wrapped = "SELECT COUNT(*) FROM (" + std::string(sql) + ") SQLRecordCountTb";
  StmtHandle statement;
  if (!Succeeded(statement.Allocate(connection))) return false;
  SetDynamicLocking(statement.get());
  SQLRETURN rc = ExecDirectText(connection, statement.get(), wrapped);
  if (rc != SQL_SUCCESS) {
    // Some drivers refuse the cursor type for an aggregate; try once more without it.
    if (!Succeeded(statement.Allocate(connection))) return false;
    SQLSetStmtAttrW(statement.get(), SQL_ATTR_CONCURRENCY,
                    reinterpret_cast<SQLPOINTER>(SQL_CONCUR_LOCK), 0);
    rc = ExecDirectText(connection, statement.get(), wrapped);
    if (!Succeeded(rc)) return false;
  }
  SQLINTEGER value = 0;
  SQLLEN indicator = 0;
  SQLBindCol(statement.get(), 1, SQL_C_SLONG, &value, 0, &indicator);
  bool fetched = Succeeded(SQLFetch(statement.get()));
  SQLCloseCursor(statement.get());
  if (!fetched) return false;
  if (count != nullptr) *count = value;
  return true;
}

std::vector<std::string> ListTables(Connection& connection) {
  std::vector<std::string> names;
  StmtHandle statement;
  if (!Succeeded(statement.Allocate(connection.Handle()))) return names;
  // Excel's worksheets are reported as system tables.
  std::string_view types =
      connection.DatabaseType() == kDatabaseExcel ? "TABLE,VIEW,SYSTEM TABLE" : "'TABLE'";
  if (!Succeeded(TablesText(connection.Handle(), statement.get(), types))) return names;
  std::array<SQLWCHAR, kTableNameUnits> buffer{};
  SQLLEN indicator = 0;
  SQLBindCol(statement.get(), 3, SQL_C_WCHAR, buffer.data(), sizeof buffer, &indicator);
  CatalogFilter catalog(connection.Handle());
  catalog.Bind(statement.get());
  while (Succeeded(SQLFetch(statement.get()))) {
    if (catalog.Foreign()) continue;
    std::string name = BoundText(buffer.data(), indicator, kTableNameUnits);
    // SQLite keeps its own bookkeeping tables among the user's.
    if (connection.DatabaseType() != kDatabaseExcel && IsSqliteInternalTable(name)) continue;
    names.push_back(std::move(name));
  }
  SQLCloseCursor(statement.get());
  return names;
}

std::vector<std::string> ListColumns(Connection& connection, std::string& table_name) {
  table_name = WithoutDoubleQuotes(table_name);
  std::vector<std::string> names;
  for (ColumnRow& row : ColumnsOf(connection, table_name)) names.push_back(std::move(row.name));
  return names;
}

bool IsUsableSqlType(int t) {
  switch (t) {
    case -28:
    case -26:
    case -18:
    case -17:
    case -16:
    case -15:
    case -11:
    case -10:
    case -9:
    case -8:
    case -7:
    case -6:
    case -1:
    case 91:
    case 93:
      return true;
    default:
      return t >= 1 && t <= 12;
  }
}

int UnusableColumns(Connection& connection, std::string& table_name, std::string* out) {
  table_name = WithoutDoubleQuotes(table_name);
  std::string names;
  int count = 0;
  for (const ColumnRow& row : ColumnsOf(connection, table_name)) {
    if (IsUsableSqlType(row.data_type)) continue;
    names += row.name + ",";
    ++count;
  }
  if (!names.empty()) names.pop_back();
  if (out != nullptr) *out = names;
  return count;
}

}  // namespace velmora::db
