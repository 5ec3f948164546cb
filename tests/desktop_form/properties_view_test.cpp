// The properties pane on the offscreen platform over a hermetic profile database: the form
// for each kind of profile and for none, sync type and handheld user changes checked and
// stored (or refused with their messages), the schedule controls, nothing stored while the
// form fills, the "?" link, the pane inside the main window, and pictures of the form.
#include "desktop/properties_view.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTimeEdit>
#include <QTimer>

#include "desktop/content_grid.h"
#include "desktop/desktop_session.h"
#include "desktop/main_frame.h"
#include "desktop/profile_view.h"
#include "desktop/what_is_this_texts.h"
#include "desktop/what_is_this_window.h"
#include "profile/sync_settings.h"
#include "tests/desktop/desktop_world.h"
#include "tests/support_qt/qt_print.h"
#include "tests/support_qt/screenshot.h"

namespace velmora::desktop {
namespace {

using prompt::Answer;

constexpr const char* kSecondUser = "Bob Day";

// What a user's choice in a list does: the list changes and reports the chosen entry.
void Choose(QComboBox* list, int index) {
  list->setCurrentIndex(index);
  emit list->activated(index);
}

void ChooseText(QComboBox* list, const QString& text) {
  Choose(list, list->findText(text));
}

class PropertiesViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registry::WriteString(registry::Hive::kCurrentUser,
                          "Software\\Microsoft\\Windows CE Services\\Partners\\P2", "DisplayName",
                          kSecondUser);
    StartupOptions options;
    options.user_library = velmora::testing::BuildDir() / "lib" / "libpeltrix.so";
    options.rapi_library = (velmora::testing::BuildDir() / "lib" / "librapi-emu.so").string();
    options.device_wait = std::chrono::milliseconds(0);
    ASSERT_EQ(session_.Start(options), StartupFailure::kNone);
    for (const auto& p : store().AllProfiles()) store().DeleteProfile(p.prof_id);
  }

  profile::ProfileStore& store() { return session_.store(); }

  profile::ProfileRecord Add(long id, const std::string& name, int sync_type,
                             const std::string& query = "Select * from \"Contacts\"") {
    profile::ProfileRecord r;
    r.prof_id = id;
    r.prof_name = name;
    r.user_name = testing::kUser;
    r.sync_type = sync_type;
    r.db_type = db::kDatabaseAccess;
    r.db_path = world_.app_folder().string() + "/";
    r.db_dsn = "SampleContactsDB.mdb";
    r.query = query;
    r.table_name = "Contacts";
    r.sync_on = profile::kOnceMonthly;
    r.day = 12;
    r.week_day = 5;
    r.sync_time = profile::TimeOfDayOnDayZero(18, 45);
    if (sync_type == profile::kExportCsv) {
      r.db_type = profile::kNoDatabase;
      r.db_path = r.db_dsn = r.query = r.table_name = " ";
    }
    EXPECT_TRUE(store().InsertProfile(r, nullptr));
    // As after a run: a change of the settings shows in ProfStatus.
    EXPECT_TRUE(store().RecordRun(id, {2026, 1, 2, 3, 4, 5}));
    return Stored(id);
  }

  profile::ProfileRecord Stored(long id) {
    for (const auto& p : store().AllProfiles()) {
      if (p.prof_id == id) return p;
    }
    ADD_FAILURE() << "no profile " << id;
    return {};
  }

  testing::DesktopWorld world_;
  DesktopSession session_;
};

TEST_F(PropertiesViewTest, FormShowsEachKindOfProfile) {
  const std::pair<int, const char*> kinds[] = {
      {profile::kDesktopAddsDevice, "Desktop Database Adds Pocket PC Contacts"},
      {profile::kDesktopOverwritesDevice, "Desktop Database Overwrites Pocket PC Contacts"},
      {profile::kDeviceAddsDesktop, "Pocket PC Contacts Adds Desktop Database"},
      {profile::kDeviceOverwritesDesktop, "Pocket PC Contacts Overwrites Desktop Database"},
      {profile::kDoNothing, "Do Nothing"},
  };
  CPropertiesView view(session_);
  view.resize(800, 130);
  view.show();
  long id = 1;
  for (const auto& [sync_type, text] : kinds) {
    const std::string name = "Kind " + std::to_string(sync_type);
    view.ShowProfile(Add(id++, name, sync_type));
    EXPECT_TRUE(view.loaded());
    EXPECT_EQ(view.heading()->text(), QString::fromStdString(name));
    EXPECT_EQ(view.sync_type_list()->currentText(), text);
    EXPECT_TRUE(view.sync_type_list()->isVisible());
    EXPECT_TRUE(view.user_list()->isVisible());
    EXPECT_FALSE(view.csv_sync_type_field()->isVisible());
    EXPECT_FALSE(view.csv_user_field()->isVisible());
    EXPECT_EQ(view.user_list()->currentText(), testing::kUser);
    EXPECT_EQ(view.sync_on_list()->currentText(), "Once Monthly");
    EXPECT_EQ(view.date_list()->currentText(), "12");
    EXPECT_EQ(view.day_list()->currentText(), "Friday");
    EXPECT_EQ(view.time_picker()->time(), QTime(18, 45));
    for (QWidget* control : std::initializer_list<QWidget*>{view.sync_type_list(), view.user_list(),
                                                            view.sync_on_list()}) {
      EXPECT_TRUE(control->isEnabled()) << sync_type;
    }
    // Once Monthly: the date and time count, the week day does not.
    EXPECT_TRUE(view.date_list()->isEnabled());
    EXPECT_FALSE(view.day_list()->isEnabled());
    EXPECT_TRUE(view.time_picker()->isEnabled());
  }
  EXPECT_EQ(view.user_list()->count(), 2);  // filled once from the handheld user library
  EXPECT_EQ(view.sync_type_list()->count(), 5);
  EXPECT_EQ(view.date_list()->count(), 31);
}

TEST_F(PropertiesViewTest, NoProfileDisablesTheFormAfterAProfileWasShown) {
  CPropertiesView view(session_);
  view.show();
  view.ShowProfile(Add(1, "Sales", profile::kDesktopAddsDevice));
  view.ShowProfile(std::nullopt);
  EXPECT_TRUE(view.loaded());
  EXPECT_EQ(view.heading()->text(), "");
  for (QComboBox* list : {view.sync_type_list(), view.user_list(), view.sync_on_list(),
                          view.date_list(), view.day_list()}) {
    EXPECT_EQ(list->currentIndex(), -1);
    EXPECT_FALSE(list->isEnabled());
  }
  EXPECT_FALSE(view.time_picker()->isEnabled());
  EXPECT_FALSE(view.csv_sync_type_field()->isVisible());
  // A change arriving now has nothing to change.
  Choose(view.date_list(), 3);
  EXPECT_EQ(Stored(1).day, 12);
}

TEST_F(PropertiesViewTest, CsvExportProfileShowsReadOnlyFieldsAndKeepsItsType) {
  CPropertiesView view(session_);
  view.show();
  view.ShowProfile(Add(1, "Export", profile::kExportCsv));
  EXPECT_FALSE(view.sync_type_list()->isVisible());
  EXPECT_FALSE(view.user_list()->isVisible());
  EXPECT_TRUE(view.csv_sync_type_field()->isVisible());
  EXPECT_TRUE(view.csv_user_field()->isVisible());
  EXPECT_EQ(view.csv_sync_type_field()->text(), "Import as a CSV file");
  EXPECT_EQ(view.csv_user_field()->text(), testing::kUser);
  EXPECT_FALSE(view.csv_sync_type_field()->isEnabled());
  EXPECT_FALSE(view.csv_user_field()->isEnabled());
  EXPECT_EQ(view.sync_type_list()->currentIndex(), -1);
  // The schedule stays editable, and storing it keeps the export.
  Choose(view.sync_on_list(), profile::kOnceEveryDay);
  EXPECT_EQ(Stored(1).sync_type, profile::kExportCsv);
  EXPECT_EQ(Stored(1).sync_on, profile::kOnceEveryDay);
  // The next ordinary profile shows its lists again.
  view.ShowProfile(Add(2, "Plain", profile::kDesktopAddsDevice));
  EXPECT_TRUE(view.sync_type_list()->isVisible());
  EXPECT_FALSE(view.csv_sync_type_field()->isVisible());
  EXPECT_EQ(view.sync_type_list()->currentIndex(), 0);
}

TEST_F(PropertiesViewTest, HeadingNamesTheProfilesCategory) {
  ASSERT_TRUE(store().InsertCategory(4, "Suppliers"));
  profile::ProfileRecord r = Add(1, "Vendors", profile::kDesktopAddsDevice);
  r.category_id = 4;
  ASSERT_TRUE(store().DeleteProfile(1));
  ASSERT_TRUE(store().InsertProfile(r, nullptr));
  CPropertiesView view(session_);
  view.ShowProfile(r);
  EXPECT_EQ(view.heading()->text(), "Vendors( Category: Suppliers )");
}

TEST_F(PropertiesViewTest, SyncTypeChangesAreCheckedBeforeTheyAreStored) {
  const std::string kCannotChange = "Can not change Sync Type";
  const std::string kLaterOverwriting =
      "Profile overwriting Pocket PC side contacts and which will be sync after this profile is "
      "exit. So can not change Sync Type.";
  const std::string kEarlierOverwriting =
      "Profile for this user with SyncType \"Desktop Database Overwrites Pocket PC Contacts\" "
      "already exits. Please select Sync Type \"Desktop Database Adds Pocket PC Contacts\" for "
      "this profile.";
  const std::string kTargetOverwritten =
      "Profile overwriting same target table already exist. Please select Sync Type \"Pocket PC "
      "Contacts Adds Desktop Database\" for this profile.";
  const std::string kWhere =
      "Query content either where clause or more than one tables, it will not allowe in case of "
      "Device to Desktop.";
  struct Other {
    long id;
    int sync_type;
  };
  struct Case {
    const char* what;
    std::vector<Other> others;
    long shown_id;
    int stored_type;
    std::string query;
    int chosen;
    std::string message;  // empty: accepted
    int list_after;
  };
  const std::string plain = "Select * from \"Contacts\"";
  const Case cases[] = {
      {"accepted", {}, 1, 0, plain, 2, "", 2},
      {"do nothing", {}, 1, 0, plain, 4, kCannotChange, 0},
      {"later overwriting", {{2, 1}}, 1, 2, plain, 0, kLaterOverwriting, 2},
      {"earlier desktop profile", {{1, 0}}, 2, 2, plain, 1, kEarlierOverwriting, 0},
      {"earlier target profile", {{1, 2}}, 2, 0, plain, 3, kTargetOverwritten, 2},
      {"where clause", {}, 1, 0, plain + " where \"City\"='Leeds'", 3, kWhere, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const auto& p : store().AllProfiles()) store().DeleteProfile(p.prof_id);
    for (const Other& o : c.others) Add(o.id, "Other " + std::to_string(o.id), o.sync_type);
    const profile::ProfileRecord shown = Add(c.shown_id, "Shown", c.stored_type, c.query);
    int refreshed = 0;
    CPropertiesView view(session_, [&] { ++refreshed; });
    view.ShowProfile(shown);
    const std::size_t before = world_.prompt().Shown().size();
    Choose(view.sync_type_list(), c.chosen);
    const auto messages = world_.prompt().Shown();
    const profile::ProfileRecord after = Stored(c.shown_id);
    EXPECT_EQ(view.sync_type_list()->currentIndex(), c.list_after);
    if (c.message.empty()) {
      EXPECT_EQ(messages.size(), before);
      EXPECT_EQ(after.sync_type, c.chosen);
      EXPECT_EQ(after.prof_status, profile::kStatusModified);
      EXPECT_EQ(refreshed, 1);
      continue;
    }
    ASSERT_EQ(messages.size(), before + 1);
    EXPECT_EQ(messages.back().text, c.message);
    EXPECT_EQ(messages.back().caption, "Velmora");
    EXPECT_EQ(messages.back().icon, prompt::Icon::kExclamation);
    EXPECT_EQ(after, shown);  // nothing stored
    EXPECT_EQ(refreshed, 0);
    // The list may show the suggested entry, but another change never stores it unchecked.
    Choose(view.date_list(), 0);
    EXPECT_EQ(Stored(c.shown_id).sync_type, c.stored_type);
    EXPECT_EQ(Stored(c.shown_id).day, 1);
  }
}

TEST_F(PropertiesViewTest, HandheldUserChangeAsksAndChecks) {
  CPropertiesView view(session_);
  const profile::ProfileRecord shown = Add(1, "Sales", profile::kDesktopAddsDevice);
  view.ShowProfile(shown);

  world_.prompt().QueueAnswer(Answer::kCancel);
  ChooseText(view.user_list(), kSecondUser);
  EXPECT_EQ(world_.prompt().Texts().back(), "Are you sure to change Handheld User?");
  EXPECT_EQ(world_.prompt().Shown().back().icon, prompt::Icon::kQuestion);
  EXPECT_EQ(view.user_list()->currentText(), testing::kUser);
  EXPECT_EQ(Stored(1), shown);

  // The new user already has a profile of this name.
  profile::ProfileRecord clash = shown;
  clash.prof_id = 2;
  clash.user_name = kSecondUser;
  ASSERT_TRUE(store().InsertProfile(clash, nullptr));
  world_.prompt().QueueAnswer(Answer::kOk);
  ChooseText(view.user_list(), kSecondUser);
  EXPECT_EQ(world_.prompt().Texts().back(),
            "Profile already exist with the same name for this user.");
  EXPECT_EQ(view.user_list()->currentText(), testing::kUser);
  EXPECT_EQ(Stored(1), shown);
  ASSERT_TRUE(store().DeleteProfile(2));

  world_.prompt().QueueAnswer(Answer::kOk);
  ChooseText(view.user_list(), kSecondUser);
  EXPECT_EQ(Stored(1).user_name, kSecondUser);
  EXPECT_EQ(Stored(1).prof_status, profile::kStatusNew);
  // A schedule change afterwards keeps the status of a moved profile.
  Choose(view.day_list(), 1);
  EXPECT_EQ(Stored(1).week_day, 1);
  EXPECT_EQ(Stored(1).prof_status, profile::kStatusNew);
}

TEST_F(PropertiesViewTest, SyncOnEnablesTheScheduleControlsAndStores) {
  struct Case {
    int sync_on;
    bool date, day, time;
  };
  const Case cases[] = {
      {profile::kEveryTime, false, false, false}, {profile::kOnceEveryDay, false, false, true},
      {profile::kOnceWeekly, false, true, true},  {profile::kOnceMonthly, true, false, true},
      {profile::kOnlyOnce, false, false, false},
  };
  Add(1, "Sales", profile::kDesktopAddsDevice);
  CPropertiesView view(session_);
  view.ShowProfile(Stored(1));
  for (const Case& c : cases) {
    // Start each case from the opposite enabling, so that every control has to change.
    view.date_list()->setEnabled(!c.date);
    view.day_list()->setEnabled(!c.day);
    view.time_picker()->setEnabled(!c.time);
    Choose(view.sync_on_list(), c.sync_on);
    EXPECT_EQ(view.date_list()->isEnabled(), c.date) << c.sync_on;
    EXPECT_EQ(view.day_list()->isEnabled(), c.day) << c.sync_on;
    EXPECT_EQ(view.time_picker()->isEnabled(), c.time) << c.sync_on;
    EXPECT_EQ(Stored(1).sync_on, c.sync_on);
    // Showing the stored profile again gives the same enabling.
    view.ShowProfile(Stored(1));
    EXPECT_EQ(view.date_list()->isEnabled(), c.date) << c.sync_on;
    EXPECT_EQ(view.day_list()->isEnabled(), c.day) << c.sync_on;
    EXPECT_EQ(view.time_picker()->isEnabled(), c.time) << c.sync_on;
  }
}

TEST_F(PropertiesViewTest, DateDayAndTimeAreStored) {
  Add(1, "Sales", profile::kDeviceAddsDesktop);
  CPropertiesView view(session_);
  view.ShowProfile(Stored(1));
  Choose(view.date_list(), 30);
  EXPECT_EQ(Stored(1).day, 31);
  EXPECT_EQ(Stored(1).prof_status, profile::kStatusModified);
  Choose(view.day_list(), 6);
  EXPECT_EQ(Stored(1).week_day, 6);

  view.time_picker()->setTime(QTime(7, 5));
  EXPECT_EQ(Stored(1).sync_time.hour, 18);  // not before the picker loses the focus
  QFocusEvent left(QEvent::FocusOut);
  QApplication::sendEvent(view.time_picker(), &left);
  EXPECT_EQ(Stored(1).sync_time.hour, 7);
  EXPECT_EQ(Stored(1).sync_time.minute, 5);
  EXPECT_EQ(Stored(1).sync_type, profile::kDeviceAddsDesktop);
}

TEST_F(PropertiesViewTest, NothingIsStoredWhileTheFormFillsOrTheFocusMerelyPasses) {
  const int kinds[] = {profile::kDesktopAddsDevice, profile::kDeviceOverwritesDesktop,
                       profile::kExportCsv, profile::kDoNothing};
  for (int i = 0; i < 4; ++i) Add(i + 1, "P" + std::to_string(i), kinds[i]);
  const std::vector<profile::ProfileRecord> before = store().AllProfiles();
  CPropertiesView view(session_);
  view.show();
  for (const auto& p : before) {
    view.ShowProfile(p);
    QFocusEvent left(QEvent::FocusOut);
    QApplication::sendEvent(view.time_picker(), &left);
  }
  view.ShowProfile(std::nullopt);
  EXPECT_EQ(store().AllProfiles(), before);
}

TEST_F(PropertiesViewTest, HelpLinkOpensTheTextOfThisPane) {
  CPropertiesView view(session_);
  view.show();
  QLabel* link = view.help_link();
  EXPECT_EQ(link->text(), "?");
  EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(85, 26, 139));
  QEvent enter(QEvent::Enter);
  QApplication::sendEvent(link, &enter);
  EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(0, 0, 238));
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(link, &leave);
  EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(85, 26, 139));

  QString shown;
  // The help window runs its own loop; read it and close it from inside that loop.
  QTimer::singleShot(0, [&] {
    if (auto* help = qobject_cast<WhatIsThisWindow*>(QApplication::activeModalWidget())) {
      shown = help->text();
      help->reject();
    }
  });
  const QPointF at(2, 2);
  QMouseEvent press(QEvent::MouseButtonPress, at, link->mapToGlobal(at), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QMouseEvent release(QEvent::MouseButtonRelease, at, link->mapToGlobal(at), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(link, &press);
  QApplication::sendEvent(link, &release);
  const std::string_view text = WhatIsThisText(kHelpPropertiesPane);
  EXPECT_EQ(shown, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  EXPECT_TRUE(shown.startsWith(
      "\"Database Synchronization Profile\" is a mirror image of your desktop database."));
}

TEST_F(PropertiesViewTest, MainWindowShowsTheSelectedProfileAndRefreshesAfterAChange) {
  Add(1, "Sales Team", profile::kDesktopAddsDevice);
  Add(2, "Back Office", profile::kDeviceAddsDesktop);
  CMainFrame frame(session_);
  frame.profile_view()->Reload();
  frame.profile_view()->SelectProfileRow(1);
  CPropertiesView* view = frame.properties_view();
  EXPECT_EQ(view->heading()->text(), "Back Office");
  EXPECT_EQ(view->sync_type_list()->currentIndex(), profile::kDeviceAddsDesktop);
  frame.profile_view()->SelectProfileRow(0);
  EXPECT_EQ(view->heading()->text(), "Sales Team");
  Choose(view->sync_type_list(), profile::kDesktopOverwritesDevice);
  EXPECT_EQ(Stored(1).sync_type, profile::kDesktopOverwritesDevice);
  // The refresh shows the stored type, though the profile pane still holds the old row.
  EXPECT_EQ(view->sync_type_list()->currentIndex(), profile::kDesktopOverwritesDevice);
  EXPECT_TRUE(view->loaded());
  EXPECT_FALSE(velmora::testing::SaveScreenshot(&frame, "properties_in_main_window").empty());
}

TEST_F(PropertiesViewTest, Screenshots) {
  ASSERT_TRUE(store().InsertCategory(4, "Suppliers"));
  profile::ProfileRecord to_device = Add(1, "Sales Team", profile::kDesktopOverwritesDevice);
  to_device.category_id = 4;
  ASSERT_TRUE(store().DeleteProfile(1));
  ASSERT_TRUE(store().InsertProfile(to_device, nullptr));
  const profile::ProfileRecord to_desktop = Add(2, "Back Office", profile::kDeviceAddsDesktop);
  const profile::ProfileRecord csv = Add(3, "Export", profile::kExportCsv);
  CPropertiesView view(session_);
  view.resize(800, 130);
  const std::pair<const profile::ProfileRecord*, const char*> shots[] = {
      {&to_device, "properties_desktop_to_device"},
      {&to_desktop, "properties_device_to_desktop"},
      {&csv, "properties_csv_export"},
  };
  for (const auto& [record, name] : shots) {
    view.ShowProfile(*record);
    EXPECT_FALSE(velmora::testing::SaveScreenshot(&view, name).empty()) << name;
  }
}

}  // namespace
}  // namespace velmora::desktop
