// The value rules of the device-to-desktop writers: what a device text becomes for a desktop
// column, in an INSERT statement (by the stored type name) or in a bound buffer (by the
// column type code). Used by both writers; pure, no I/O.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/value.h"

namespace velmora::conduit {

// A device value: none when the contact has no value for the field (an empty text or a missing
// date). Any text the contact holds, "NULL" included, is data.
using DeviceValue = std::optional<std::string>;

// A value is absent when there is none or it is empty.
bool IsAbsent(const DeviceValue& value);

// Digits only (after the clean-up) as a decimal integer, an empty text as 0, anything else -1.
// A number too large for 32 bits is -1 as well, never a wrapped value.
std::int32_t IntegerParse(std::string_view cleaned);

// "month/day/year" with exactly two "/" and a month 1 to 12: the date (year = the last four
// characters); none otherwise.
std::optional<db::Date> ParseMonthDayYear(std::string_view value);

// TRUE → 1, FALSE → 0 (any letter case), anything else 1; absent → 0.
int BitValue(std::string_view value);

// What a bound column of type code `type_code` receives for a device value: Null for SQL NULL,
// text for character and numeric columns, int64 for the integer and bit types, double, or a
// Date. `mapped` false gives the value of an unmapped column.
db::Value CursorValue(int type_code, bool mapped, const DeviceValue& value);

struct InsertColumn {
  std::string name;       // desktop column
  std::string data_type;  // stored type name ("SQL_CHAR" …)
};

// "INSERT INTO table(c1,c2)VALUES(v1,v2)" with the values by their stored type names; text
// values have their single quotes doubled, a missing value is NULL. Table and column names are
// written as given (see NameInStatement).
std::string BuildInsertStatement(std::string_view table, const std::vector<InsertColumn>& columns,
                                 const std::vector<DeviceValue>& values);

// A table or column name for an INSERT of the statement writer: bare when it is a plain
// identifier (as such sources expect), in double quotes otherwise so that it names exactly
// this table or column.
std::string NameInStatement(std::string_view name);

// The target table of a device-to-desktop profile: the one table of the query's FROM list,
// exactly as named; none when the query reads several tables or its list cannot be read for
// certain (see db::TablesOfQuery).
std::optional<std::string> TargetTableName(std::string_view query);

}  // namespace velmora::conduit
