#include "profile/profile_record.h"

#include <gtest/gtest.h>

namespace velmora::profile {
namespace {

TEST(ProfileRecord, StoredDateTimesReadBackWithTheirFields) {
  struct Case {
    const char* text;
    std::optional<ProfileDateTime> expected;
  };
  const Case cases[] = {
      // A time of day alone lies on day zero.
      {"9:5", ProfileDateTime{1899, 12, 30, 9, 5, 0}},
      {"23:59:58", ProfileDateTime{1899, 12, 30, 23, 59, 58}},
      {"0:0", ProfileDateTime{1899, 12, 30, 0, 0, 0}},
      {"2026-03-07 08:04:09", ProfileDateTime{2026, 3, 7, 8, 4, 9}},
      {"2026-03-07 08:04:09.250", ProfileDateTime{2026, 3, 7, 8, 4, 9}},
      {"2026-03-07T08:04", ProfileDateTime{2026, 3, 7, 8, 4, 0}},
      {"2026-03-07", ProfileDateTime{2026, 3, 7, 0, 0, 0}},
      {"3/7/2026 8:4:9", ProfileDateTime{2026, 3, 7, 8, 4, 9}},  // month first
      {" 9:5 ", ProfileDateTime{1899, 12, 30, 9, 5, 0}},
      {"2024-02-29 12:00:00", ProfileDateTime{2024, 2, 29, 12, 0, 0}},
      {"2023-02-29 12:00:00", std::nullopt},
      {"2026-13-01 00:00:00", std::nullopt},
      {"2026-03-07 24:00:00", std::nullopt},
      {"9:61", std::nullopt},
      {"9", std::nullopt},
      {"", std::nullopt},
      {"yesterday", std::nullopt},
      {"2026-03-07 9:5 extra", std::nullopt},
      {"9:5 2026-03-07", std::nullopt},
      {"-9:5", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseStoredDateTime(c.text), c.expected) << c.text;
}

}  // namespace
}  // namespace velmora::profile
