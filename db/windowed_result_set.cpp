#include "db/windowed_result_set.h"

#include <sqlext.h>

#include <algorithm>

#include "db/odbc_handles.h"
#include "db/paged_query.h"
#include "db/statements.h"
#include "db/wide.h"

namespace velmora::db {

std::string EngineName(SQLHDBC connection) {
  SQLWCHAR name[128] = {};
  SQLSMALLINT bytes = 0;
  if (!Succeeded(SQLGetInfoW(connection, SQL_DBMS_NAME, name, sizeof name, &bytes))) return {};
  return FromSqlWide(name);
}

WindowedResultSet::WindowedResultSet(long window_rows) : window_rows_(std::max(window_rows, 1L)) {}

bool WindowedResultSet::Open(SQLHDBC connection, std::string_view sql) {
  Close();
  error_report_.clear();
  const std::optional<std::string> query = PageableQuery(sql);
  if (!query || !EngineTakesLimitOffset(EngineName(connection))) return false;
  long count = 0;
  if (!RecordCount(connection, *query, &count)) return false;
  connection_ = connection;
  query_ = *query;
  if (!OpenWindow(0)) {
    error_report_ = window_.ErrorReport();
    Close();
    return false;
  }
  for (int c = 0; c < window_.ColumnCount(); ++c) {
    columns_.push_back({window_.ColumnName(c), window_.ColumnType(c), window_.ColumnSize(c),
                        window_.DecimalDigits(c)});
  }
  row_count_ = count;
  open_ = true;
  return true;
}

void WindowedResultSet::Close() {
  window_.Close();
  window_start_ = -1;
  open_ = false;
  row_count_ = 0;
  columns_.clear();
  query_.clear();
  connection_ = SQL_NULL_HANDLE;
}

bool WindowedResultSet::OpenWindow(long first) {
  window_start_ = -1;
  if (!window_.Open(connection_, WindowStatement(query_, first, window_rows_),
                    OdbcResultSet::Counting::kNone)) {
    return false;
  }
  window_start_ = first;
  return true;
}

bool WindowedResultSet::InWindow(long row) const {
  return window_start_ >= 0 && row >= window_start_ && row < window_start_ + window_rows_;
}

long WindowedResultSet::WindowStartFor(long row) const {
  // A view scrolling on past either end of the window goes on that way, so the next window
  // lies ahead of it with a few rows of the screen behind; a jump is centred on its row.
  const long behind = window_rows_ / 8;
  if (window_start_ >= 0) {
    const long end = window_start_ + window_rows_;
    if (row >= end && row < end + window_rows_) return row - behind;
    if (row < window_start_ && row >= window_start_ - window_rows_) {
      return std::max(0L, row - window_rows_ + 1 + behind);
    }
  }
  return std::max(0L, row - window_rows_ / 2);
}

bool WindowedResultSet::MoveToRow(long row) {
  if (!open_ || row < 0 || row >= row_count_) return false;
  if (!InWindow(row) && !OpenWindow(WindowStartFor(row))) return false;
  return window_.MoveToRow(row - window_start_);
}

std::string WindowedResultSet::ValueText(long row, int column) {
  return window_.ValueText(row - window_start_, column);
}

Value WindowedResultSet::GetValue(int column) {
  return window_.GetValue(column);
}

const WindowedResultSet::Column* WindowedResultSet::ColumnAt(int column) const {
  if (!open_ || column < 0 || column >= static_cast<int>(columns_.size())) return nullptr;
  return &columns_[static_cast<std::size_t>(column)];
}

int WindowedResultSet::ColumnCount() const {
  return open_ ? static_cast<int>(columns_.size()) : 0;
}
long WindowedResultSet::RowCount() const {
  return open_ ? row_count_ : 0;
}
std::string WindowedResultSet::ColumnName(int column) const {
  const Column* c = ColumnAt(column);
  return c ? c->name : std::string();
}
int WindowedResultSet::ColumnType(int column) const {
  const Column* c = ColumnAt(column);
  return c ? c->type : 0;
}
int WindowedResultSet::ColumnSize(int column) const {
  const Column* c = ColumnAt(column);
  return c ? c->size : 0;
}
int WindowedResultSet::DecimalDigits(int column) const {
  const Column* c = ColumnAt(column);
  return c ? c->digits : 0;
}

}  // namespace velmora::db
