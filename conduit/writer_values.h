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

// A slot value is absent when it is "NULL" or empty.
bool IsAbsent(std::string_view value);

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
db::Value CursorValue(int type_code, bool mapped, std::string_view value);

struct InsertColumn {
  std::string name;       // desktop column
  std::string data_type;  // stored type name ("SQL_CHAR" …)
};

// "INSERT INTO table(c1,c2)VALUES(v1,v2)" with the values by their stored type names; text
// values have their single quotes doubled. The table name is written as given.
std::string BuildInsertStatement(std::string_view table, const std::vector<InsertColumn>& columns,
                                 const std::vector<std::string>& values);

// The target table of a device-to-desktop profile: the query text after the first FROM (any
// letter case) up to a WHERE, GROUP BY or ORDER BY clause, without double quotes, trimmed.
std::string TargetTableName(std::string_view query);

}  // namespace velmora::conduit
