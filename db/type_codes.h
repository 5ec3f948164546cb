// The normalised column type codes that every result set reports, and their stored names
// (the `DBDataType` texts of the profile database). Driver SQL types fold onto these codes.
#pragma once

#include <string_view>

namespace velmora::db {

inline constexpr int kTypeUnknown = 0;
inline constexpr int kTypeChar = 1;
inline constexpr int kTypeNumeric = 2;
inline constexpr int kTypeInteger = 4;
inline constexpr int kTypeSmallInt = 5;
inline constexpr int kTypeReal = 7;
inline constexpr int kTypeDouble = 8;
inline constexpr int kTypeDate = 9;
inline constexpr int kTypeTime = 10;
inline constexpr int kTypeTimestamp = 93;
inline constexpr int kTypeTinyInt = -6;
inline constexpr int kTypeBit = -7;
inline constexpr int kTypeUShort = -17;
inline constexpr int kTypeULong = -18;
inline constexpr int kTypeSTinyInt = -26;

// Folds an ODBC SQL type (as SQLDescribeCol reports it) onto a normalised code.
constexpr int NormaliseSqlType(int sql_type) {
  switch (sql_type) {
    case 1:
    case 12:
    case -1:
    case -8:
    case -9:
    case -10:
    case -11:  // CHAR … WLONGVARCHAR, GUID
      return kTypeChar;
    case 2:
    case 3:  // NUMERIC, DECIMAL
      return kTypeNumeric;
    case 4:
    case -16:
      return kTypeInteger;
    case 5:
    case -15:
      return kTypeSmallInt;
    case 6:
    case 8:  // FLOAT, DOUBLE
      return kTypeDouble;
    case 7:
      return kTypeReal;
    case 9:
    case 91:
      return kTypeDate;
    case 10:
    case 92:
      return kTypeTime;
    case 11:
    case 93:
      return kTypeTimestamp;
    case -6:
    case -28:
      return kTypeTinyInt;
    case -7:
      return kTypeBit;
    case -17:
      return kTypeUShort;
    case -18:
      return kTypeULong;
    case -26:
      return kTypeSTinyInt;
    default:
      return kTypeUnknown;
  }
}

constexpr std::string_view TypeName(int code) {
  switch (code) {
    case kTypeChar:
      return "SQL_CHAR";
    case kTypeNumeric:
      return "SQL_NUMERIC";
    case kTypeInteger:
      return "SQL_INTEGER";
    case kTypeSmallInt:
      return "SQL_SMALLINT";
    case kTypeDouble:
      return "SQL_DOUBLE";
    case kTypeReal:
      return "SQL_REAL";
    case kTypeDate:
      return "SQL_DATE";
    case kTypeTime:
      return "SQL_TIME";
    case kTypeTimestamp:
      return "SQL_TYPE_TIMESTAMP";
    case kTypeTinyInt:
      return "SQL_TINYINT";
    case kTypeBit:
      return "SQL_BIT";
    case kTypeUShort:
      return "SQL_C_USHORT";
    case kTypeULong:
      return "SQL_C_ULONG";
    case kTypeSTinyInt:
      return "SQL_C_STINYINT";
    default:
      return "SQL_UNKNOWN_TYPE";
  }
}

// Column sizes of 32768 or more are recorded as 32766.
constexpr int CapColumnSize(long size) {
  return size >= 32768 ? 32766 : static_cast<int>(size);
}

}  // namespace velmora::db
