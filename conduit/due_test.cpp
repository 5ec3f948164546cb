#include "conduit/due_test.h"

#include <ctime>

#include "profile/sync_settings.h"

namespace velmora::conduit {
namespace {

// Days since 1970-01-01 of a proleptic Gregorian date.
long long DaysFromCivil(int year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const long long era = (year >= 0 ? year : year - 399) / 400;
  const long long year_of_era = year - era * 400;
  const long long day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const long long day_of_era =
      year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

bool TimeReached(const profile::ProfileDateTime& sync_time, const profile::ProfileDateTime& now) {
  if (now.hour != sync_time.hour) return now.hour > sync_time.hour;
  return now.minute >= sync_time.minute;
}

bool SameDate(const profile::ProfileDateTime& a, const profile::ProfileDateTime& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day;
}

bool SameMonth(const profile::ProfileDateTime& a, const profile::ProfileDateTime& b) {
  return a.year == b.year && a.month == b.month;
}

constexpr long long kWeekSeconds = 604800;

}  // namespace

profile::ProfileDateTime CurrentLocalTime() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
          local.tm_hour,        local.tm_min,     local.tm_sec};
}

int WeekDayOf(int year, int month, int day) {
  long long days = DaysFromCivil(year, month, day);
  // 1970-01-01 was a Thursday (4).
  return static_cast<int>(((days % 7) + 11) % 7);
}

long long SecondsBetween(const profile::ProfileDateTime& earlier,
                         const profile::ProfileDateTime& later) {
  auto seconds = [](const profile::ProfileDateTime& t) {
    return DaysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600LL + t.minute * 60LL +
           t.second;
  };
  return seconds(later) - seconds(earlier);
}

bool IsDue(const profile::ProfileRecord& profile, const profile::ProfileDateTime& now) {
  const bool modified = profile.prof_status == profile::kStatusModified;
  const profile::ProfileDateTime& last = profile.last_sync_date_time;
  switch (profile.sync_on) {
    case profile::kEveryTime:
      return true;
    case profile::kOnceEveryDay:
      return (modified || !SameDate(last, now)) && TimeReached(profile.sync_time, now);
    case profile::kOnceWeekly:
      return (modified || SecondsBetween(last, now) > kWeekSeconds) &&
             WeekDayOf(now.year, now.month, now.day) == profile.week_day &&
             TimeReached(profile.sync_time, now);
    case profile::kOnceMonthly:
      return (modified || !SameMonth(last, now)) && now.day == profile.day &&
             TimeReached(profile.sync_time, now);
    case profile::kOnlyOnce:
      // Due until a run has gone through since the profile was created or changed.
      return profile.prof_status == profile::kStatusNew || modified;
    default:
      return false;
  }
}

}  // namespace velmora::conduit
