// A result set over a SELECT that holds only a window of its rows: the rows are counted with
// SELECT COUNT(*) over the query, and a move outside the window reads the rows around the
// requested one with "LIMIT n OFFSET m". Memory stays flat in the size of the result, which
// drivers with static cursors (SQLite, PostgreSQL, MariaDB) would otherwise hold whole.
//
// The count is taken once, on open. Rows another program adds or removes later are seen by
// the windows read after that: rows added after the last one counted are not shown, rows
// added or removed before a window shift it, and rows removed end the result early (a move
// past the new end fails). A query without ORDER BY is read in the engine's own order, which
// for a single table is its storage order. Nothing here throws.
#pragma once

#include <sql.h>

#include <string>
#include <string_view>
#include <vector>

#include "db/connection.h"
#include "db/odbc_result_set.h"
#include "db/result_set.h"

namespace velmora::db {

class WindowedResultSet : public ResultSet {
 public:
  static constexpr long kWindowRows = 256;

  explicit WindowedResultSet(long window_rows = kWindowRows);

  // Opens `sql` when the connection's engine can page it and the query allows it; false with
  // nothing open otherwise (ErrorReport() tells why when the driver refused a statement).
  bool Open(SQLHDBC connection, std::string_view sql);
  bool Open(Connection& connection, std::string_view sql) { return Open(connection.Handle(), sql); }
  void Close();
  bool IsOpen() const { return open_; }
  const std::string& ErrorReport() const { return error_report_; }
  // The first row of the window held now; -1 when none.
  long WindowStart() const { return window_start_; }

  int ColumnCount() const override;
  long RowCount() const override;
  std::string ColumnName(int column) const override;
  int ColumnType(int column) const override;
  int ColumnSize(int column) const override;
  int DecimalDigits(int column) const override;

  bool MoveToRow(long row) override;
  std::string ValueText(long row, int column) override;
  Value GetValue(int column) override;

 private:
  struct Column {
    std::string name;
    int type = 0;
    int size = 0;
    int digits = 0;
  };

  bool OpenWindow(long first);
  bool InWindow(long row) const;
  long WindowStartFor(long row) const;
  const Column* ColumnAt(int column) const;

  long window_rows_;
  SQLHDBC connection_ = SQL_NULL_HANDLE;
  std::string query_;
  bool open_ = false;
  long row_count_ = 0;
  std::vector<Column> columns_;
  OdbcResultSet window_;
  long window_start_ = -1;
  std::string error_report_;
};

// The name the driver of `connection` gives its database engine (SQL_DBMS_NAME); empty when
// it gives none.
std::string EngineName(SQLHDBC connection);

}  // namespace velmora::db
