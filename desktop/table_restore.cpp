#include "desktop/table_restore.h"

#include <algorithm>
#include <optional>
#include <variant>
#include <vector>

#include "db/insert_statement.h"
#include "db/odbc_result_set.h"
#include "db/sql_literal.h"
#include "db/statement.h"
#include "db/statements.h"
#include "db/transaction.h"
#include "profile/profile_store.h"

namespace velmora::desktop {
namespace {

// PostgreSQL's "current transaction is aborted": it takes no more statements until rollback.
constexpr std::string_view kTransactionAborted = "25P02";

struct TargetColumn {
  std::string name;
  db::ParameterType type;
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
    columns.push_back(
        {rows.ColumnName(c),
         {rows.ColumnSqlType(c), static_cast<std::size_t>(std::max(rows.ColumnSize(c), 1)),
          std::max(rows.DecimalDigits(c), 0)}});
  }
  return columns;
}

// The backup's value of a column as the table gets it: a value that cannot be read and an empty
// text are NULL.
db::Value RestoredValue(const transfer::PdbReader& backup, long record, int column) {
  db::Value value = backup.TypedValue(record, column).value_or(db::Value{db::Null{}});
  if (const auto* text = std::get_if<std::string>(&value); text && text->empty()) return db::Null{};
  return value;
}

class RowInserter {
 public:
  RowInserter(db::Connection& connection, const std::vector<TargetColumn>& columns)
      : statement_(connection), columns_(columns) {}

  bool Prepare(const std::string& sql, std::string* reason) {
    if (statement_.Prepare(sql)) return true;
    *reason = db::StatementReport(statement_.Diagnostic());
    return false;
  }

  // Inserts record `record`; on refusal `diag` gets the driver's first diagnostic record.
  bool Insert(const transfer::PdbReader& backup, long record, std::size_t count,
              db::DiagRecord* diag) {
    for (std::size_t c = 0; c < count; ++c) {
      if (!statement_.Bind(static_cast<int>(c + 1),
                           RestoredValue(backup, record, static_cast<int>(c)), columns_[c].type)) {
        *diag = statement_.Diagnostic();
        return false;
      }
    }
    if (statement_.Execute()) return true;
    *diag = statement_.Diagnostic();
    return false;
  }

 private:
  db::Statement statement_;
  const std::vector<TargetColumn>& columns_;
};

std::vector<std::string> ColumnNames(const std::vector<TargetColumn>& columns, std::size_t count) {
  std::vector<std::string> names;
  for (std::size_t c = 0; c < count; ++c) names.push_back(columns[c].name);
  return names;
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
  const db::NameStyle names = bare ? db::NameStyle::kMySql : db::NameStyle::kQuoted;
  const auto columns = DescribeTable(connection, table, &result.reason);
  if (!columns) return result;
  const auto count = static_cast<std::size_t>(backup.ColumnCount());
  if (count == 0 || count > columns->size()) {
    result.reason = "The backup has " + std::to_string(count) + " columns and the table " +
                    std::to_string(columns->size()) + ".";
    return result;
  }

  db::Transaction transaction(connection);
  if (!transaction.Active()) {
    result.reason = db::ConnectionReport(connection.Handle());
    return result;
  }
  if (!db::RunStatement(connection, "Delete from " + table, &result.reason)) return result;
  RowInserter inserter(connection, *columns);
  if (!inserter.Prepare(db::InsertWithMarks(table_name, ColumnNames(*columns, count), names),
                        &result.reason)) {
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
