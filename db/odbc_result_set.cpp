#include "db/odbc_result_set.h"

#include <sqlext.h>

#include <algorithm>
#include <limits>

#include "db/diagnostics.h"
#include "db/driver_text.h"
#include "db/statements.h"
#include "db/type_codes.h"
#include "db/value_format.h"
#include "db/wide.h"
#include "platform/files/crash_point.h"
#include "platform/text/utf.h"

namespace velmora::db {
namespace {

constexpr long kValueBufferUnits = OdbcResultSet::kValueBufferBytes / 2;

// Text of a value buffer that holds at most `buffer_units` code units with the terminator,
// kept whole at a surrogate pair boundary.
std::string CutText(const SQLWCHAR* buffer, SQLLEN indicator, long buffer_units) {
  long units = indicator == SQL_NO_TOTAL
                   ? buffer_units - 1
                   : std::min<long>(static_cast<long>(indicator / 2), buffer_units - 1);
  std::u16string u16(buffer, buffer + units);
  // A cut value may end in the first half of a surrogate pair.
  if (!u16.empty() && u16.back() >= 0xD800 && u16.back() <= 0xDBFF) u16.pop_back();
  return text::Utf16ToUtf8(u16);
}

template <typename T>
bool GetFixed(SQLHSTMT statement, int column, SQLSMALLINT c_type, T* out) {
  SQLLEN indicator = 0;
  SQLRETURN rc = SQLGetData(statement, static_cast<SQLUSMALLINT>(column + 1), c_type, out,
                            sizeof(T), &indicator);
  return Succeeded(rc) && indicator > 0;
}

}  // namespace

OdbcResultSet::~OdbcResultSet() {
  Close();
}

bool OdbcResultSet::SetCursorAttributes(SQLHSTMT statement) {
  if (forward_only_) {
    SQLSetStmtAttrW(statement, SQL_ATTR_CONCURRENCY,
                    reinterpret_cast<SQLPOINTER>(SQL_CONCUR_READ_ONLY), 0);
    return Succeeded(SQLSetStmtAttrW(statement, SQL_ATTR_CURSOR_TYPE,
                                     reinterpret_cast<SQLPOINTER>(SQL_CURSOR_FORWARD_ONLY), 0));
  }
  SQLRETURN rc = SQLSetStmtAttrW(statement, SQL_ATTR_CURSOR_TYPE,
                                 reinterpret_cast<SQLPOINTER>(SQL_CURSOR_DYNAMIC), 0);
  if (!Succeeded(rc)) {
    // A driver without dynamic cursors still positions absolutely on a static one.
    rc = SQLSetStmtAttrW(statement, SQL_ATTR_CURSOR_TYPE,
                         reinterpret_cast<SQLPOINTER>(SQL_CURSOR_STATIC), 0);
  }
  SQLSetStmtAttrW(statement, SQL_ATTR_CONCURRENCY, reinterpret_cast<SQLPOINTER>(SQL_CONCUR_LOCK),
                  0);
  return Succeeded(rc);
}

bool OdbcResultSet::Open(SQLHDBC connection, std::string_view sql, Counting counting,
                         Cursor cursor) {
  Close();
  error_report_.clear();
  forward_only_ = cursor == Cursor::kForwardOnly;
  // A streamed result holds the connection until it is read to its end, so a forward-only
  // result is counted before it is opened.
  long count = 0;
  const bool counted =
      forward_only_ && counting == Counting::kCount && RecordCount(connection, sql, &count);
  if (!Execute(connection, sql)) return false;
  open_ = true;
  DescribeColumns();
  if (counted) {
    row_count_ = count;
  } else if (forward_only_ && counting == Counting::kCount) {
    if (!CountByWalking() || !Execute(connection, sql)) {
      Close();
      return false;
    }
    open_ = true;
  } else if (counting == Counting::kCount) {
    CountRows(connection, sql);
  }
  return true;
}

bool OdbcResultSet::Execute(SQLHDBC connection, std::string_view sql) {
  last_return_code_ = statement_.Allocate(connection);
  if (!Succeeded(last_return_code_)) {
    error_report_ = StatementReport(FirstDiagRecord(SQL_HANDLE_DBC, connection));
    return false;
  }
  connection_ = connection;
  SetCursorAttributes(statement_.get());
  last_return_code_ = PrepareText(connection, statement_.get(), sql);
  if (Succeeded(last_return_code_)) last_return_code_ = SQLExecute(statement_.get());
  files::CrashPoint("query");
  if (!Succeeded(last_return_code_)) {
    error_report_ = StatementErrorReport(statement_.get());
    statement_.reset();
    return false;
  }
  return true;
}

// Counts a forward-only result by reading it to its end; the caller executes it again.
bool OdbcResultSet::CountByWalking() {
  long count = 0;
  SQLRETURN rc = SQL_SUCCESS;
  while (Succeeded(rc = SQLFetch(statement_.get()))) ++count;
  SQLCloseCursor(statement_.get());
  statement_.reset();
  open_ = false;
  row_count_ = count;
  return rc == SQL_NO_DATA;
}

void OdbcResultSet::Close() {
  if (open_) SQLCloseCursor(statement_.get());
  statement_.reset();
  open_ = false;
  column_count_ = 0;
  row_count_ = 0;
  types_.clear();
  sql_types_.clear();
  sizes_.clear();
  digits_.clear();
  current_row_ = -1;
  read_columns_.clear();
  row_read_ = false;
  row_values_.clear();
}

void OdbcResultSet::DescribeColumns() {
  SQLSMALLINT count = 0;
  last_return_code_ = SQLNumResultCols(statement_.get(), &count);
  if (!Succeeded(last_return_code_)) count = 0;
  column_count_ = count;
  types_.assign(count, kTypeUnknown);
  sql_types_.assign(count, 0);
  sizes_.assign(count, 0);
  digits_.assign(count, 0);
  for (SQLSMALLINT i = 0; i < count; ++i) {
    ColumnDescription d;
    last_return_code_ = DescribeColumn(connection_, statement_.get(), i, &d);
    if (!Succeeded(last_return_code_)) break;
    sql_types_[i] = d.sql_type;
    types_[i] = NormaliseSqlType(d.sql_type);
    sizes_[i] = CapColumnSize(static_cast<long>(std::min<SQLULEN>(d.size, 32768)));
    digits_[i] = d.digits;
  }
  read_columns_.assign(count, false);
}

void OdbcResultSet::CountRows(SQLHDBC connection, std::string_view sql) {
  long count = 0;
  row_count_ = RecordCount(connection, sql, &count) ? count : CountByScrolling();
}

long OdbcResultSet::CountByScrolling() {
  long count = 0;
  SQLRETURN rc = SQLFetchScroll(statement_.get(), SQL_FETCH_FIRST, 0);
  while (rc == SQL_SUCCESS) {
    ++count;
    rc = SQLFetchScroll(statement_.get(), SQL_FETCH_NEXT, 0);
  }
  return count;
}

int OdbcResultSet::ColumnCount() const {
  return open_ ? column_count_ : 0;
}
long OdbcResultSet::RowCount() const {
  return open_ ? row_count_ : 0;
}

bool OdbcResultSet::InRange(int column) const {
  return open_ && column >= 0 && column < static_cast<int>(types_.size());
}

std::string OdbcResultSet::ColumnName(int column) const {
  if (!InRange(column)) return {};
  ColumnDescription d;
  if (!Succeeded(DescribeColumn(connection_, statement_.get(), column, &d))) return {};
  return d.name;
}

int OdbcResultSet::ColumnType(int column) const {
  return InRange(column) ? types_[column] : 0;
}
int OdbcResultSet::ColumnSize(int column) const {
  return InRange(column) ? sizes_[column] : 0;
}
int OdbcResultSet::DecimalDigits(int column) const {
  return InRange(column) ? digits_[column] : 0;
}
std::string OdbcResultSet::ColumnTypeName(int column) const {
  return std::string(TypeName(ColumnType(column)));
}
int OdbcResultSet::ColumnSqlType(int column) const {
  return InRange(column) ? sql_types_[column] : 0;
}

bool OdbcResultSet::MoveToRow(long row) {
  if (!open_) return false;
  if (forward_only_) return MoveForwardTo(row);
  last_return_code_ =
      SQLFetchScroll(statement_.get(), SQL_FETCH_ABSOLUTE, static_cast<SQLLEN>(row) + 1);
  bool ok = Succeeded(last_return_code_);
  current_row_ = ok ? row : -1;
  std::fill(read_columns_.begin(), read_columns_.end(), false);
  return ok;
}

bool OdbcResultSet::MoveForwardTo(long row) {
  if (row < current_row_ || row < 0) return false;
  while (current_row_ < row) {
    last_return_code_ = SQLFetch(statement_.get());
    row_read_ = false;
    if (!Succeeded(last_return_code_)) {
      // The cursor is past its end or failed: no row is current any more.
      current_row_ = std::numeric_limits<long>::max();
      return false;
    }
    ++current_row_;
  }
  return true;
}

bool OdbcResultSet::OnForwardRow() const {
  return open_ && current_row_ >= 0 && current_row_ != std::numeric_limits<long>::max();
}

// Drivers need not hand out a row's values in any order but their own, nor twice.
void OdbcResultSet::ReadCurrentRow() {
  if (row_read_) return;
  row_values_.clear();
  for (int column = 0; column < column_count_; ++column) row_values_.push_back(ReadValue(column));
  row_read_ = true;
}

// A value can be fetched once per move (the driver hands out variable-length data only once),
// so a second read of a column positions on the row again first.
bool OdbcResultSet::PrepareRead(int column) {
  if (!InRange(column) || current_row_ < 0) return false;
  if (read_columns_[column]) {
    long row = current_row_;
    if (!MoveToRow(row)) return false;
  }
  read_columns_[column] = true;
  return true;
}

std::string OdbcResultSet::ValueText(long /*row*/, int column) {
  if (forward_only_) {
    if (!InRange(column) || !OnForwardRow()) return {};
    ReadCurrentRow();
    const int code = types_[column];
    const Value& value = row_values_[static_cast<std::size_t>(column)];
    if (code == kTypeChar || code == kTypeNumeric) {
      const auto* text = std::get_if<std::string>(&value);
      if (text == nullptr) return {};
      const std::u16string whole = text::Utf8ToUtf16(*text);
      const SqlWString units(whole.begin(), whole.end());
      return CutText(units.data(), static_cast<SQLLEN>(units.size() * 2), kValueBufferUnits);
    }
    // What the scrollable read formats: a column of no known type reads as nothing.
    return FormatValue(code, code == kTypeUnknown ? Value(Null{}) : value);
  }
  if (!PrepareRead(column)) return {};
  int code = types_[column];
  if (code == kTypeChar || code == kTypeNumeric) {
    SQLWCHAR buffer[kValueBufferUnits] = {};
    SQLLEN indicator = 0;
    last_return_code_ = SQLGetData(statement_.get(), static_cast<SQLUSMALLINT>(column + 1),
                                   SQL_C_WCHAR, buffer, sizeof buffer, &indicator);
    if (!Succeeded(last_return_code_) || (indicator <= 0 && indicator != SQL_NO_TOTAL)) return {};
    return CutText(buffer, indicator, kValueBufferUnits);
  }
  return FormatValue(code, FetchNative(column, code));
}

Value OdbcResultSet::GetValue(int column) {
  if (forward_only_) {
    if (!InRange(column) || !OnForwardRow()) return Null{};
    ReadCurrentRow();
    return row_values_[static_cast<std::size_t>(column)];
  }
  if (!PrepareRead(column)) return Null{};
  return ReadValue(column);
}

Value OdbcResultSet::ReadValue(int column) {
  int code = types_[column];
  if (code == kTypeChar || code == kTypeNumeric) return FetchWholeText(column);
  if (code == kTypeUnknown) {
    if (sql_types_[column] == SQL_BIGINT) {
      SQLBIGINT v = 0;
      return GetFixed(statement_.get(), column, SQL_C_SBIGINT, &v) ? Value(std::int64_t{v})
                                                                   : Value(Null{});
    }
    return FetchWholeText(column);
  }
  return FetchNative(column, code);
}

Value OdbcResultSet::FetchWholeText(int column) {
  std::u16string whole;
  SQLWCHAR chunk[1024];
  for (;;) {
    SQLLEN indicator = 0;
    last_return_code_ = SQLGetData(statement_.get(), static_cast<SQLUSMALLINT>(column + 1),
                                   SQL_C_WCHAR, chunk, sizeof chunk, &indicator);
    if (last_return_code_ == SQL_NO_DATA) break;
    if (!Succeeded(last_return_code_))
      return whole.empty() ? Value(Null{}) : Value(text::Utf16ToUtf8(whole));
    if (indicator == SQL_NULL_DATA) return Null{};
    long full_units = static_cast<long>(std::size(chunk)) - 1;
    long units = indicator == SQL_NO_TOTAL
                     ? full_units
                     : std::min<long>(static_cast<long>(indicator / 2), full_units);
    whole.append(chunk, chunk + units);
    if (last_return_code_ == SQL_SUCCESS) break;
  }
  return text::Utf16ToUtf8(whole);
}

Value OdbcResultSet::FetchNative(int column, int code) {
  SQLHSTMT s = statement_.get();
  switch (code) {
    case kTypeInteger: {
      SQLINTEGER v = 0;
      if (GetFixed(s, column, SQL_C_SLONG, &v)) return std::int64_t{v};
      break;
    }
    case kTypeSmallInt: {
      SQLSMALLINT v = 0;
      if (GetFixed(s, column, SQL_C_SSHORT, &v)) return std::int64_t{v};
      break;
    }
    case kTypeReal: {
      SQLREAL v = 0;
      if (GetFixed(s, column, SQL_C_FLOAT, &v)) return double{v};
      break;
    }
    case kTypeDouble: {
      SQLDOUBLE v = 0;
      if (GetFixed(s, column, SQL_C_DOUBLE, &v)) return double{v};
      break;
    }
    case kTypeDate: {
      SQL_DATE_STRUCT v{};
      if (GetFixed(s, column, SQL_C_TYPE_DATE, &v)) return Date{v.year, v.month, v.day};
      break;
    }
    case kTypeTime: {
      SQL_TIME_STRUCT v{};
      if (GetFixed(s, column, SQL_C_TYPE_TIME, &v)) return Time{v.hour, v.minute, v.second};
      break;
    }
    case kTypeTimestamp: {
      SQL_TIMESTAMP_STRUCT v{};
      if (GetFixed(s, column, SQL_C_TYPE_TIMESTAMP, &v)) {
        return Timestamp{v.year, v.month, v.day, v.hour, v.minute, v.second, v.fraction};
      }
      break;
    }
    case kTypeSTinyInt: {
      SQLSCHAR v = 0;
      if (GetFixed(s, column, SQL_C_STINYINT, &v)) return std::int64_t{v};
      break;
    }
    case kTypeULong: {
      SQLUINTEGER v = 0;
      if (GetFixed(s, column, SQL_C_ULONG, &v)) return std::int64_t{v};
      break;
    }
    case kTypeUShort: {
      SQLUSMALLINT v = 0;
      if (GetFixed(s, column, SQL_C_USHORT, &v)) return std::int64_t{v};
      break;
    }
    case kTypeBit: {
      SQLCHAR v = 0;
      if (GetFixed(s, column, SQL_C_BIT, &v)) return std::int64_t{v};
      break;
    }
    case kTypeTinyInt: {
      SQLCHAR v = 0;
      if (GetFixed(s, column, SQL_C_UTINYINT, &v)) return std::int64_t{v};
      break;
    }
    default:
      break;
  }
  return Null{};
}

}  // namespace velmora::db
