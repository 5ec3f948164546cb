#include "db/value_format.h"

#include <gtest/gtest.h>

#include <climits>

#include "db/type_codes.h"

namespace velmora::db {
namespace {

struct FormatCase {
  const char* what;
  int type;
  Value value;
  const char* expected;
};

const FormatCase kCases[] = {
    {"text as fetched", kTypeChar, std::string("Müller 𝄞"), "Müller 𝄞"},
    {"numeric text as fetched", kTypeNumeric, std::string("12.50"), "12.50"},
    {"null is empty", kTypeInteger, Null{}, ""},
    {"null text is empty", kTypeChar, Null{}, ""},
    {"integer", kTypeInteger, std::int64_t{-42}, "-42"},
    {"small integer", kTypeSmallInt, std::int64_t{32767}, "32767"},
    {"real in single precision", kTypeReal, 0.1, "0.100000"},
    {"real rounds to float", kTypeReal, 16777217.0, "16777216.000000"},
    {"double below the exponent limit", kTypeDouble, 12345.5, "12345.500000"},
    {"double just below 1e8", kTypeDouble, 99999999.0, "99999999.000000"},
    {"double at 1e8", kTypeDouble, 100000000.0, "1.000000e+08"},
    {"double in exponent form", kTypeDouble, 123456789.0, "1.234568e+08"},
    {"negative double stays plain", kTypeDouble, -123456789.0, "-123456789.000000"},
    {"date year month day", kTypeDate, Date{2008, 5, 17}, "2008/5/17"},
    {"date 1899-12-30 is invalid", kTypeDate, Date{1899, 12, 30}, "Invalidate Date"},
    {"date in 1900 is valid", kTypeDate, Date{1900, 1, 1}, "1900/1/1"},
    {"time after midnight", kTypeTime, Time{0, 5, 9}, "12:05:09 AM"},
    {"time in the morning", kTypeTime, Time{11, 59, 59}, "11:59:59 AM"},
    {"time at noon is PM", kTypeTime, Time{12, 0, 0}, "12:00:00 PM"},
    {"half past noon is PM", kTypeTime, Time{12, 30, 0}, "12:30:00 PM"},
    {"last second of the noon hour", kTypeTime, Time{12, 59, 59}, "12:59:59 PM"},
    {"one in the afternoon", kTypeTime, Time{13, 0, 0}, "01:00:00 PM"},
    {"last second of the day", kTypeTime, Time{23, 59, 59}, "11:59:59 PM"},
    {"timestamp", kTypeTimestamp, Timestamp{2008, 5, 17, 14, 30, 45, 0}, "5/17/2008 2:30:45 PM"},
    {"timestamp at midnight shows the date", kTypeTimestamp, Timestamp{2008, 5, 17, 0, 0, 0, 0},
     "5/17/2008"},
    {"timestamp on day zero shows the time", kTypeTimestamp, Timestamp{1899, 12, 30, 9, 5, 0, 0},
     "9:05:00 AM"},
    {"timestamp noon", kTypeTimestamp, Timestamp{2020, 2, 29, 12, 0, 1, 0},
     "2/29/2020 12:00:01 PM"},
    {"timestamp with a bad day", kTypeTimestamp, Timestamp{2021, 2, 29, 1, 0, 0, 0}, ""},
    {"timestamp with a bad month", kTypeTimestamp, Timestamp{2021, 13, 1, 1, 0, 0, 0}, ""},
    {"timestamp with a bad hour", kTypeTimestamp, Timestamp{2021, 1, 1, 24, 0, 0, 0}, ""},
    {"signed byte", kTypeSTinyInt, std::int64_t{-5}, "-5"},
    {"unsigned long below 2^31", kTypeULong, std::int64_t{2147483647}, "2147483647"},
    {"unsigned long from 2^31 shows negative", kTypeULong, std::int64_t{2147483648LL},
     "-2147483648"},
    {"unsigned short", kTypeUShort, std::int64_t{65535}, "65535"},
    {"bit set", kTypeBit, std::int64_t{1}, "True"},
    {"bit clear", kTypeBit, std::int64_t{0}, "False"},
    {"unsigned byte", kTypeTinyInt, std::int64_t{255}, "255"},
    {"unknown type is empty", kTypeUnknown, std::int64_t{123}, ""},
    {"unknown type text is empty", kTypeUnknown, std::string("abc"), ""},
    {"code without a rule is empty", 3, std::int64_t{1}, ""},
};

TEST(FormatValue, FollowsTheRuleOfEachTypeCode) {
  for (const FormatCase& c : kCases) {
    EXPECT_EQ(FormatValue(c.type, c.value), c.expected) << c.what;
  }
}

TEST(FormatValue, TakesDateAndTimeFromATimestampForDateAndTimeColumns) {
  Timestamp stamp{2008, 5, 17, 12, 30, 0, 0};
  EXPECT_EQ(FormatValue(kTypeDate, stamp), "2008/5/17");
  EXPECT_EQ(FormatValue(kTypeTime, stamp), "12:30:00 PM");
  EXPECT_EQ(FormatValue(kTypeTimestamp, Date{2008, 5, 17}), "5/17/2008");
}

}  // namespace
}  // namespace velmora::db
