// The first two wizard pages' rules and the properties pane's rules for changing a stored
// profile, on a real profile database: categories, the Next checks, the CSV export Finish, the
// conflict rules, the handheld user change and the schedule controls.
#include "desktop/sync_page_rules.h"

#include <gtest/gtest.h>

#include "desktop/properties_rules.h"
#include "desktop/wizard_data.h"
#include "profile/sync_settings.h"
#include "tests/desktop/desktop_world.h"

namespace velmora::desktop {
namespace {

using prompt::Answer;
using testing::DesktopWorld;

constexpr const char* kOverwriting =
    "Profile already exist for this user. Please select Sync Type \"Desktop Database Adds Pocket "
    "PC Contacts\" to add another profile.";
constexpr const char* kNameTaken = "Profile already exist with the same name for this user.";

class WizardRulesTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(world_.ConnectProfiles(connection_)); }

  // Stores a profile directly and returns it as stored.
  profile::ProfileRecord Stored(const std::string& name, int sync_type, long category = 0,
                                const std::string& user = testing::kUser) {
    profile::ProfileRecord r;
    r.prof_id = store_.NextProfileId();
    r.prof_name = name;
    r.user_name = user;
    r.sync_type = sync_type;
    r.category_id = category;
    r.db_path = "/data/";
    r.db_dsn = "c.mdb";
    r.table_name = "Contacts";
    r.query = "Select * from \"Contacts\"";
    EXPECT_TRUE(store_.InsertProfile(r, nullptr));
    for (const auto& p : store_.AllProfiles()) {
      if (p.prof_id == r.prof_id) return p;
    }
    return r;
  }

  PropertyPageValues Page(const std::string& name) {
    PropertyPageValues page;
    page.prof_name = name;
    page.users = {testing::kUser};
    page.sync_on = 2;
    page.date_index = 4;
    page.day_index = 3;
    page.time = profile::TimeOfDayOnDayZero(7, 5);
    return page;
  }

  DesktopWorld world_;
  db::Connection connection_;
  profile::ProfileStore store_{connection_};
  DesktopErrorLog log_{world_.app_folder()};
};

TEST_F(WizardRulesTest, CategoryChoiceOnTheFirstPage) {
  const std::vector<profile::Category> categories = {{3, "Business"}, {4, "Personal"}};
  const std::vector<std::string> entries = {"Business", "Personal", "Edit Categories..."};
  WizardData data;
  EXPECT_EQ(SyncTypePageNext(true, {"Edit Categories..."}, 0, categories, data).value_or(""),
            "Please select valid category");
  EXPECT_EQ(SyncTypePageNext(true, entries, std::nullopt, categories, data).value_or(""),
            "Please select valid category");
  EXPECT_FALSE(SyncTypePageNext(true, entries, 1, categories, data));
  EXPECT_EQ(data.category_id, 4);
  // The "Edit Categories..." entry left selected names no category: all contacts.
  EXPECT_FALSE(SyncTypePageNext(true, entries, 2, categories, data));
  EXPECT_EQ(data.category_id, 0);
  EXPECT_FALSE(SyncTypePageNext(true, entries, 1, categories, data));
  EXPECT_EQ(data.category_id, 4);
  EXPECT_FALSE(SyncTypePageNext(false, entries, 1, categories, data));
  EXPECT_EQ(data.category_id, 0);
}

TEST_F(WizardRulesTest, FirstProfileGetsIdOneAndTheRecordTakesThePageValues) {
  WizardData data;
  data.data_source_chosen = true;
  data.connection_type = 3;
  data.category_id = 7;
  EXPECT_TRUE(PropertyPageNext(Page("Sales"), true, store_, data).empty());
  EXPECT_EQ(data.record.prof_id, 1);
  EXPECT_EQ(data.record.day, 5);
  EXPECT_EQ(data.record.week_day, 3);
  EXPECT_EQ(data.record.sync_on, 2);
  EXPECT_EQ(data.record.category_id, 7);
  EXPECT_EQ(data.record.connection_type, 3);
  EXPECT_EQ(data.record.sync_time.minute, 5);
}

TEST_F(WizardRulesTest, PropertyPageRefusals) {
  Stored("O'Brien's", profile::kDesktopAddsDevice);
  struct Case {
    const char* name;
    bool users;
    bool connected;
    int sync_type;
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      {"New",
       false,
       true,
       0,
       {"There is no any Pocket PC user on your machine, Please create a partnership to create a "
        "user and then run this application."}},
      {"New", true, false, 0, {"No valid database connection established."}},
      {"O'Brien's", true, true, 0, {kNameTaken}},  // a quote in the name is found
      {"Second adds", true, true, 0, {}},
      {"Overwrites", true, true, 1, {kOverwriting}},
      // the overwrite check runs even after an earlier refusal
      {"O'Brien's", true, true, 1, {kNameTaken, kOverwriting}},
  };
  for (const Case& c : cases) {
    WizardData data;
    data.data_source_chosen = true;
    data.record.sync_type = c.sync_type;
    PropertyPageValues page = Page(c.name);
    if (!c.users) page.users.clear();
    const auto shown = PropertyPageNext(page, c.connected, store_, data);
    EXPECT_EQ(std::vector<std::string>(shown.begin(), shown.end()), c.messages) << c.name;
  }
}

TEST_F(WizardRulesTest, CsvExportFinishStoresABlankSource) {
  WizardData data;
  data.record.sync_type = profile::kExportCsv;
  EXPECT_EQ(PropertyPageFinish(Page(""), store_, log_, data).messages,
            std::vector<std::string>{"Please enter profile name"});
  const FinishResult result = PropertyPageFinish(Page("Export"), store_, log_, data);
  EXPECT_TRUE(result.finished);
  EXPECT_TRUE(result.saved);
  const auto profiles = store_.AllProfiles();
  ASSERT_EQ(profiles.size(), 1u);
  EXPECT_EQ(profiles[0].db_type, profile::kNoDatabase);
  EXPECT_EQ(profiles[0].sync_type, profile::kExportCsv);
  EXPECT_EQ(PropertyPageFinish(Page("Export"), store_, log_, data).messages,
            std::vector<std::string>{kNameTaken});
}

TEST_F(WizardRulesTest, ScheduleControls) {
  const ScheduleControls kept{true, true, false};
  struct Case {
    int sync_on;
    bool pane;
    ScheduleControls want;
  };
  const Case cases[] = {
      {0, false, {false, false, false}},
      {1, false, {false, false, true}},
      {2, false, {false, true, true}},
      {3, false, {true, false, true}},
      {4, false, kept},
      {4, true, {false, false, false}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ScheduleControlsFor(c.sync_on, c.pane, kept), c.want) << c.sync_on << c.pane;
  }
}

TEST_F(WizardRulesTest, FileKindsAndWhatTheyStore) {
  EXPECT_EQ(DatabaseTypeOfFile("/d/CONTACTS.MDB"), 1);
  EXPECT_EQ(DatabaseTypeOfFile("/d/a.xls"), 2);
  EXPECT_EQ(DatabaseTypeOfFile("/d/a.Dbf"), 3);
  EXPECT_EQ(DatabaseTypeOfFile("/d/a.csv"), 4);
  EXPECT_FALSE(DatabaseTypeOfFile("/d/a.txt"));
  EXPECT_FALSE(DatabaseTypeOfFile("/d.mdb/file"));
  const DataSourceChoice dbf = FileDataSource("/data/people/a.dbf", 3);
  EXPECT_EQ(dbf.db_dsn, "a.dbf");
  EXPECT_EQ(dbf.db_path, "/data/people/");
  EXPECT_EQ(dbf.connect_source, "/data/people");
  EXPECT_EQ(FileDataSource("/data/c.mdb", 1).connect_source, "/data/c.mdb");
  EXPECT_EQ(NamedDataSource("Crm").db_path, " ");
}

TEST_F(WizardRulesTest, SyncTypeChangesInThePane) {
  const auto first = Stored("First", profile::kDesktopAddsDevice);
  const auto second = Stored("Second", profile::kDesktopAddsDevice);
  struct Case {
    const profile::ProfileRecord* profile;
    int new_type;
    bool allowed;
    int shown;
    std::string message;
  };
  const Case cases[] = {
      {&second, 1, false, 0,
       "Profile for this user with SyncType \"Desktop Database Overwrites Pocket PC Contacts\" "
       "already exits. Please select Sync Type \"Desktop Database Adds Pocket PC Contacts\" for "
       "this profile."},
      {&first, 1, true, 1, ""},
      {&first, 4, false, 0, "Can not change Sync Type"},
      {&first, 3, true, 3, ""},
  };
  for (const Case& c : cases) {
    const SyncTypeChange change = ChangeSyncType(*c.profile, c.new_type, store_);
    EXPECT_EQ(change.allowed, c.allowed) << c.new_type;
    EXPECT_EQ(change.shown_sync_type, c.shown) << c.new_type;
    EXPECT_EQ(change.message, c.message);
  }
  // A later overwriting profile keeps an earlier one from changing.
  profile::ProfileRecord later = second;
  later.sync_type = 1;
  ASSERT_TRUE(store_.UpdateSyncSettings(later));
  const SyncTypeChange blocked = ChangeSyncType(first, 0, store_);
  EXPECT_FALSE(blocked.allowed);
  EXPECT_EQ(blocked.shown_sync_type, 0);
  EXPECT_EQ(blocked.message,
            "Profile overwriting Pocket PC side contacts and which will be sync after this "
            "profile is exit. So can not change Sync Type.");
}

TEST_F(WizardRulesTest, DeviceToDesktopNeedsAPlainSingleTableQuery) {
  profile::ProfileRecord filtered = Stored("Filtered", profile::kDesktopAddsDevice);
  filtered.query = "Select * from \"Contacts\" Where x=1";
  SyncTypeChange change = ChangeSyncType(filtered, 2, store_);
  EXPECT_FALSE(change.allowed);
  EXPECT_EQ(change.shown_sync_type, 0);
  EXPECT_EQ(change.message,
            "Query content either where clause or more than one tables, it will not allowe in "
            "case of Device to Desktop.");
  profile::ProfileRecord excel = Stored("Sheet", profile::kDesktopAddsDevice);
  excel.db_dsn = "sheet.xls";
  excel.connection_type = profile::kExcelKind;
  change = ChangeSyncType(excel, 3, store_);
  EXPECT_EQ(change.message, "For MS Excel Back Syncing is not allowed.");
}

TEST_F(WizardRulesTest, HandheldUserChange) {
  profile::ProfileRecord moved = Stored("Shared", 0, 0, "Bob");
  Stored("Shared", 0);  // the same name exists for the new user
  moved.prof_status = profile::kStatusSynchronized;
  PaneValues values;
  values.user_name = "Bob";
  const profile::ProfileRecord before = moved;

  world_.prompt().QueueAnswer(Answer::kCancel);
  EXPECT_FALSE(ChangeHandheldUser(testing::kUser, values, moved, store_));
  EXPECT_EQ(moved, before);
  EXPECT_EQ(world_.prompt().Shown().back().buttons, prompt::Buttons::kOkCancel);
  EXPECT_EQ(world_.prompt().Shown().back().icon, prompt::Icon::kQuestion);

  world_.prompt().QueueAnswer(Answer::kOk);
  EXPECT_FALSE(ChangeHandheldUser(testing::kUser, values, moved, store_));
  EXPECT_EQ(moved, before);
  EXPECT_EQ(world_.prompt().Texts().back(), kNameTaken);

  world_.prompt().QueueAnswer(Answer::kOk);
  EXPECT_TRUE(ChangeHandheldUser("Carol", values, moved, store_));
  EXPECT_EQ(store_.ProfilesOfUser("Carol").size(), 1u);
  // A schedule change afterwards keeps the status of a changed user.
  values.user_name = "Carol";
  values.sync_on = 1;
  ASSERT_TRUE(StoreSettings(values, moved, store_));
  EXPECT_EQ(store_.ProfilesOfUser("Carol").at(0).prof_status, profile::kStatusNew);
}

}  // namespace
}  // namespace velmora::desktop
