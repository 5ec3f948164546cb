// The profile tree: its items, item data and images, what selecting a profile loads (status
// text, failing query, unreachable database, CSV export, dBase and CSV folders), the double-click
// and pop-up menu commands.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>

#include "desktop/commands.h"
#include "desktop/content_grid.h"
#include "desktop/fld_mapping_page.h"
#include "desktop/grid/result_set_table_model.h"
#include "desktop/properties_view.h"
#include "desktop/rename_profile_dialog.h"
#include "desktop/tree_images.h"
#include "profile/password.h"
#include "tests/desktop_panes/panes_fixture.h"
#include "tests/support/temp_dir.h"

namespace velmora::desktop {
namespace {

using testing::PanesTest;

std::string Text(const QTreeWidgetItem* item) {
  return item->text(0).toStdString();
}

class ProfileTreeTest : public PanesTest {};

TEST_F(ProfileTreeTest, EmptyProfileDatabaseGivesEmptyPanes) {
  auto frame = Frame();
  EXPECT_EQ(frame->profile_view()->topLevelItemCount(), 0);
  EXPECT_FALSE(frame->profile_view()->current_profile());
  EXPECT_FALSE(frame->properties_view()->sync_type_list()->isEnabled());
  EXPECT_TRUE(frame->properties_view()->heading()->text().isEmpty());
  EXPECT_EQ(frame->content_grid()->shown(), ContentKind::kEmpty);
  EXPECT_EQ(frame->content_grid()->model()->columnCount(), 0);
  EXPECT_FALSE(session_.linked_connected());
  // Nothing selected: the item commands are disabled, New is not.
  EXPECT_FALSE(frame->action(kCmdDelete)->isEnabled());
  EXPECT_FALSE(frame->action(kCmdRestoreContents)->isEnabled());
  EXPECT_FALSE(frame->action(kCmdFieldEditing)->isEnabled());
  EXPECT_TRUE(frame->action(kCmdNew)->isEnabled());
}

TEST_F(ProfileTreeTest, ItemsCarryRowTimesFivePlusKindAndTheirTexts) {
  profile::ProfileRecord access = SampleProfile(1, "Sales Team", profile::kDesktopAddsDevice);
  profile::ProfileRecord dsn = SampleProfile(2, "Office DSN", profile::kDeviceAddsDesktop);
  dsn.db_type = profile::kDsnDatabase;
  dsn.db_path = " ";
  dsn.db_dsn = "OfficeContacts";
  Store(access);
  Store(dsn);
  Store(SampleProfile(3, "Export", profile::kExportCsv));
  auto frame = Frame();
  CProfileView* view = frame->profile_view();
  ASSERT_EQ(view->topLevelItemCount(), 3);

  struct Expected {
    int row;
    std::string name;
    std::vector<std::string> children;
  };
  const Expected expected[] = {
      {0, "Sales Team", {"File= " + access.db_path + access.db_dsn, "Field Mapping & Query"}},
      {1, "Office DSN", {"DSN = OfficeContacts", "Field Mapping & Query"}},
      {2, "Export", {}},  // a CSV export has no desktop table
  };
  for (const Expected& e : expected) {
    const QTreeWidgetItem* top = view->topLevelItem(e.row);
    EXPECT_EQ(Text(top), e.name);
    EXPECT_EQ(CProfileView::ItemDataOf(top), 5 * e.row);
    ASSERT_EQ(top->childCount(), static_cast<int>(e.children.size())) << e.name;
    for (int kind = 1; kind <= top->childCount(); ++kind) {
      const QTreeWidgetItem* child = top->child(kind - 1);
      EXPECT_EQ(Text(child), e.children[static_cast<std::size_t>(kind - 1)]);
      EXPECT_EQ(CProfileView::ItemDataOf(child), 5 * e.row + kind);
    }
  }
  // Seven items: the first visible one is selected and its profile loaded.
  EXPECT_EQ(view->currentItem(), view->topLevelItem(0));
  EXPECT_EQ(view->current_profile()->prof_name, "Sales Team");
}

TEST_F(ProfileTreeTest, CsvExportProfileIsASingleItemAndConnectsNothing) {
  Store(SampleProfile(1, "Export", profile::kExportCsv));
  auto frame = Frame();
  CProfileView* view = frame->profile_view();
  ASSERT_EQ(view->topLevelItemCount(), 1);
  EXPECT_EQ(view->topLevelItem(0)->childCount(), 0);
  ASSERT_TRUE(view->current_profile());
  EXPECT_EQ(view->current_profile()->prof_name, "Export");
  EXPECT_FALSE(session_.linked_connected());
  EXPECT_EQ(view->status_text(), kExportsToCsvStatus);
  EXPECT_EQ(frame->statusBar()->currentMessage().toStdString(), kExportsToCsvStatus);
  EXPECT_EQ(frame->content_grid()->shown(), ContentKind::kEmpty);
  EXPECT_TRUE(world_.prompt().Texts().empty());
}

TEST_F(ProfileTreeTest, ImagesFollowSyncOnAndAreDrawn) {
  const struct {
    int sync_on;
    TreeImagePair images;
  } cases[] = {{profile::kEveryTime, {6, 5}},  {profile::kOnceEveryDay, {2, 1}},
               {profile::kOnceWeekly, {4, 3}}, {profile::kOnceMonthly, {4, 3}},
               {profile::kOnlyOnce, {2, 1}},   {9, {6, 5}}};
  for (const auto& c : cases) EXPECT_EQ(ProfileImages(c.sync_on), c.images) << c.sync_on;

  std::vector<QImage> drawn;
  for (int index = 0; index < kTreeImageCount; ++index) {
    const QImage image = TreeImage(index).toImage();
    ASSERT_EQ(image.width(), 30) << index;
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) opaque += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
    }
    EXPECT_GT(opaque, 30) << "image " << index << " is nearly empty";
    EXPECT_LT(opaque, image.width() * image.height()) << "image " << index << " hides the tree";
    for (std::size_t other = 0; other < drawn.size(); ++other) {
      EXPECT_NE(image, drawn[other]) << "images " << index << " and " << other << " look alike";
    }
    drawn.push_back(image);
  }
  EXPECT_TRUE(TreeImage(kTreeImageCount).isNull());
  EXPECT_TRUE(TreeImage(-1).isNull());
}

TEST_F(ProfileTreeTest, DataSourceOfFileProfiles) {
  const struct {
    int db_type;
    std::string item;
    std::string linked;
  } cases[] = {
      {profile::kDsnDatabase, "DSN = Sales", "Sales"},
      {profile::kAccessDatabase, "File= /data/Sales", "/data/Sales"},
      {profile::kExcelDatabase, "File= /data/Sales", "/data/Sales"},
      {profile::kDBaseDatabase, "File= /data/Sales", "/data/"},
      {profile::kCsvDatabase, "File= /data/Sales", "/data/"},
  };
  for (const auto& c : cases) {
    profile::ProfileRecord r;
    r.db_type = c.db_type;
    r.db_path = c.db_type == profile::kDsnDatabase ? " " : "/data/";
    r.db_dsn = "Sales";
    EXPECT_EQ(DataSourceItemText(r), c.item) << c.db_type;
    EXPECT_EQ(LinkedSourceOf(r), c.linked) << c.db_type;
  }
}

TEST_F(ProfileTreeTest, CsvFileProfileShowsFolderAndFileButConnectsTheFolder) {
  velmora::testing::TempDir data;
  velmora::testing::WriteFileBytes(
      data.path() / "people.csv",
      "Name,Phone\r\nAda,555-0100\r\nGrace,555-0101\r\nZoe,555-0102\r\n");
  profile::ProfileRecord csv = SampleProfile(1, "People", profile::kDesktopAddsDevice);
  csv.db_type = profile::kCsvDatabase;
  csv.db_path = data.path().string() + "/";
  csv.db_dsn = "people.csv";
  csv.query = "Select * from \"people.csv\"";
  csv.table_name = "people.csv";
  csv.connection_type = profile::kTextKind;
  Store(csv, false);
  ASSERT_TRUE(session_.store().InsertMapping({1, "F2", "Name", "SQL_CHAR"}, nullptr));
  auto frame = Frame();
  const QTreeWidgetItem* source = frame->profile_view()->topLevelItem(0)->child(0);
  EXPECT_EQ(Text(source), "File= " + data.path().string() + "/people.csv");
  EXPECT_TRUE(session_.linked_connected());
  EXPECT_EQ(frame->profile_view()->status_text(),
            "Database is connected.           Total records = 3");
  EXPECT_EQ(frame->content_grid()->model()->rowCount(), 3);
  frame.reset();
  session_.CloseLinked();
}

TEST_F(ProfileTreeTest, StatusTextCountsTheRowsOfTheQuery) {
  Store(SampleProfile(1, "Sales Team", profile::kDesktopAddsDevice));
  auto frame = Frame();
  const std::string expected = "Database is connected.           Total records = 34";
  EXPECT_EQ(frame->profile_view()->status_text(), expected);
  EXPECT_EQ(ConnectedStatusText(34), expected);
  EXPECT_EQ(frame->statusBar()->currentMessage().toStdString(), expected);
  EXPECT_TRUE(session_.linked_has_result());
  EXPECT_TRUE(frame->action(kCmdDelete)->isEnabled());
  EXPECT_TRUE(frame->action(kCmdRestoreContents)->isEnabled());
}

TEST_F(ProfileTreeTest, FailingQueryIsShownAndTheStatusNamesTheSource) {
  profile::ProfileRecord bad = SampleProfile(1, "Broken", profile::kDesktopAddsDevice);
  bad.query = "Select * from \"NoSuchTable\"";
  Store(bad);
  auto frame = Frame();
  const std::vector<prompt::ShownMessage> shown = world_.prompt().Shown();
  ASSERT_FALSE(shown.empty());
  EXPECT_FALSE(shown.back().text.empty());
  EXPECT_EQ(shown.back().caption, "Velmora");
  EXPECT_EQ(shown.back().icon, prompt::Icon::kExclamation);
  EXPECT_EQ(frame->profile_view()->status_text(), bad.db_path + bad.db_dsn);
  EXPECT_FALSE(session_.linked_has_result());
  EXPECT_TRUE(frame->action(kCmdDelete)->isEnabled());
  EXPECT_FALSE(frame->action(kCmdRestoreContents)->isEnabled());
  // Without a result there is nothing to restore.
  const auto entries =
      frame->profile_view()->PrepareContextMenu(frame->profile_view()->topLevelItem(0));
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_FALSE(entries[3].enabled);
}

TEST_F(ProfileTreeTest, UnreachableDatabaseShowsTheConnectionError) {
  Store(SampleProfile(1, "Sales Team", profile::kDesktopAddsDevice));
  std::filesystem::remove(world_.contacts_file());
  auto frame = Frame();
  EXPECT_FALSE(session_.linked_connected());
  const std::string& status = frame->profile_view()->status_text();
  EXPECT_FALSE(status.empty());
  EXPECT_EQ(status.find("Database is connected."), std::string::npos);
  EXPECT_EQ(frame->content_grid()->shown(), ContentKind::kEmpty);
}

TEST_F(ProfileTreeTest, LoadedRecordHoldsThePlainPassword) {
  profile::ProfileRecord secret = SampleProfile(1, "Sales Team", profile::kDesktopAddsDevice);
  secret.db_password = "Secret7";
  Store(secret);
  ASSERT_NE(session_.store().AllProfiles().at(0).db_password, "Secret7");  // stored scrambled
  auto frame = Frame();
  ASSERT_TRUE(frame->profile_view()->current_profile());
  EXPECT_EQ(frame->profile_view()->current_profile()->db_password, "Secret7");
}

// Saving a mapping writes the profile again; its password must be scrambled once, not twice.
TEST_F(ProfileTreeTest, FieldEditingKeepsTheStoredPassword) {
  profile::ProfileRecord secret = SampleProfile(1, "Sales Team", profile::kDesktopAddsDevice);
  secret.db_password = "Secret7";
  Store(secret);
  auto frame = Frame();
  CProfileView* view = frame->profile_view();
  bool saved = false;
  view->run_wizard = [&](CProfileWizard& wizard) {
    wizard.show();
    wizard.next();
    CFldMappingPage* page = wizard.mapping_page();
    EXPECT_TRUE(page->MapField("F9", "\"WorkPhone\""));
    wizard.button(QWizard::FinishButton)->click();
    saved = page->saved();
    return saved ? int{QDialog::Accepted} : int{QDialog::Rejected};
  };
  view->Dispatch(kCmdFieldEditing, MakeItemData(0, ItemKind::kMapping));
  ASSERT_TRUE(saved);
  EXPECT_EQ(session_.store().AllProfiles().at(0).db_password, profile::ScramblePassword("Secret7"));
  EXPECT_EQ(view->current_profile()->db_password, "Secret7");
}

TEST_F(ProfileTreeTest, PopupMenuEntriesAndTheirEnabling) {
  const std::vector<MenuEntry> profile_menu = {{"New Profile...", kCmdNewProfile, true},
                                               {"Edit Profile Name...", kCmdRename, true},
                                               {"Delete Profile...", kCmdDelete, true},
                                               {"Restore Contents...", kCmdRestoreContents, true}};
  auto without_restore = profile_menu;
  without_restore[3].enabled = false;
  auto only_new = profile_menu;
  for (std::size_t i = 1; i < only_new.size(); ++i) only_new[i].enabled = false;
  const std::vector<MenuEntry> field_editing = {{"Field Editing...", kCmdFieldEditing, true}};

  const struct {
    std::optional<ItemKind> kind;
    bool has_result;
    std::vector<MenuEntry> entries;
  } cases[] = {
      {ItemKind::kProfile, true, profile_menu},
      {ItemKind::kProfile, false, without_restore},
      {ItemKind::kMapping, true, field_editing},
      {ItemKind::kMapping, false, {}},
      {ItemKind::kDataSource, true, {}},
      {ItemKind::kDataSource, false, {}},
      {std::nullopt, true, only_new},
      {std::nullopt, false, only_new},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PopupMenuEntries(c.kind, c.has_result), c.entries)
        << (c.kind ? static_cast<int>(*c.kind) : -1) << " " << c.has_result;
  }
}

TEST_F(ProfileTreeTest, RightClickSelectsTheItemUnderThePointerFirst) {
  Store(SampleProfile(1, "Sales Team", profile::kDesktopAddsDevice));
  Store(SampleProfile(2, "Back Office", profile::kDeviceAddsDesktop));
  auto frame = Frame();
  CProfileView* view = frame->profile_view();
  QTreeWidgetItem* mapping = view->topLevelItem(1)->child(1);
  const auto entries = view->PrepareContextMenu(mapping);
  EXPECT_EQ(view->currentItem(), mapping);
  EXPECT_EQ(view->last_item(), 7);
  EXPECT_EQ(view->current_profile()->prof_name, "Back Office");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].command, kCmdFieldEditing);
  EXPECT_TRUE(entries[0].enabled);

  EXPECT_TRUE(view->PrepareContextMenu(view->topLevelItem(0)->child(0)).empty());
  EXPECT_EQ(view->current_profile()->prof_name, "Sales Team");
}

TEST_F(ProfileTreeTest, DoubleClickRenamesAProfileAndEditsAMapping) {
  EXPECT_EQ(DoubleClickCommand(ItemKind::kProfile), kCmdRename);
  EXPECT_EQ(DoubleClickCommand(ItemKind::kMapping), kCmdFieldEditing);
  EXPECT_EQ(DoubleClickCommand(ItemKind::kDataSource), std::nullopt);

  Store(SampleProfile(1, "Sales Team", profile::kDesktopAddsDevice));
  auto frame = Frame();
  CProfileView* view = frame->profile_view();
  std::vector<std::string> dialogs;
  view->run_dialog = [&](QDialog& dialog) {
    auto* rename = dynamic_cast<RenameProfileDialog*>(&dialog);
    dialogs.push_back(rename != nullptr ? rename->edit()->text().toStdString() : "other");
    return int{QDialog::Rejected};
  };
  std::vector<WizardMode> wizards;
  view->run_wizard = [&](CProfileWizard&) {
    wizards.push_back(session_.wizard_mode);
    return int{QDialog::Rejected};
  };
  view->DoubleClickItem(view->topLevelItem(0));
  view->DoubleClickItem(view->topLevelItem(0)->child(0));
  view->DoubleClickItem(view->topLevelItem(0)->child(1));
  EXPECT_EQ(dialogs, std::vector<std::string>{"Sales Team"});
  EXPECT_EQ(wizards, std::vector<WizardMode>{WizardMode::kFieldMapping});
}

}  // namespace
}  // namespace velmora::desktop
