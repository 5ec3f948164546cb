// A single typed value of a result-set column, as the driver delivered it. Writers of the
// transfer files use it where the display text is not enough (packed dates, binary numbers).
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace velmora::db {

struct Date {
  int year = 0;
  int month = 0;
  int day = 0;
  friend bool operator==(const Date&, const Date&) = default;
};

struct Time {
  int hour = 0;
  int minute = 0;
  int second = 0;
  friend bool operator==(const Time&, const Time&) = default;
};

struct Timestamp {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  std::uint32_t fraction = 0;  // nanoseconds, as ODBC counts them
  friend bool operator==(const Timestamp&, const Timestamp&) = default;
};

struct Null {
  friend bool operator==(const Null&, const Null&) = default;
};

// Text is UTF-8. Integers of every width travel as int64_t; REAL and DOUBLE as double.
using Value = std::variant<Null, std::string, std::int64_t, double, Date, Time, Timestamp>;

inline bool IsNull(const Value& v) {
  return std::holds_alternative<Null>(v);
}

}  // namespace velmora::db
