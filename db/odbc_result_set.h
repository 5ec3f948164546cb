// The result set of a SELECT over ODBC: columns described once on open, rows counted once,
// then one row at a time by absolute position. Used by the grids and the sync runs. Nothing
// here throws.
//
// Scrollable, the driver's cursor positions on any row and nothing is cached here. Forward
// only, for readers that walk a result once from the start: a move goes forward only (or stays
// on the current row), the driver may stream the rows rather than hold them all (see the
// connection's streamed reads), and the current row's values are read once, in column order,
// and kept until the next move.
#pragma once

#include <sql.h>

#include <string>
#include <string_view>
#include <vector>

#include "db/connection.h"
#include "db/odbc_handles.h"
#include "db/result_set.h"

namespace velmora::db {

class OdbcResultSet : public ResultSet {
 public:
  // The display text of a character value is cut to what a 260-byte buffer holds.
  static constexpr int kValueBufferBytes = 260;

  OdbcResultSet() = default;
  ~OdbcResultSet() override;
  OdbcResultSet(const OdbcResultSet&) = delete;
  OdbcResultSet& operator=(const OdbcResultSet&) = delete;

  // Whether Open counts the rows. Uncounted, RowCount() is 0 and a move past the last row
  // fails: for callers that know the count already.
  enum class Counting { kCount, kNone };
  enum class Cursor { kScrollable, kForwardOnly };

  // Closes what is open, then prepares and executes `sql`; false with nothing open when the
  // driver refuses it (StatementErrorReport() then tells why).
  bool Open(SQLHDBC connection, std::string_view sql, Counting counting = Counting::kCount,
            Cursor cursor = Cursor::kScrollable);
  bool Open(Connection& connection, std::string_view sql, Counting counting = Counting::kCount,
            Cursor cursor = Cursor::kScrollable) {
    return Open(connection.Handle(), sql, counting, cursor);
  }
  // A forward-only result of `sql`, counted.
  bool OpenForward(Connection& connection, std::string_view sql) {
    return Open(connection.Handle(), sql, Counting::kCount, Cursor::kForwardOnly);
  }
  void Close();
  bool IsOpen() const { return open_; }
  short LastReturnCode() const { return last_return_code_; }
  // The statement error report of the last failed open; empty after a successful one.
  const std::string& ErrorReport() const { return error_report_; }
  // The statement handle while open (for callers that bind columns themselves).
  SQLHSTMT Statement() const { return statement_.get(); }

  int ColumnCount() const override;
  long RowCount() const override;
  std::string ColumnName(int column) const override;
  int ColumnType(int column) const override;
  int ColumnSize(int column) const override;
  int DecimalDigits(int column) const override;
  std::string ColumnTypeName(int column) const;
  // The SQL type the driver reported, before folding.
  int ColumnSqlType(int column) const;

  bool MoveToRow(long row) override;
  std::string ValueText(long row, int column) override;
  // The whole value of the current row, text uncut.
  Value GetValue(int column) override;

 private:
  void DescribeColumns();
  void CountRows(SQLHDBC connection, std::string_view sql);
  long CountByScrolling();
  bool CountByWalking();
  bool Execute(SQLHDBC connection, std::string_view sql);
  bool SetCursorAttributes(SQLHSTMT statement);
  bool InRange(int column) const;
  bool PrepareRead(int column);
  bool MoveForwardTo(long row);
  bool OnForwardRow() const;
  void ReadCurrentRow();
  Value ReadValue(int column);
  Value FetchWholeText(int column);
  Value FetchNative(int column, int code);

  short last_return_code_ = 0;
  SQLHDBC connection_ = SQL_NULL_HANDLE;
  StmtHandle statement_;
  bool open_ = false;
  int column_count_ = 0;
  long row_count_ = 0;
  std::vector<int> types_;
  std::vector<int> sql_types_;
  std::vector<int> sizes_;
  std::vector<int> digits_;
  std::string error_report_;
  long current_row_ = -1;
  std::vector<bool> read_columns_;  // columns fetched since the last move
  bool forward_only_ = false;
  bool row_read_ = false;  // forward only: row_values_ hold the current row
  std::vector<Value> row_values_;
};

}  // namespace velmora::db
