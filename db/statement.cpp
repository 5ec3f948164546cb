#include "db/statement.h"

#include <sqlext.h>

#include <algorithm>

#include "db/driver_text.h"
#include "db/type_codes.h"
#include "platform/files/crash_point.h"
#include "platform/text/utf.h"

namespace velmora::db {

// The buffers of one bound value.
struct Statement::Parameter {
  std::u16string text;
  SQLBIGINT integer = 0;
  double real = 0;
  SQL_DATE_STRUCT date{};
  SQL_TIME_STRUCT time{};
  SQL_TIMESTAMP_STRUCT timestamp{};
  SQLLEN indicator = 0;
};

ParameterType ParameterTypeOfCode(int type_code, int size, int digits) {
  switch (type_code) {
    case kTypeChar:
      return {SQL_WVARCHAR, 0, 0};
    case kTypeNumeric:
      return {SQL_NUMERIC, static_cast<std::size_t>(std::max(size, 1)), digits};
    case kTypeInteger:
    case kTypeULong:
      return {SQL_INTEGER, 0, 0};
    case kTypeSmallInt:
    case kTypeUShort:
      return {SQL_SMALLINT, 0, 0};
    case kTypeTinyInt:
    case kTypeSTinyInt:
      return {SQL_TINYINT, 0, 0};
    case kTypeBit:
      return {SQL_BIT, 0, 0};
    case kTypeReal:
    case kTypeDouble:
      return {SQL_DOUBLE, 0, 0};
    case kTypeDate:
      return {SQL_TYPE_DATE, 10, 0};
    case kTypeTimestamp:
      return {SQL_TYPE_TIMESTAMP, 19, 0};
    case kTypeTime:
      return {SQL_TYPE_TIME, 8, 0};
    default:
      return {SQL_WVARCHAR, 0, 0};
  }
}

Statement::Statement(Connection& connection) : connection_(connection) {}

Statement::~Statement() = default;

bool Statement::Allocated() {
  if (handle_) return true;
  if (Succeeded(handle_.Allocate(connection_.Handle()))) return true;
  diagnostic_ = FirstDiagRecord(SQL_HANDLE_DBC, connection_.Handle());
  return false;
}

bool Statement::Prepare(std::string_view sql) {
  if (!Allocated()) return false;
  SQLFreeStmt(handle_.get(), SQL_RESET_PARAMS);
  parameters_.clear();
  if (Succeeded(PrepareText(connection_.Handle(), handle_.get(), sql))) return true;
  diagnostic_ = FirstDiagRecord(SQL_HANDLE_STMT, handle_.get());
  return false;
}

bool Statement::Bind(int number, const Value& value, const ParameterType& type) {
  if (!Allocated() || number < 1) return false;
  if (parameters_.size() < static_cast<std::size_t>(number)) parameters_.resize(number);
  auto& slot = parameters_[static_cast<std::size_t>(number - 1)];
  if (!slot) slot = std::make_unique<Parameter>();
  Parameter& p = *slot;
  SQLSMALLINT c_type = SQL_C_WCHAR;
  SQLPOINTER data = nullptr;
  SQLLEN length = 0;
  SQLULEN size = type.size;
  if (const auto* text = std::get_if<std::string>(&value)) {
    p.text = text::Utf8ToUtf16(*text);
    data = p.text.data();
    length = static_cast<SQLLEN>(p.text.size() * sizeof(char16_t));
    size = std::max<SQLULEN>({size, p.text.size(), 1});
  } else if (const auto* integer = std::get_if<std::int64_t>(&value)) {
    c_type = SQL_C_SBIGINT;
    p.integer = *integer;
    data = &p.integer;
  } else if (const auto* real = std::get_if<double>(&value)) {
    c_type = SQL_C_DOUBLE;
    p.real = *real;
    data = &p.real;
  } else if (const auto* date = std::get_if<Date>(&value)) {
    c_type = SQL_C_TYPE_DATE;
    p.date = {static_cast<SQLSMALLINT>(date->year), static_cast<SQLUSMALLINT>(date->month),
              static_cast<SQLUSMALLINT>(date->day)};
    data = &p.date;
  } else if (const auto* time = std::get_if<Time>(&value)) {
    c_type = SQL_C_TYPE_TIME;
    p.time = {static_cast<SQLUSMALLINT>(time->hour), static_cast<SQLUSMALLINT>(time->minute),
              static_cast<SQLUSMALLINT>(time->second)};
    data = &p.time;
  } else if (const auto* stamp = std::get_if<Timestamp>(&value)) {
    c_type = SQL_C_TYPE_TIMESTAMP;
    p.timestamp = {
        static_cast<SQLSMALLINT>(stamp->year),    static_cast<SQLUSMALLINT>(stamp->month),
        static_cast<SQLUSMALLINT>(stamp->day),    static_cast<SQLUSMALLINT>(stamp->hour),
        static_cast<SQLUSMALLINT>(stamp->minute), static_cast<SQLUSMALLINT>(stamp->second),
        static_cast<SQLUINTEGER>(stamp->fraction)};
    data = &p.timestamp;
  }
  // Fixed-size C types ignore the length; the indicator tells NULL from a value.
  p.indicator = IsNull(value) ? SQL_NULL_DATA : length;
  const SQLRETURN rc =
      SQLBindParameter(handle_.get(), static_cast<SQLUSMALLINT>(number), SQL_PARAM_INPUT, c_type,
                       static_cast<SQLSMALLINT>(type.sql_type), size,
                       static_cast<SQLSMALLINT>(type.digits), data, length, &p.indicator);
  if (Succeeded(rc)) return true;
  diagnostic_ = FirstDiagRecord(SQL_HANDLE_STMT, handle_.get());
  return false;
}

bool Statement::Execute() {
  if (!Allocated()) return false;
  const SQLRETURN rc = SQLExecute(handle_.get());
  files::CrashPoint("statement");
  return Finished(rc);
}

bool Statement::ExecuteDirect(std::string_view sql) {
  if (!Allocated()) return false;
  return Finished(ExecDirectText(connection_.Handle(), handle_.get(), sql));
}

bool Statement::Finished(SQLRETURN rc) {
  const bool ran = Succeeded(rc) || rc == SQL_NO_DATA;
  // Closing the cursor clears the diagnostics, so the failure is read first.
  if (!ran) diagnostic_ = FirstDiagRecord(SQL_HANDLE_STMT, handle_.get());
  SQLFreeStmt(handle_.get(), SQL_CLOSE);
  return ran;
}

std::optional<long> Statement::QueryInteger(std::string_view sql) {
  if (!Allocated()) return std::nullopt;
  if (!Succeeded(ExecDirectText(connection_.Handle(), handle_.get(), sql)) ||
      !Succeeded(SQLFetch(handle_.get()))) {
    SQLFreeStmt(handle_.get(), SQL_CLOSE);
    return std::nullopt;
  }
  SQLBIGINT count = 0;
  SQLLEN indicator = 0;
  const SQLRETURN rc =
      SQLGetData(handle_.get(), 1, SQL_C_SBIGINT, &count, sizeof count, &indicator);
  SQLFreeStmt(handle_.get(), SQL_CLOSE);
  if (!Succeeded(rc)) return std::nullopt;
  return indicator == SQL_NULL_DATA ? 0 : static_cast<long>(count);
}

}  // namespace velmora::db
