// The dialog windows over their rules, on the offscreen platform: the help window's shape and
// behaviour, the name dialogs that stay open on a refusal, the Backup Restore dialog's grids.
// Each window is also saved to build/screenshots for people to look at.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QTest>

#include "db/memory_result_set.h"
#include "db/statements.h"
#include "db/type_codes.h"
#include "desktop/restore_contents_dialog.h"
#include "desktop/categories_dialog.h"
#include "desktop/category_name_dialog.h"
#include "desktop/device_contacts_backup_progress.h"
#include "desktop/grid/result_set_table_model.h"
#include "desktop/messages.h"
#include "desktop/rename_profile_dialog.h"
#include "desktop/what_is_this_texts.h"
#include "desktop/what_is_this_window.h"
#include "platform/prompt/scripted_prompt.h"
#include "tests/profile/profile_db_fixture.h"
#include "tests/support_qt/qt_print.h"
#include "tests/support_qt/screenshot.h"
#include "transfer/pdb_writer.h"

namespace velmora::desktop {
namespace {

using profile::testing::Engine;

TEST(WhatIsThisWindow, EachTextKeepsItsOpeningWords) {
  const std::pair<int, const char*> openings[] = {
      {1,
       "Database Synchronization Profile : Creates Synchronization link between your desktop "
       "database and Pocket PC Contacts database"},
      {2,
       "1. Select type of database profile, either \"Desktop to Handheld\" or \"Handheld to "
       "Desktop\" data transfer."},
      {3,
       " Select Browse Button to select file databases such as (mdb, xls, dbf) OR Select Data "
       "Source Name (DSN) is a ODBC connectivity to any type of database."},
      {4, "Filters are applied in order to get the required records from the selected tables."},
      {5, "\"Database Synchronization Profile\" is a mirror image of your desktop database."},
      {6,
       "Restoring content is used for getting back contents of database before "
       "synchronization."},
      {7, "Select table(s) from available table list, select required fields from field list."},
      {8,
       "This page is basically meant for one to one  Field mapping between device and your "
       "desktop database fields."},
      {9, "Use the Categories dialog box to create, rename, or delete a category."},
  };
  for (const auto& [number, opening] : openings) {
    EXPECT_TRUE(WhatIsThisText(number).starts_with(opening)) << number;
  }
  for (const int number : {3, 5}) {
    const std::string_view text = WhatIsThisText(number);
    for (const char* occasion : {"1. Every time whenever device get connected/ Synced.",
                                 "5. Only Once after profile creation or modification."}) {
      EXPECT_NE(text.find(occasion), std::string_view::npos) << number;
    }
  }
  EXPECT_TRUE(WhatIsThisText(0).empty());
  EXPECT_TRUE(WhatIsThisText(10).empty());
}

TEST(WhatIsThisWindow, LongerTextsGrowOnlyInHeight) {
  WhatIsThisWindow short_one(kHelpTablePage);
  WhatIsThisWindow long_one(kHelpSyncTypePage);
  WhatIsThisWindow empty(42);
  EXPECT_EQ(short_one.width(), WhatIsThisWindow::kWidth);
  EXPECT_EQ(long_one.width(), WhatIsThisWindow::kWidth);
  EXPECT_EQ(empty.width(), WhatIsThisWindow::kWidth);
  EXPECT_GT(long_one.height(), short_one.height());
  EXPECT_GT(short_one.height(), empty.height());
  EXPECT_TRUE(empty.text().isEmpty());
  EXPECT_FALSE(testing::SaveScreenshot(&long_one, "what_is_this_1").empty());
  EXPECT_FALSE(testing::SaveScreenshot(&short_one, "what_is_this_7").empty());
}

TEST(WhatIsThisWindow, DraggingTheBodyMovesItAndTheCrossClosesIt) {
  WhatIsThisWindow window(kHelpCategories);
  window.move(100, 100);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  const QPoint start = window.pos();
  const QPoint inside(60, 40);
  const QPoint global = window.mapToGlobal(inside);
  QMouseEvent press(QEvent::MouseButtonPress, inside, global, Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(&window, &press);
  QMouseEvent move(QEvent::MouseMove, inside + QPoint(30, 20), global + QPoint(30, 20),
                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &move);
  QMouseEvent release(QEvent::MouseButtonRelease, inside + QPoint(30, 20), global + QPoint(30, 20),
                      Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &release);
  EXPECT_EQ(window.pos(), start + QPoint(30, 20));
  EXPECT_TRUE(window.isVisible());

  QTest::mouseClick(window.close_link(), Qt::LeftButton);
  EXPECT_FALSE(window.isVisible());
}

TEST(BackupProgressWindow, ShowsTheOperationText) {
  BackupProgressWindow progress;
  EXPECT_EQ(progress.Text(), "Please Wait...");
  progress.Show(kBackupProgress);
  EXPECT_TRUE(progress.isVisible());
  EXPECT_EQ(progress.Text(), QString::fromUtf8(kBackupProgress.data()));
  EXPECT_FALSE(testing::SaveScreenshot(&progress, "backup_progress").empty());
  progress.Close();
  EXPECT_FALSE(progress.isVisible());
}

class DialogWindowsTest : public profile::testing::ProfileDatabaseTest {
 protected:
  void SetUp() override {
    ProfileDatabaseTest::SetUp();
    prompt::SetCurrentPrompt(&prompt_);
  }
  void TearDown() override { prompt::SetCurrentPrompt(nullptr); }
  prompt::ScriptedPrompt prompt_;
};

TEST_P(DialogWindowsTest, NameDialogStaysOpenUntilTheNameIsStored) {
  CategoriesDialog categories(*store_);
  for (const char* name : {"Business", "Personal", "Ann's club"}) {
    ASSERT_EQ(categories.model().Create(name), NameOutcome::kStored);
  }
  categories.Refill("Personal");
  EXPECT_EQ(categories.list()->count(), 3);
  EXPECT_EQ(categories.SelectedName(), "Personal");
  EXPECT_FALSE(testing::SaveScreenshot(&categories, "categories_dialog").empty());

  CategoryNameDialog rename(categories.model(), "Personal");
  EXPECT_EQ(rename.windowTitle(), "Rename Category");
  EXPECT_EQ(rename.edit()->text(), "Personal");
  rename.show();
  rename.edit()->setText("Business");
  rename.accept();
  EXPECT_TRUE(rename.isVisible());
  EXPECT_THAT(prompt_.Texts(), ::testing::ElementsAre(std::string(kCategoryExists)));
  rename.edit()->setText("Private");
  rename.accept();
  EXPECT_FALSE(rename.isVisible());
  EXPECT_EQ(rename.stored_name(), "Private");

  categories.Refill(rename.stored_name());
  EXPECT_EQ(categories.SelectedName(), "Private");
  categories.accept();
  EXPECT_EQ(categories.chosen_name(), "Private");
}

TEST_P(DialogWindowsTest, RenameDialogKeepsTheCurrentNameRefused) {
  profile::ProfileRecord record;
  record.prof_id = 1;
  record.prof_name = "Friends";
  record.user_name = "Ann";
  record.db_path = " ";
  record.db_dsn = "SomeDSN";
  ASSERT_TRUE(store_->InsertProfile(record, nullptr));
  RenameProfileDialog dialog(*store_, record);
  EXPECT_EQ(dialog.edit()->maxLength(), 31);
  EXPECT_FALSE(testing::SaveScreenshot(&dialog, "rename_profile_dialog").empty());
  dialog.Change();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_THAT(prompt_.Texts(), ::testing::ElementsAre(std::string(kNameTaken)));
  dialog.edit()->setText("Family");
  dialog.Change();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(record.prof_name, "Family");
}

TEST_P(DialogWindowsTest, RestoreContentsDialogShowsBothGrids) {
  MustRun("CREATE TABLE People (Name VARCHAR(40) NOT NULL, Phone VARCHAR(20), Age INTEGER)");
  MustRun("INSERT INTO People VALUES ('Ann Lee', '555-0100', 31)");
  MustRun("INSERT INTO People VALUES ('Bo Ng', '555-0101', 42)");
  testing::TempDir app;
  std::vector<std::vector<db::Value>> rows = {
      {std::string("Ann Lee"), std::string("555-0199"), std::int64_t{30}},
      {std::string("Bo Ng"), std::string("555-0101"), std::int64_t{41}},
      {std::string("Carla Diaz"), std::string("555-0102"), std::int64_t{27}}};
  db::MemoryResultSet backup({{"Name", db::kTypeChar, 40, 0},
                              {"Phone", db::kTypeChar, 20, 0},
                              {"Age", db::kTypeInteger, 10, 0}},
                             rows);
  const auto file = TableBackupFile(app.path(), "Ann", "Friends", 1);
  std::filesystem::create_directories(file.parent_path());
  ASSERT_TRUE(transfer::WriteTablePdb(backup, file, "Friends"));

  profile::ProfileRecord record;
  record.prof_name = "Friends";
  record.user_name = "Ann";
  record.query = "Select Name,Phone,Age from People";
  BackupRestoreModel model(connection_, app.path(), record);
  {
    RestoreContentsDialog dialog(model);
    EXPECT_EQ(dialog.windowTitle(), "Friends");
    EXPECT_EQ(dialog.current_rows()->rowCount(), 2);
    EXPECT_EQ(dialog.backup_rows()->rowCount(), 3);
    EXPECT_EQ(dialog.backup_rows()->Text(2, 0), "Carla Diaz");
    EXPECT_EQ(dialog.generations()->currentText(), "Last Sync");
    EXPECT_FALSE(testing::SaveScreenshot(&dialog, "backup_restore_dialog").empty());

    prompt_.QueueAnswer(prompt::Answer::kYes);
    dialog.Restore();
    EXPECT_EQ(dialog.current_rows()->rowCount(), 3);
    EXPECT_EQ(dialog.current_rows()->Text(0, 1), "555-0199");

    dialog.generations()->setCurrentIndex(2);
    EXPECT_EQ(dialog.backup_rows()->rowCount(), 0);
    dialog.Restore();
    EXPECT_EQ(prompt_.Texts().back(), kNoBackupConnected);
  }
}

INSTANTIATE_TEST_SUITE_P(Engines, DialogWindowsTest, ::testing::Values(Engine::kSqlite),
                         profile::testing::EngineName);

}  // namespace
}  // namespace velmora::desktop
