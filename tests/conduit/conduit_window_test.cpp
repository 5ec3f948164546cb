// The conduit window over a real session: what it shows after the connect message, the ticks
// going to the session, and a run started from its Synchronize button that closes the window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include "conduit/conduit_dlg.h"
#include "conduit/single_instance.h"
#include "device/rapi_library.h"
#include "profile/sync_settings.h"
#include "tests/conduit/conduit_world.h"
#include "tests/support_qt/qt_test_app.h"

namespace velmora::testing {
namespace {

class CConduitDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto people = world_.MakeSqliteDatabase(
        "people.db",
        "CREATE TABLE People (ID INTEGER PRIMARY KEY, FirstName TEXT, LastName TEXT);"
        "INSERT INTO People (FirstName, LastName) VALUES ('Seán', 'O''Brien');");
    profile::ProfileRecord record;
    record.prof_name = "To device";
    record.db_type = profile::kAccessDatabase;
    record.db_path = people.parent_path().string() + "/";
    record.db_dsn = "people.db";
    record.sync_type = profile::kDesktopAddsDevice;
    record.sync_on = profile::kEveryTime;
    record.query = "SELECT * FROM People";
    record.table_name = "People";
    world_.AddProfile(record, {{"F2", "FirstName", "SQL_CHAR"}, {"F4", "LastName", "SQL_CHAR"}});
  }

  // Lets queued events run until `done` holds (the run's reports arrive as events).
  template <class Done>
  void ProcessUntil(Done done) {
    while (!done()) QApplication::processEvents(QEventLoop::AllEvents, 50);
  }

  ConduitWorld world_;
  device::RapiLibrary rapi_{device::RapiLibraryName()};
};

TEST_F(CConduitDlgTest, ShowsTheOwnersProfilesAfterConnecting) {
  conduit::CConduitDlg window(rapi_);
  ASSERT_EQ(window.Session().Start(), conduit::StartUp::kShowWindow);
  auto* list = window.findChild<QTableWidget*>();
  ASSERT_NE(list, nullptr);
  ProcessUntil([&] { return list->rowCount() == 1; });
  EXPECT_EQ(window.windowTitle(), "Velmora Conduit");
  const int widths[] = {45, 90, 150, 120, 80};
  const char* titles[] = {"Sync", "Link Database", "Database Information", "Sync Direction",
                          "Sync Type"};
  for (int c = 0; c < 5; ++c) {
    EXPECT_EQ(list->columnWidth(c), widths[c]);
    EXPECT_EQ(list->horizontalHeaderItem(c)->text(), titles[c]);
  }
  EXPECT_EQ(list->item(0, 0)->checkState(), Qt::Checked);
  EXPECT_EQ(list->item(0, 1)->text(), "To device");
  EXPECT_EQ(list->item(0, 3)->text(), "Desktop Database Adds Pocket PC Contacts");
  EXPECT_EQ(list->item(0, 4)->text(), "Every Time");
  bool note_found = false;
  for (QLabel* label : window.findChildren<QLabel*>()) {
    note_found |= label->text().contains("close your  desktop application");
  }
  EXPECT_TRUE(note_found);

  list->item(0, 0)->setCheckState(Qt::Unchecked);
  EXPECT_FALSE(window.Session().Rows()[0].ticked);
  window.Session().Finish();
}

TEST_F(CConduitDlgTest, SynchronizeRunsAndClosesTheWindow) {
  conduit::CConduitDlg window(rapi_);
  ASSERT_EQ(window.Session().Start(), conduit::StartUp::kShowWindow);
  auto* list = window.findChild<QTableWidget*>();
  ProcessUntil([&] { return list->rowCount() == 1; });
  QPushButton* synchronize = nullptr;
  for (QPushButton* button : window.findChildren<QPushButton*>()) {
    if (button->text() == "&Synchronize") synchronize = button;
  }
  ASSERT_NE(synchronize, nullptr);
  synchronize->click();
  EXPECT_FALSE(synchronize->isEnabled());
  ProcessUntil([&] { return !window.isVisible() && !window.Session().Running(); });
  EXPECT_EQ(window.result(), QDialog::Accepted);
  EXPECT_EQ(window.Session().WaitForRun(), conduit::RunEnding::kSucceeded);
  EXPECT_EQ(window.findChild<QLineEdit*>()->text(), "Finished");
  window.Session().Finish();
  ASSERT_EQ(world_.DeviceContacts().size(), 1u);
  EXPECT_EQ(world_.DeviceContacts()[0].fields[3], "O'Brien");
}

TEST_F(CConduitDlgTest, SecondStartHandsTheConnectMessageToTheFirst) {
  conduit::SingleInstance first;
  ASSERT_TRUE(first.Claim());
  int connects = 0;
  QObject::connect(&first, &conduit::SingleInstance::ConnectRequested, [&] { ++connects; });
  conduit::SingleInstance second;
  EXPECT_FALSE(second.Claim());
  EXPECT_TRUE(second.SendConnect());
  ProcessUntil([&] { return connects == 1; });
}

}  // namespace
}  // namespace velmora::testing
