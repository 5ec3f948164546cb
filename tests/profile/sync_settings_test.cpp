#include "profile/sync_settings.h"

#include <gtest/gtest.h>

namespace velmora::profile {
namespace {

TEST(SyncSettings, ValuesOutsideTheTablesHaveNoText) {
  for (const int outside : {-1, 6, 100}) {
    EXPECT_EQ(SyncTypeText(outside), "") << outside;
    EXPECT_EQ(SyncTypeLogText(outside), "") << outside;
  }
  EXPECT_EQ(SyncOnText(5), "");
  EXPECT_EQ(WeekDayText(7), "");
  EXPECT_EQ(DatabaseTypeDriver(kNoDatabase), "");
}

TEST(SyncSettings, EditingKeepsANewProfileNew) {
  EXPECT_EQ(StatusAfterEdit(kStatusNew), kStatusNew);
  EXPECT_EQ(StatusAfterEdit(kStatusSynchronized), kStatusModified);
  EXPECT_EQ(StatusAfterEdit(kStatusModified), kStatusModified);
}

TEST(SyncSettings, TimeOfDayIsStoredWithoutLeadingZeros) {
  EXPECT_EQ(SyncTimeText(7, 5), "7:5");
  EXPECT_EQ(SyncTimeText(0, 0), "0:0");
  EXPECT_EQ(SyncTimeText(23, 59), "23:59");
}

TEST(SyncSettings, ParsesStoredTimesOfDay) {
  struct Case {
    const char* text;
    std::optional<TimeOfDay> expected;
  };
  const Case cases[] = {
      {"7:5", TimeOfDay{7, 5}}, {"07:05", TimeOfDay{7, 5}}, {"23:59:59", TimeOfDay{23, 59}},
      {"0:0", TimeOfDay{0, 0}}, {"24:0", std::nullopt},     {"9:60", std::nullopt},
      {"9", std::nullopt},      {"9:", std::nullopt},       {":5", std::nullopt},
      {"-1:5", std::nullopt},   {"9:5x", std::nullopt},     {"", std::nullopt},
      {"9:5:61", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseSyncTime(c.text), c.expected) << c.text;
}

}  // namespace
}  // namespace velmora::profile
