// A result set over a SELECT that holds only a window of its rows: the rows are counted with
// SELECT COUNT(*) over the query, and a move outside the window reads the rows around the
// requested one with "LIMIT n OFFSET m". Memory stays flat in the size of the result, which
// drivers with static cursors (SQLite, PostgreSQL, MariaDB) would otherwise hold whole.
//
// A query of one table without an order of its own, on a table with a one-column primary key,
// is read in the order of that key, and a window nearer the end than the start is read from
// the end (the key descending): an engine that steps over the rows before an offset then
// steps over at most half of them, and the last row costs no more than the first.
//
// The count is taken once, on open. Rows another program adds or removes later are seen by
// the windows read after that: rows added after the last one counted are not shown, rows
// added or removed before a window shift it, and rows removed end the result early (a move
// past the new end fails). A query read in key order shows only rows whose key is at most the
// highest one counted. Any other query without ORDER BY is read in the engine's own order,
// which for a single table is its storage order. Nothing here throws.
#pragma once

#include <sql.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/connection.h"
#include "db/odbc_result_set.h"
#include "db/paged_query.h"
#include "db/result_set.h"

namespace velmora::db {

// The rows of a query counted at one moment, with what reading them in key order needs.
struct RowTally {
  long rows = 0;
  std::string key;    // the key column as a statement names it; empty when not read by key
  std::string bound;  // the highest key counted, as an SQL literal
};

// A count one view took, handed on to the next view of the same rows opened just after it, so
// that the two count once. Each count is handed on once: a later view counts afresh.
class RowCountShare {
 public:
  std::optional<RowTally> Take(std::string_view row_source);
  void Keep(std::string row_source, RowTally tally);
  void Clear() { kept_.reset(); }

 private:
  std::optional<std::pair<std::string, RowTally>> kept_;
};

class WindowedResultSet : public ResultSet {
 public:
  static constexpr long kWindowRows = 256;

  explicit WindowedResultSet(long window_rows = kWindowRows);

  // Opens `sql` when the connection's engine can page it and the query allows it; false with
  // nothing open otherwise (ErrorReport() tells why when the driver refused a statement).
  // With `share`, a count kept there for the same rows is used instead of counting, and a
  // count taken is kept there.
  bool Open(SQLHDBC connection, std::string_view sql, RowCountShare* share = nullptr);
  bool Open(Connection& connection, std::string_view sql, RowCountShare* share = nullptr) {
    return Open(connection.Handle(), sql, share);
  }
  void Close();
  bool IsOpen() const { return open_; }
  const std::string& ErrorReport() const { return error_report_; }
  // The first row of the window held now; -1 when none.
  long WindowStart() const { return window_start_; }
  // Whether the rows are read in the order of the table's key.
  bool ReadsByKey() const { return select_.has_value(); }

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
  std::string WindowStatementFrom(long first, bool* descending) const;
  long IndexInWindow(long row) const;
  bool InWindow(long row) const;
  long WindowStartFor(long row) const;
  const Column* ColumnAt(int column) const;

  long window_rows_;
  SQLHDBC connection_ = SQL_NULL_HANDLE;
  std::string query_;
  std::optional<TableSelect> select_;  // set when read in key order
  RowTally tally_;
  bool open_ = false;
  std::vector<Column> columns_;
  OdbcResultSet window_;
  long window_start_ = -1;
  long window_length_ = 0;
  bool window_descending_ = false;
  std::string error_report_;
};

// The name the driver of `connection` gives its database engine (SQL_DBMS_NAME); empty when
// it gives none.
std::string EngineName(SQLHDBC connection);

}  // namespace velmora::db
