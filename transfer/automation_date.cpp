#include "transfer/automation_date.h"

#include <cmath>
#include <cstdio>

namespace velmora::transfer {
namespace {

// Automation day 0 (30 December 1899) counted from 1 January 1970.
constexpr long kAutomationEpochFromUnix = -25569;
// 1 January 100 and 31 December 9999 as automation days.
constexpr double kFirstDay = -657434.0;
constexpr double kLastDay = 2958465.0;

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
long DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const long yoe = y - era * 400;
  const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

db::Date CivilFromDays(long z) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const long doe = z - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long mp = (5 * doy + 2) / 153;
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const int y = static_cast<int>(yoe + era * 400 + (m <= 2));
  return db::Date{y, m, d};
}

}  // namespace

std::optional<db::Date> AutomationDateToDate(double automation_date) {
  if (automation_date == 0.0 || !std::isfinite(automation_date)) return std::nullopt;
  // The whole days count toward zero: -1.25 is 29 December 1899, 06:00.
  double days = std::trunc(automation_date);
  if (days < kFirstDay || days > kLastDay) return std::nullopt;
  return CivilFromDays(static_cast<long>(days) + kAutomationEpochFromUnix);
}

double DateToAutomationDate(const db::Date& date) {
  return static_cast<double>(DaysFromCivil(date.year, date.month, date.day) -
                             kAutomationEpochFromUnix);
}

std::string AutomationDateText(double automation_date) {
  std::optional<db::Date> date = AutomationDateToDate(automation_date);
  if (!date) return std::string();
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%d/%d/%d", date->month, date->day, date->year);
  return buffer;
}

}  // namespace velmora::transfer
