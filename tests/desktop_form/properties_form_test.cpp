// What the properties pane shows for unusual profile records and what it hands to the store:
// a nameless record, stored values outside the lists, the heading with a category, and the
// values kept when a list shows no selection.
#include "desktop/properties_form.h"

#include <gtest/gtest.h>

#include <array>

#include "profile/sync_settings.h"

namespace velmora::desktop {
namespace {

profile::ProfileRecord Record(int sync_type) {
  profile::ProfileRecord r;
  r.prof_id = 7;
  r.prof_name = "Sales";
  r.user_name = "Ann Lee";
  r.sync_type = sync_type;
  r.sync_on = profile::kOnceWeekly;
  r.day = 15;
  r.week_day = 3;
  r.sync_time = profile::TimeOfDayOnDayZero(9, 30, 12);
  return r;
}

TEST(PaneFormTest, NoProfileOrANamelessOneGivesADisabledBlankForm) {
  profile::ProfileRecord nameless = Record(0);
  nameless.prof_name.clear();
  for (const auto& record :
       {std::optional<profile::ProfileRecord>{}, std::optional<profile::ProfileRecord>{nameless}}) {
    const PaneForm form = PaneFormFor(record, "Work");
    EXPECT_FALSE(form.enabled);
    EXPECT_EQ(form.heading, "");
    EXPECT_FALSE(form.csv_export);
    EXPECT_EQ(
        (std::array{form.sync_type_index, form.sync_on_index, form.date_index, form.day_index}),
        (std::array{-1, -1, -1, -1}));
    EXPECT_EQ(form.user_name, "");
    EXPECT_EQ(form.schedule, ScheduleControls{});
  }
}

TEST(PaneFormTest, StoredValuesOutsideTheListsSelectNothing) {
  struct Case {
    int sync_type, sync_on, day, week_day;
    std::array<int, 4> shown;  // sync type, Sync On, Date, Day
  };
  const Case cases[] = {
      {6, 5, 0, 7, {-1, -1, -1, -1}},
      {-1, -1, 32, -1, {-1, -1, -1, -1}},
      {0, 4, 31, 6, {0, 4, 30, 6}},
      {1, 0, 1, 0, {1, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    profile::ProfileRecord r = Record(c.sync_type);
    r.sync_on = c.sync_on;
    r.day = c.day;
    r.week_day = c.week_day;
    const PaneForm form = PaneFormFor(r, "");
    EXPECT_EQ(
        (std::array{form.sync_type_index, form.sync_on_index, form.date_index, form.day_index}),
        c.shown)
        << c.sync_type << " " << c.sync_on << " " << c.day << " " << c.week_day;
  }
}

TEST(PaneFormTest, HeadingNamesTheCategoryOnlyWhenItHasOne) {
  profile::ProfileRecord r = Record(0);
  struct Case {
    long category_id;
    const char* name;
    const char* heading;
  };
  const Case cases[] = {
      {3, "Work", "Sales( Category: Work )"},
      {3, "O'Neil & Co", "Sales( Category: O'Neil & Co )"},
      {3, "", "Sales"},  // the category was deleted meanwhile
      {0, "Work", "Sales"},
      {-1, "Work", "Sales"},
  };
  for (const Case& c : cases) {
    r.category_id = c.category_id;
    EXPECT_EQ(PaneHeading(r, c.name), c.heading) << c.category_id << " " << c.name;
  }
}

TEST(PaneFormTest, ValuesToStoreKeepTheStoredOnesWhereAListShowsNothing) {
  const profile::ProfileRecord r = Record(profile::kDesktopAddsDevice);
  PaneControls shown{3, "Bob Day", 1, 4, 5, 7, 8, 9};
  PaneValues values = PaneValuesToStore(shown, r);
  // The sync type list may show a refused choice; only ChangeSyncType stores a new type.
  EXPECT_EQ(values.sync_type_index, profile::kDesktopAddsDevice);
  EXPECT_EQ(values.user_name, "Bob Day");
  EXPECT_EQ((std::array{values.sync_on, values.date_index, values.day_index}),
            (std::array{1, 4, 5}));
  EXPECT_EQ((std::array{values.hour, values.minute, values.second}), (std::array{7, 8, 9}));

  const PaneControls blank{-1, "", -1, -1, -1, 7, 8, 9};
  values = PaneValuesToStore(blank, r);
  EXPECT_EQ(values.user_name, "Ann Lee");
  EXPECT_EQ((std::array{values.sync_on, values.date_index, values.day_index}),
            (std::array<int, 3>{profile::kOnceWeekly, 14, 3}));
}

}  // namespace
}  // namespace velmora::desktop
