#include "conduit/due_test.h"

#include <gtest/gtest.h>

#include "profile/sync_settings.h"

namespace velmora::conduit {
namespace {

using profile::ProfileDateTime;

struct DueCase {
  const char* name;
  int sync_on;
  int prof_status;
  int day;
  int week_day;
  ProfileDateTime sync_time;
  ProfileDateTime last_run;
  ProfileDateTime now;
  bool due;
};

constexpr ProfileDateTime At(int y, int mo, int d, int h, int mi, int s = 0) {
  return {y, mo, d, h, mi, s};
}
constexpr ProfileDateTime TimeOnly(int h, int mi) {
  return {1899, 12, 30, h, mi, 0};
}

// 2024-03-04 is a Monday; 2024-02-26 the Monday before.
const DueCase kCases[] = {
    {"every time is always due", profile::kEveryTime, 0, 1, 0, TimeOnly(23, 59),
     At(2024, 3, 5, 23, 0), At(2024, 3, 5, 0, 0), true},
    {"daily, same day of last month, is due", profile::kOnceEveryDay, 0, 1, 0, TimeOnly(9, 30),
     At(2024, 2, 5, 10, 0), At(2024, 3, 5, 11, 0), true},
    {"daily, same day of last year, is due", profile::kOnceEveryDay, 0, 1, 0, TimeOnly(9, 30),
     At(2023, 3, 5, 10, 0), At(2024, 3, 5, 11, 0), true},
    {"daily, already ran today", profile::kOnceEveryDay, 0, 1, 0, TimeOnly(9, 30),
     At(2024, 3, 5, 10, 0), At(2024, 3, 5, 11, 0), false},
    {"daily, one minute before the time", profile::kOnceEveryDay, 0, 1, 0, TimeOnly(9, 30),
     At(2024, 3, 5, 10, 0), At(2024, 3, 6, 9, 29, 59), false},
    {"daily, at the time", profile::kOnceEveryDay, 0, 1, 0, TimeOnly(9, 30), At(2024, 3, 5, 10, 0),
     At(2024, 3, 6, 9, 30), true},
    {"daily, modified runs again today", profile::kOnceEveryDay, 2, 1, 0, TimeOnly(9, 30),
     At(2024, 3, 5, 10, 0), At(2024, 3, 5, 11, 0), true},
    {"daily, never ran, on the 30th", profile::kOnceEveryDay, 1, 1, 0, TimeOnly(9, 30),
     TimeOnly(9, 30), At(2024, 4, 30, 10, 0), true},
    {"daily, new status forces nothing before the time", profile::kOnceEveryDay, 1, 1, 0,
     TimeOnly(9, 30), TimeOnly(9, 30), At(2024, 4, 30, 9, 0), false},
    {"weekly, not yet seven days", profile::kOnceWeekly, 0, 1, 1, TimeOnly(9, 0),
     At(2024, 2, 26, 10, 0), At(2024, 3, 4, 9, 59, 59), false},
    {"weekly, exactly seven days is not enough", profile::kOnceWeekly, 0, 1, 1, TimeOnly(9, 0),
     At(2024, 2, 26, 10, 0), At(2024, 3, 4, 10, 0, 0), false},
    {"weekly, just over seven days", profile::kOnceWeekly, 0, 1, 1, TimeOnly(9, 0),
     At(2024, 2, 26, 10, 0), At(2024, 3, 4, 10, 0, 1), true},
    {"weekly, modified is due from the time on", profile::kOnceWeekly, 2, 1, 1, TimeOnly(9, 0),
     At(2024, 3, 4, 8, 0), At(2024, 3, 4, 9, 0), true},
    {"weekly, modified but before the time", profile::kOnceWeekly, 2, 1, 1, TimeOnly(9, 0),
     At(2024, 3, 4, 8, 0), At(2024, 3, 4, 8, 59), false},
    {"weekly, wrong day of the week", profile::kOnceWeekly, 0, 1, 2, TimeOnly(9, 0),
     At(2024, 1, 1, 10, 0), At(2024, 3, 4, 10, 0), false},
    {"weekly, never ran counts as old", profile::kOnceWeekly, 1, 1, 1, TimeOnly(9, 0),
     TimeOnly(9, 0), At(2024, 3, 4, 9, 0), true},
    {"monthly, day 31 in April", profile::kOnceMonthly, 2, 31, 0, TimeOnly(0, 0),
     At(2024, 1, 31, 10, 0), At(2024, 4, 30, 23, 59), false},
    {"monthly, due on its day", profile::kOnceMonthly, 0, 15, 0, TimeOnly(8, 0),
     At(2024, 2, 15, 8, 0), At(2024, 3, 15, 8, 0), true},
    {"monthly, same month of last year is due", profile::kOnceMonthly, 0, 15, 0, TimeOnly(8, 0),
     At(2023, 3, 15, 8, 0), At(2024, 3, 15, 8, 0), true},
    {"monthly, already ran this month", profile::kOnceMonthly, 0, 15, 0, TimeOnly(8, 0),
     At(2024, 3, 1, 8, 0), At(2024, 3, 15, 8, 0), false},
    {"monthly, never ran, in December", profile::kOnceMonthly, 1, 15, 0, TimeOnly(8, 0),
     TimeOnly(8, 0), At(2024, 12, 15, 9, 0), true},
    {"only once, new", profile::kOnlyOnce, 1, 1, 0, TimeOnly(8, 0), TimeOnly(8, 0),
     At(2024, 3, 15, 7, 0), true},
    {"only once, modified", profile::kOnlyOnce, 2, 1, 0, TimeOnly(8, 0), At(2024, 3, 1, 8, 0),
     At(2024, 3, 15, 7, 0), true},
    {"only once, after it ran", profile::kOnlyOnce, 0, 1, 0, TimeOnly(8, 0), At(2024, 3, 1, 8, 0),
     At(2024, 3, 15, 7, 0), false},
    {"unknown schedule is never due", 7, 2, 1, 0, TimeOnly(0, 0), TimeOnly(0, 0),
     At(2024, 3, 15, 7, 0), false},
};

TEST(DueTest, FollowsTheScheduleTable) {
  for (const DueCase& c : kCases) {
    profile::ProfileRecord profile;
    profile.sync_on = c.sync_on;
    profile.prof_status = c.prof_status;
    profile.day = c.day;
    profile.week_day = c.week_day;
    profile.sync_time = c.sync_time;
    profile.last_sync_date_time = c.last_run;
    EXPECT_EQ(IsDue(profile, c.now), c.due) << c.name;
  }
}

TEST(DueTest, WeekDaysAndSecondsOfTheLocalClock) {
  EXPECT_EQ(WeekDayOf(2024, 3, 4), 1);
  EXPECT_EQ(WeekDayOf(1899, 12, 30), 6);
  EXPECT_EQ(WeekDayOf(1970, 1, 1), 4);
  EXPECT_EQ(WeekDayOf(2000, 2, 29), 2);
  EXPECT_EQ(SecondsBetween(At(2024, 2, 28, 23, 0), At(2024, 3, 1, 0, 0)), 25 * 3600);
}

}  // namespace
}  // namespace velmora::conduit
