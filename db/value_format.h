// Display text of a column value by its normalised type code: the text the grids show and the
// sync runs log. Pure functions over db/value.h; no driver, no locale.
#pragma once

#include <string>

#include "db/value.h"

namespace velmora::db {

// The text of `value` for a column of type `type_code`. Null, and any type code without a
// rule, give an empty text.
std::string FormatValue(int type_code, const Value& value);

// The pieces, for callers that hold plain fields.
std::string FormatDate(const Date& date);             // "2008/5/17"; "Invalidate Date" before 1900
std::string FormatTime(const Time& time);             // "12:05:09 AM", "12:30:00 PM", "01:00:00 PM"
std::string FormatTimestamp(const Timestamp& stamp);  // "5/17/2008 2:30:45 PM"; empty if invalid

}  // namespace velmora::db
