#include "desktop/table_restore.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>
#include <optional>
#include <variant>
#include <vector>

#include "db/diagnostics.h"
#include "db/odbc_handles.h"
#include "db/odbc_result_set.h"
#include "db/sql_literal.h"
#include "db/statements.h"
#include "platform/files/crash_point.h"
#include "platform/text/utf.h"
#include "profile/profile_store.h"

namespace velmora::desktop {
namespace {

// PostgreSQL's "current transaction is aborted": it takes no more statements until rollback.
constexpr std::string_view kTransactionAborted = "25P02";

struct TargetColumn {
  std::string name;
  SQLSMALLINT sql_type = SQL_VARCHAR;
  SQLULEN size = 0;
  SQLSMALLINT digits = 0;
};

std::optional<std::vector<TargetColumn>> DescribeTable(db::Connection& connection,
                                                       const std::string& table,
                                                       std::string* reason) {
  db::OdbcResultSet rows;
  if (!rows.Open(connection, "Select * from " + table + " where 1=0")) {
    *reason = rows.ErrorReport();
    return std::nullopt;
  }
  std::vector<TargetColumn> columns;
  for (int c = 0; c < rows.ColumnCount(); ++c) {
    columns.push_back({rows.ColumnName(c), static_cast<SQLSMALLINT>(rows.ColumnSqlType(c)),
                       static_cast<SQLULEN>(std::max(rows.ColumnSize(c), 0)),
                       static_cast<SQLSMALLINT>(std::max(rows.DecimalDigits(c), 0))});
  }
  return columns;
}

// Turns auto-commit off for its life; rolls back unless Commit() succeeded.
class Transaction {
 public:
  explicit Transaction(SQLHDBC dbc) : dbc_(dbc) {
    started_ = db::Succeeded(SQLSetConnectAttr(
        dbc_, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0));
  }
  ~Transaction() {
    if (!started_) return;
    if (!committed_) SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
    SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON),
                      0);
  }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  bool started() const { return started_; }
  bool Commit() {
    committed_ = db::Succeeded(SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_COMMIT));
    files::CrashPoint("commit");
    return committed_;
  }

 private:
  SQLHDBC dbc_;
  bool started_ = false;
  bool committed_ = false;
};

// The buffers of one parameter; they must stay put until the row is executed.
struct ParameterBuffer {
  std::u16string text;
  SQLBIGINT integer = 0;
  double real = 0;
  SQL_DATE_STRUCT date{};
  SQL_TIME_STRUCT time{};
  SQL_TIMESTAMP_STRUCT timestamp{};
  SQLLEN indicator = 0;
};

SQLRETURN BindValue(SQLHSTMT statement, SQLUSMALLINT number, const TargetColumn& target,
                    const db::Value& value, ParameterBuffer& buffer) {
  SQLSMALLINT c_type = SQL_C_WCHAR;
  SQLPOINTER data = nullptr;
  SQLLEN length = 0;
  SQLULEN size = std::max<SQLULEN>(target.size, 1);
  if (const auto* text = std::get_if<std::string>(&value); text && !text->empty()) {
    buffer.text = text::Utf8ToUtf16(*text);
    data = buffer.text.data();
    length = static_cast<SQLLEN>(buffer.text.size() * sizeof(char16_t));
    buffer.indicator = length;
    size = std::max<SQLULEN>(size, buffer.text.size());
  } else if (const auto* integer = std::get_if<std::int64_t>(&value)) {
    c_type = SQL_C_SBIGINT;
    buffer.integer = *integer;
    data = &buffer.integer;
    buffer.indicator = sizeof(buffer.integer);
  } else if (const auto* real = std::get_if<double>(&value)) {
    c_type = SQL_C_DOUBLE;
    buffer.real = *real;
    data = &buffer.real;
    buffer.indicator = sizeof(buffer.real);
  } else if (const auto* date = std::get_if<db::Date>(&value)) {
    c_type = SQL_C_TYPE_DATE;
    buffer.date = {static_cast<SQLSMALLINT>(date->year), static_cast<SQLUSMALLINT>(date->month),
                   static_cast<SQLUSMALLINT>(date->day)};
    data = &buffer.date;
    buffer.indicator = sizeof(buffer.date);
  } else if (const auto* time = std::get_if<db::Time>(&value)) {
    c_type = SQL_C_TYPE_TIME;
    buffer.time = {static_cast<SQLUSMALLINT>(time->hour), static_cast<SQLUSMALLINT>(time->minute),
                   static_cast<SQLUSMALLINT>(time->second)};
    data = &buffer.time;
    buffer.indicator = sizeof(buffer.time);
  } else if (const auto* stamp = std::get_if<db::Timestamp>(&value)) {
    c_type = SQL_C_TYPE_TIMESTAMP;
    buffer.timestamp = {
        static_cast<SQLSMALLINT>(stamp->year),    static_cast<SQLUSMALLINT>(stamp->month),
        static_cast<SQLUSMALLINT>(stamp->day),    static_cast<SQLUSMALLINT>(stamp->hour),
        static_cast<SQLUSMALLINT>(stamp->minute), static_cast<SQLUSMALLINT>(stamp->second),
        static_cast<SQLUINTEGER>(stamp->fraction)};
    data = &buffer.timestamp;
    buffer.indicator = sizeof(buffer.timestamp);
  } else {
    buffer.indicator = SQL_NULL_DATA;  // Null, a value that cannot be read, an empty text
  }
  return SQLBindParameter(statement, number, SQL_PARAM_INPUT, c_type, target.sql_type, size,
                          target.digits, data, length, &buffer.indicator);
}

std::string InsertStatement(const std::string& table, const std::vector<TargetColumn>& columns,
                            std::size_t count, bool bare) {
  std::string names;
  std::string marks;
  for (std::size_t c = 0; c < count; ++c) {
    if (c > 0) {
      names += ",";
      marks += ",";
    }
    names += db::SourceIdentifier(columns[c].name, bare);
    marks += "?";
  }
  return "Insert into " + table + " (" + names + ") values (" + marks + ")";
}

class RowInserter {
 public:
  RowInserter(db::Connection& connection, const std::vector<TargetColumn>& columns)
      : connection_(connection), columns_(columns) {}

  bool Prepare(const std::string& sql, std::string* reason) {
    if (!db::Succeeded(statement_.Allocate(connection_.Handle()))) {
      *reason = db::ConnectionReport(connection_.Handle());
      return false;
    }
    std::u16string wide = text::Utf8ToUtf16(sql);
    std::vector<SQLWCHAR> units(wide.begin(), wide.end());
    if (!db::Succeeded(
            SQLPrepareW(statement_.get(), units.data(), static_cast<SQLINTEGER>(units.size())))) {
      *reason = db::StatementErrorReport(statement_.get());
      return false;
    }
    return true;
  }

  // Inserts record `record`; on refusal `diag` gets the driver's first diagnostic record.
  bool Insert(const transfer::PdbReader& backup, long record, std::size_t count,
              db::DiagRecord* diag) {
    SQLFreeStmt(statement_.get(), SQL_RESET_PARAMS);
    buffers_.assign(count, ParameterBuffer{});
    for (std::size_t c = 0; c < count; ++c) {
      const db::Value value =
          backup.TypedValue(record, static_cast<int>(c)).value_or(db::Value{db::Null{}});
      if (!db::Succeeded(BindValue(statement_.get(), static_cast<SQLUSMALLINT>(c + 1), columns_[c],
                                   value, buffers_[c]))) {
        *diag = db::FirstDiagRecord(SQL_HANDLE_STMT, statement_.get());
        return false;
      }
    }
    const SQLRETURN rc = SQLExecute(statement_.get());
    files::CrashPoint("insert");
    if (db::Succeeded(rc)) return true;
    *diag = db::FirstDiagRecord(SQL_HANDLE_STMT, statement_.get());
    return false;
  }

 private:
  db::Connection& connection_;
  const std::vector<TargetColumn>& columns_;
  db::StmtHandle statement_;
  std::vector<ParameterBuffer> buffers_;
};

bool DeletedAll(db::Connection& connection, const std::string& table, std::string* reason) {
  const SQLRETURN rc = db::Execute(connection, "Delete from " + table, reason);
  return db::Succeeded(rc) || rc == SQL_NO_DATA;
}

}  // namespace

TableRestoreResult RestoreTableBackup(db::Connection& connection, const transfer::PdbReader& backup,
                                      std::string_view query) {
  TableRestoreResult result;
  result.rows = backup.IsOpen() ? backup.RecordCount() : 0;
  const std::string table_name = profile::TableNameFromQuery(query);
  if (!connection.IsConnected() || table_name.empty()) {
    result.reason = "No table to restore into.";
    return result;
  }
  const bool bare = connection.DatabaseKind() == db::kKindMySql;
  const std::string table = db::SourceIdentifier(table_name, bare);
  const auto columns = DescribeTable(connection, table, &result.reason);
  if (!columns) return result;
  const auto count = static_cast<std::size_t>(backup.ColumnCount());
  if (count == 0 || count > columns->size()) {
    result.reason = "The backup has " + std::to_string(count) + " columns and the table " +
                    std::to_string(columns->size()) + ".";
    return result;
  }

  Transaction transaction(connection.Handle());
  if (!transaction.started()) {
    result.reason = db::ConnectionReport(connection.Handle());
    return result;
  }
  if (!DeletedAll(connection, table, &result.reason)) return result;
  RowInserter inserter(connection, *columns);
  if (!inserter.Prepare(InsertStatement(table, *columns, count, bare), &result.reason)) {
    return result;
  }
  for (long record = 0; record < result.rows; ++record) {
    db::DiagRecord diag;
    if (inserter.Insert(backup, record, count, &diag)) continue;
    if (diag.state == kTransactionAborted) {
      result.stopped = true;
      break;
    }
    if (++result.refused == 1) {
      result.first_refused = record + 1;
      result.reason = db::StatementReport(diag);
    }
  }
  if (result.refused > 0) return result;  // the transaction rolls back
  if (!transaction.Commit()) {
    result.reason = db::ConnectionReport(connection.Handle());
    return result;
  }
  result.restored = true;
  return result;
}

std::string TableRestoreMessage(const TableRestoreResult& result) {
  if (result.restored) return {};
  if (result.refused == 0) {
    return "The backup could not be restored; the table was not changed.\n\n" + result.reason;
  }
  std::string text = "The database refused " + std::to_string(result.refused) + " of the " +
                     std::to_string(result.rows) + " rows of this backup";
  if (result.stopped) text += " (it took no further rows after the first refusal)";
  text += ", so nothing was restored and the table was not changed.\n\nFirst refused row: " +
          std::to_string(result.first_refused) + "\n" + result.reason;
  return text;
}

}  // namespace velmora::desktop
