#include "db/value_format.h"

#include <cinttypes>
#include <cstdio>
#include <string_view>

#include "db/type_codes.h"

namespace velmora::db {
namespace {

template <typename... Args>
std::string Printf(const char* format, Args... args) {
  char buffer[512];
  int n = std::snprintf(buffer, sizeof buffer, format, args...);
  if (n < 0) return {};
  if (static_cast<std::size_t>(n) < sizeof buffer) return std::string(buffer, n);
  std::string big(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(big.data(), big.size(), format, args...);
  big.resize(static_cast<std::size_t>(n));
  return big;
}

bool IsNumber(const Value& v) {
  return std::holds_alternative<std::int64_t>(v) || std::holds_alternative<double>(v);
}

std::int64_t AsInt(const Value& v) {
  if (const auto* i = std::get_if<std::int64_t>(&v)) return *i;
  if (const auto* d = std::get_if<double>(&v)) return static_cast<std::int64_t>(*d);
  return 0;
}

double AsDouble(const Value& v) {
  if (const auto* d = std::get_if<double>(&v)) return *d;
  if (const auto* i = std::get_if<std::int64_t>(&v)) return static_cast<double>(*i);
  return 0;
}

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// The 12-hour clock: hour 0 is 12 AM, hour 12 is 12 PM.
int TwelveHour(int hour) {
  return hour % 12 == 0 ? 12 : hour % 12;
}
const char* Meridiem(int hour) {
  return hour < 12 ? "AM" : "PM";
}

std::string FormatNumber(int type_code, const Value& value) {
  switch (type_code) {
    case kTypeInteger:
    case kTypeSmallInt:
    case kTypeSTinyInt:
      return Printf("%" PRId64, AsInt(value));
    case kTypeULong:  // a 32-bit value: 2^31 and more show negative
      return Printf("%" PRId32,
                    static_cast<std::int32_t>(static_cast<std::uint32_t>(AsInt(value))));
    case kTypeUShort:
      return Printf("%u", static_cast<unsigned>(static_cast<std::uint16_t>(AsInt(value))));
    case kTypeTinyInt:
      return Printf("%u", static_cast<unsigned>(static_cast<std::uint8_t>(AsInt(value))));
    case kTypeBit:
      return AsInt(value) != 0 ? "True" : "False";
    case kTypeReal:
      return Printf("%f", static_cast<double>(static_cast<float>(AsDouble(value))));
    case kTypeDouble: {
      double d = AsDouble(value);
      return Printf(d >= 100000000.0 ? "%e" : "%f", d);
    }
    case kTypeChar:
    case kTypeNumeric:
      if (std::holds_alternative<double>(value)) return Printf("%g", AsDouble(value));
      return Printf("%" PRId64, AsInt(value));
    default:
      return {};
  }
}

Date DateOf(const Timestamp& t) {
  return {t.year, t.month, t.day};
}
Time TimeOf(const Timestamp& t) {
  return {t.hour, t.minute, t.second};
}
Timestamp StampOf(const Date& d) {
  return {d.year, d.month, d.day, 0, 0, 0, 0};
}

std::string FormatCalendar(int type_code, const Value& value) {
  if (const auto* d = std::get_if<Date>(&value)) {
    if (type_code == kTypeDate) return FormatDate(*d);
    if (type_code == kTypeTimestamp) return FormatTimestamp(StampOf(*d));
    return {};
  }
  if (const auto* t = std::get_if<Time>(&value)) {
    if (type_code == kTypeTime) return FormatTime(*t);
    return {};
  }
  if (const auto* s = std::get_if<Timestamp>(&value)) {
    if (type_code == kTypeDate) return FormatDate(DateOf(*s));
    if (type_code == kTypeTime) return FormatTime(TimeOf(*s));
    if (type_code == kTypeTimestamp) return FormatTimestamp(*s);
  }
  return {};
}

}  // namespace

std::string FormatDate(const Date& date) {
  if (date.year < 1900) return "Invalidate Date";
  return Printf("%d/%d/%d", date.year, date.month, date.day);
}

std::string FormatTime(const Time& time) {
  if (time.hour < 0 || time.hour > 23) return {};
  return Printf("%02d:%02d:%02d %s", TwelveHour(time.hour), time.minute, time.second,
                Meridiem(time.hour));
}

// The text a date value takes in the desktop's (US English) form: the date alone at
// midnight, the time alone on day zero (30 December 1899), otherwise both.
std::string FormatTimestamp(const Timestamp& t) {
  bool valid_date = t.year >= 100 && t.year <= 9999 && t.month >= 1 && t.month <= 12 &&
                    t.day >= 1 && t.day <= DaysInMonth(t.year, t.month);
  bool valid_time = t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 &&
                    t.second >= 0 && t.second <= 59;
  if (!valid_date || !valid_time) return {};
  std::string time =
      Printf("%d:%02d:%02d %s", TwelveHour(t.hour), t.minute, t.second, Meridiem(t.hour));
  bool day_zero = t.year == 1899 && t.month == 12 && t.day == 30;
  if (day_zero) return time;
  std::string date = Printf("%d/%d/%d", t.month, t.day, t.year);
  if (t.hour == 0 && t.minute == 0 && t.second == 0) return date;
  return date + " " + time;
}

std::string FormatValue(int type_code, const Value& value) {
  if (IsNull(value) || TypeName(type_code) == TypeName(kTypeUnknown)) return {};
  if (const auto* s = std::get_if<std::string>(&value)) {
    // Text keeps its form whatever the column type says: it is what the source delivered.
    return *s;
  }
  if (IsNumber(value)) return FormatNumber(type_code, value);
  return FormatCalendar(type_code, value);
}

}  // namespace velmora::db
