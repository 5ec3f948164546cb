#include "db/windowed_result_set.h"

#include <sqlext.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <variant>

#include "db/odbc_handles.h"
#include "db/paged_query.h"
#include "db/sql_literal.h"
#include "db/statements.h"
#include "db/wide.h"

namespace velmora::db {
namespace {

constexpr long kNameUnits = 130;

// The columns of the primary key of `table` as the catalogue names it.
std::vector<std::string> PrimaryKeyColumns(SQLHDBC connection, const std::string& table) {
  std::vector<std::string> columns;
  StmtHandle statement;
  if (!Succeeded(statement.Allocate(connection))) return columns;
  SqlWString name = ToSqlWide(table);
  if (!Succeeded(
          SQLPrimaryKeysW(statement.get(), nullptr, 0, nullptr, 0, Mutable(name), SQL_NTS))) {
    return columns;
  }
  std::array<SQLWCHAR, kNameUnits> buffer{};
  SQLLEN indicator = 0;
  SQLBindCol(statement.get(), 4, SQL_C_WCHAR, buffer.data(), sizeof buffer, &indicator);
  while (Succeeded(SQLFetch(statement.get()))) {
    if (indicator <= 0) continue;
    columns.push_back(FromSqlWide(buffer.data(), static_cast<long>(indicator / 2)));
  }
  SQLCloseCursor(statement.get());
  return columns;
}

std::string IdentifierQuote(SQLHDBC connection) {
  SQLWCHAR quote[8] = {};
  SQLSMALLINT bytes = 0;
  if (!Succeeded(SQLGetInfoW(connection, SQL_IDENTIFIER_QUOTE_CHAR, quote, sizeof quote, &bytes))) {
    return {};
  }
  std::string text = FromSqlWide(quote);
  return text == " " ? std::string() : text;
}

// The one-column primary key of the table that `select` reads, as a statement names it;
// empty when the table has none (or a key of several columns, or a name the engine cannot
// quote).
std::string KeyOf(SQLHDBC connection, const TableSelect& select) {
  const std::string table = UnquotedTable(select.table);
  std::vector<std::string> key = PrimaryKeyColumns(connection, table);
  // An engine that folds bare names keeps them in lower case.
  if (key.empty() && table == select.table) {
    std::string lower = table;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower != table) key = PrimaryKeyColumns(connection, lower);
  }
  const std::string quote = IdentifierQuote(connection);
  if (key.size() != 1 || quote.size() != 1 || key.front().find(quote) != std::string::npos) {
    return {};
  }
  return quote + key.front() + quote;
}

// The highest key as a literal; empty for a value that is not a whole number or a text.
std::string BoundLiteral(const Value& value) {
  if (const auto* number = std::get_if<std::int64_t>(&value)) return std::to_string(*number);
  if (const auto* text = std::get_if<std::string>(&value)) return QuoteText(*text);
  return {};
}

long CountOf(const Value& value) {
  if (const auto* number = std::get_if<std::int64_t>(&value)) return static_cast<long>(*number);
  if (const auto* text = std::get_if<std::string>(&value)) {
    const bool digits = !text->empty() && text->size() < 19 &&
                        std::all_of(text->begin(), text->end(),
                                    [](unsigned char c) { return std::isdigit(c) != 0; });
    return digits ? std::stol(*text) : -1;
  }
  return -1;
}

// Counts the rows of `select` with its highest key in one statement; nothing when the table
// has no key fit for ordering the rows or the driver refuses the statement.
std::optional<RowTally> KeyedTally(SQLHDBC connection, const TableSelect& select) {
  RowTally tally;
  tally.key = KeyOf(connection, select);
  if (tally.key.empty()) return std::nullopt;
  OdbcResultSet counted;
  if (!counted.Open(connection, KeyedCountStatement(select, tally.key),
                    OdbcResultSet::Counting::kNone) ||
      !counted.MoveToRow(0)) {
    return std::nullopt;
  }
  tally.rows = CountOf(counted.GetValue(0));
  tally.bound = BoundLiteral(counted.GetValue(1));
  if (tally.rows < 0) return std::nullopt;
  if (tally.bound.empty()) tally.key.clear();  // no rows, or a key of another kind
  return tally;
}

}  // namespace

std::optional<RowTally> RowCountShare::Take(std::string_view row_source) {
  if (!kept_ || kept_->first != row_source) return std::nullopt;
  std::optional<RowTally> tally = std::move(kept_->second);
  kept_.reset();
  return tally;
}

void RowCountShare::Keep(std::string row_source, RowTally tally) {
  kept_.emplace(std::move(row_source), std::move(tally));
}

std::string EngineName(SQLHDBC connection) {
  SQLWCHAR name[128] = {};
  SQLSMALLINT bytes = 0;
  if (!Succeeded(SQLGetInfoW(connection, SQL_DBMS_NAME, name, sizeof name, &bytes))) return {};
  return FromSqlWide(name);
}

WindowedResultSet::WindowedResultSet(long window_rows) : window_rows_(std::max(window_rows, 1L)) {}

bool WindowedResultSet::Open(SQLHDBC connection, std::string_view sql, RowCountShare* share) {
  Close();
  error_report_.clear();
  const std::optional<std::string> query = PageableQuery(sql);
  if (!query || !EngineTakesLimitOffset(EngineName(connection))) return false;
  const std::optional<TableSelect> select = TableSelectOf(*query);
  const bool by_key = select && select->order.empty();
  const std::string source = select ? RowSourceOf(*select) : std::string();
  std::optional<RowTally> tally = share && select ? share->Take(source) : std::nullopt;
  if (!tally) {
    if (by_key) tally = KeyedTally(connection, *select);
    if (!tally) {
      tally.emplace();
      if (!RecordCount(connection, *query, &tally->rows)) return false;
    }
    if (share && select) share->Keep(source, *tally);
  }
  connection_ = connection;
  query_ = *query;
  tally_ = *tally;
  if (by_key && !tally_.key.empty()) select_ = select;
  if (!OpenWindow(0)) {
    error_report_ = window_.ErrorReport();
    Close();
    return false;
  }
  for (int c = 0; c < window_.ColumnCount(); ++c) {
    columns_.push_back({window_.ColumnName(c), window_.ColumnType(c), window_.ColumnSize(c),
                        window_.DecimalDigits(c)});
  }
  open_ = true;
  return true;
}

void WindowedResultSet::Close() {
  window_.Close();
  window_start_ = -1;
  open_ = false;
  tally_ = {};
  select_.reset();
  columns_.clear();
  query_.clear();
  connection_ = SQL_NULL_HANDLE;
}

std::string WindowedResultSet::WindowStatementFrom(long first, bool* descending) const {
  *descending = false;
  if (!select_) return WindowStatement(query_, first, window_rows_);
  const long rows = tally_.rows;
  *descending = rows - first - window_rows_ < first;
  return KeyedWindowStatement(*select_, tally_.key, tally_.bound, rows, first, window_rows_,
                              *descending);
}

bool WindowedResultSet::OpenWindow(long first) {
  window_start_ = -1;
  bool descending = false;
  if (!window_.Open(connection_, WindowStatementFrom(first, &descending),
                    OdbcResultSet::Counting::kNone)) {
    return false;
  }
  window_start_ = first;
  window_descending_ = descending;
  window_length_ = std::min(window_rows_, tally_.rows - first);
  return true;
}

long WindowedResultSet::IndexInWindow(long row) const {
  return window_descending_ ? window_start_ + window_length_ - 1 - row : row - window_start_;
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
  if (!open_ || row < 0 || row >= tally_.rows) return false;
  if (!InWindow(row) && !OpenWindow(WindowStartFor(row))) return false;
  return window_.MoveToRow(IndexInWindow(row));
}

std::string WindowedResultSet::ValueText(long row, int column) {
  return window_.ValueText(IndexInWindow(row), column);
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
  return open_ ? tally_.rows : 0;
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
