#include "conduit/writer_values.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "db/insert_statement.h"
#include "db/query_tables.h"
#include "db/sql_literal.h"
#include "db/type_codes.h"
#include "platform/text/utf.h"

namespace velmora::conduit {

bool IsAbsent(const DeviceValue& value) {
  return !value || value->empty();
}

std::int32_t IntegerParse(std::string_view cleaned) {
  std::int64_t number = 0;
  for (char c : cleaned) {
    if (c < '0' || c > '9') return -1;
    number = number * 10 + (c - '0');
    if (number > std::numeric_limits<std::int32_t>::max()) return -1;
  }
  return static_cast<std::int32_t>(number);
}

std::optional<db::Date> ParseMonthDayYear(std::string_view value) {
  if (std::count(value.begin(), value.end(), '/') != 2) return std::nullopt;
  std::size_t first = value.find('/');
  std::size_t second = value.find('/', first + 1);
  std::int32_t month = IntegerParse(value.substr(0, first));
  if (month < 1 || month > 12) return std::nullopt;
  std::int32_t day = IntegerParse(value.substr(first + 1, second - first - 1));
  std::string_view year_text = value.size() >= 4 ? value.substr(value.size() - 4) : value;
  std::int32_t year = IntegerParse(year_text);
  if (day < 1 || day > 31 || year < 0) return std::nullopt;
  return db::Date{year, month, day};
}

int BitValue(std::string_view value) {
  if (value.empty()) return 0;
  std::string upper = text::AsciiUpper(value);
  if (upper == "TRUE") return 1;
  if (upper == "FALSE") return 0;
  return 1;
}

db::Value CursorValue(int type_code, bool mapped, const DeviceValue& device_value) {
  const bool absent = !mapped || IsAbsent(device_value);
  const std::string_view value = absent ? std::string_view() : std::string_view(*device_value);
  switch (type_code) {
    case db::kTypeChar:
      if (absent) return db::Null{};
      return std::string(value);
    case db::kTypeNumeric:
      if (absent) return db::Null{};
      return db::CleanNumber(value, false);
    case db::kTypeInteger:
    case db::kTypeSmallInt:
    case db::kTypeUShort:
    case db::kTypeULong:
    case db::kTypeTinyInt:
    case db::kTypeSTinyInt:
      if (absent) return std::int64_t{0};
      return std::int64_t{IntegerParse(db::CleanNumber(value, false))};
    case db::kTypeReal:
    case db::kTypeDouble: {
      if (absent) return 0.0;
      std::string cleaned = db::CleanNumber(value, true);
      return std::strtod(cleaned.c_str(), nullptr);
    }
    case db::kTypeBit:
      return std::int64_t{absent ? 0 : BitValue(value)};
    case db::kTypeDate:
    case db::kTypeTimestamp: {
      if (absent) return db::Null{};
      std::optional<db::Date> date = ParseMonthDayYear(value);
      if (!date) return db::Null{};
      return *date;
    }
    default:
      // A month/day/year text carries no time of day, so a time column gets none.
      return db::Null{};
  }
}

std::string BuildInsertStatement(std::string_view table, const std::vector<InsertColumn>& columns,
                                 const std::vector<DeviceValue>& values) {
  std::vector<std::string> names;
  std::vector<std::string> literals;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    names.push_back(columns[i].name);
    std::optional<std::string_view> value;
    if (i < values.size() && values[i]) value = *values[i];
    literals.push_back(db::SqlValueLiteral(columns[i].data_type, value));
  }
  return db::InsertText(table, names, literals);
}

std::string NameInStatement(std::string_view name) {
  return db::NameInStyle(name, db::NameStyle::kBareWherePlain);
}

std::optional<std::string> TargetTableName(std::string_view query) {
  std::optional<std::vector<std::string>> tables = db::TablesOfQuery(query);
  if (!tables || tables->size() != 1) return std::nullopt;
  return tables->front();
}

}  // namespace velmora::conduit
