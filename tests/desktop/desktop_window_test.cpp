// The main window and the profile wizard on the offscreen platform: menus, the commands on
// profiles, a whole wizard run on the sample contacts database read back from the profile
// database, mapping mode, and pictures of each window under build/screenshots.
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QMenuBar>
#include <QToolBar>

#include "db/odbc_result_set.h"
#include "desktop/authentication_dialog.h"
#include "desktop/commands.h"
#include "desktop/content_grid.h"
#include "desktop/db_connection_page.h"
#include "desktop/desktop_session.h"
#include "desktop/filter_dialog.h"
#include "desktop/fld_mapping_page.h"
#include "desktop/grid/grid_model.h"
#include "desktop/main_frame.h"
#include "desktop/profile_view.h"
#include "desktop/profile_wizard.h"
#include "desktop/properties_view.h"
#include "desktop/sync_property_page.h"
#include "desktop/sync_type_page.h"
#include "device/desktop_settings.h"
#include "profile/sync_settings.h"
#include "tests/desktop/desktop_world.h"
#include "tests/support_qt/screenshot.h"

namespace velmora::desktop {
namespace {

using prompt::Answer;

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StartupOptions options;
    options.user_library = velmora::testing::BuildDir() / "lib" / "libpeltrix.so";
    options.rapi_library = (velmora::testing::BuildDir() / "lib" / "librapi-emu.so").string();
    options.device_wait = std::chrono::milliseconds(0);
    ASSERT_EQ(session_.Start(options), StartupFailure::kNone);
    for (const auto& p : session_.store().AllProfiles()) session_.store().DeleteProfile(p.prof_id);
  }

  void AddProfile(long id, const std::string& name, int sync_type) {
    profile::ProfileRecord r;
    r.prof_id = id;
    r.prof_name = name;
    r.user_name = testing::kUser;
    r.sync_type = sync_type;
    r.db_type = db::kDatabaseAccess;
    r.db_path = world_.app_folder().string() + "/";
    r.db_dsn = "SampleContactsDB.mdb";
    r.query = "Select * from \"Contacts\"";
    r.table_name = "Contacts";
    ASSERT_TRUE(session_.store().InsertProfile(r, nullptr));
  }

  std::vector<profile::MappingRow> StoredMapping(long prof_id) {
    std::vector<profile::MappingRow> out;
    db::OdbcResultSet rows;
    rows.Open(session_.profile_database(),
              "Select FieldID, DBFieldName, DBDataType from \"Transaction\" where ProfID=" +
                  std::to_string(prof_id) + " order by FieldID");
    for (long r = 0; r < rows.RowCount() && rows.MoveToRow(r); ++r) {
      out.push_back({prof_id, rows.ValueText(r, 0), rows.ValueText(r, 1), rows.ValueText(r, 2)});
    }
    return out;
  }

  testing::DesktopWorld world_;
  DesktopSession session_;
};

TEST_F(WindowTest, MainWindowShowsProfilesMenusAndToolbar) {
  AddProfile(1, "Sales Team", 0);
  AddProfile(2, "Back Office", 2);
  CMainFrame frame(session_);
  frame.profile_view()->Reload();
  frame.profile_view()->SelectProfileRow(0);
  EXPECT_EQ(frame.windowTitle(), "Velmora");
  EXPECT_EQ(frame.profile_view()->topLevelItemCount(), 2);
  EXPECT_EQ(frame.action(kCmdDelete)->text(), "&Delete\tCtr+D");
  EXPECT_EQ(frame.action(kCmdDelete)->statusTip(), "Delete existing profile");
  EXPECT_EQ(frame.action(kCmdDelete)->toolTip(), "Delete Profile");
  QStringList menus;
  for (QAction* menu : frame.menuBar()->actions()) menus << menu->text();
  EXPECT_EQ(menus, (QStringList{"&Profile", "&Edit", "&View", "PPC &Contacts", "&Help"}));
  QStringList buttons;
  for (QAction* a : frame.findChild<QToolBar*>()->actions()) buttons << a->text();
  EXPECT_EQ(buttons, (QStringList{"New Profile", "Restore", "Delete Profile", "Synchronize"}));
  EXPECT_TRUE(session_.linked_connected());
  EXPECT_GT(frame.content_grid()->model()->rowCount(), 0);
  EXPECT_FALSE(velmora::testing::SaveScreenshot(&frame, "brisklet_main_window").empty());
  EXPECT_EQ(frame.outer_splitter()->sizes().at(0), 200);
  EXPECT_EQ(frame.inner_splitter()->sizes().at(0), 130);
}

TEST_F(WindowTest, AutoSyncMenuItemTogglesTwice) {
  CMainFrame frame(session_);
  QAction* item = frame.action(kCmdAutoSync);
  EXPECT_FALSE(item->isChecked());
  item->trigger();
  EXPECT_TRUE(item->isChecked());
  EXPECT_TRUE(device::ReadAutoSync());
  item->trigger();
  EXPECT_FALSE(item->isChecked());
  EXPECT_FALSE(device::ReadAutoSync());
}

TEST_F(WindowTest, DeleteAsksAndRemovesOnlyOnYes) {
  AddProfile(1, "Sales Team", 0);
  CMainFrame frame(session_);
  frame.profile_view()->Reload();
  frame.profile_view()->SelectProfileRow(0);
  world_.prompt().QueueAnswer(Answer::kNo);
  frame.OnCommand(kCmdDelete);
  EXPECT_EQ(session_.store().ProfileCount(), 1);
  world_.prompt().QueueAnswer(Answer::kYes);
  frame.OnCommand(kCmdDelete);
  EXPECT_EQ(session_.store().ProfileCount(), 0);
  EXPECT_EQ(frame.profile_view()->topLevelItemCount(), 0);
}

TEST_F(WindowTest, SynchronizeWithoutHandheldKeepsTheLinkedDatabase) {
  AddProfile(1, "Sales Team", 0);
  CMainFrame frame(session_);
  frame.profile_view()->Reload();
  frame.profile_view()->SelectProfileRow(0);
  frame.OnCommand(kCmdSynchronize);
  EXPECT_EQ(world_.prompt().Texts(),
            std::vector<std::string>{"Please Connect your Pocket PC to your PC and try again..."});
  EXPECT_TRUE(session_.linked_connected());
}

TEST_F(WindowTest, WizardCreatesAProfileOnTheSampleDatabase) {
  CProfileWizard wizard(session_, WizardData{});
  wizard.show();
  CSyncTypePage* first = wizard.sync_type_page();
  EXPECT_EQ(first->sync_types()->checkedId(), profile::kDesktopOverwritesDevice);
  first->sync_types()->button(profile::kDesktopAddsDevice)->setChecked(true);
  velmora::testing::SaveScreenshot(&wizard, "wizard_1_sync_type");
  wizard.next();
  ASSERT_EQ(wizard.currentId(), CProfileWizard::kSyncPropertyPage);

  CSyncPropertyPage* second = wizard.property_page();
  EXPECT_EQ(second->name_edit()->text(), "MyProfile");
  wizard.next();  // no data source yet
  EXPECT_EQ(wizard.currentId(), CProfileWizard::kSyncPropertyPage);
  EXPECT_EQ(world_.prompt().Texts().back(), "No valid database connection established.");
  EXPECT_FALSE(second->ChooseFile(QString::fromStdString(world_.app_folder().string() + "/a.txt")));
  EXPECT_EQ(world_.prompt().Texts().back(), "Unable to Connect to Source Database.");
  ASSERT_TRUE(second->ChooseFile(QString::fromStdString(world_.contacts_file().string())));
  second->name_edit()->setText("Sales O'Brien");
  velmora::testing::SaveScreenshot(&wizard, "wizard_2_properties");
  wizard.next();
  ASSERT_EQ(wizard.currentId(), CProfileWizard::kDBConnectionPage);

  CDBConnectionPage* third = wizard.table_page();
  wizard.next();
  EXPECT_EQ(world_.prompt().Texts().back(), "Select the table First then click Next");
  third->SelectTables({"Contacts"});
  EXPECT_EQ(third->query()->toPlainText(), "Select * from \"Contacts\"");
  third->available()->clearSelection();
  third->selected()->item(0)->setSelected(true);  // ContactID left out
  third->MoveSelectedFields(false);
  third->ApplyFilterEntries(FilterDialogMode::kFilters, {{0, 3, 21, "100"}}, {});
  EXPECT_NE(third->query()->toPlainText().indexOf("Where \"Visits\" > 100"), -1);
  velmora::testing::SaveScreenshot(&wizard, "wizard_3_tables");
  wizard.next();
  ASSERT_EQ(wizard.currentId(), CProfileWizard::kFldMappingPage);

  CFldMappingPage* last = wizard.mapping_page();
  EXPECT_EQ(last->model()->rowCount(), 46);
  // Chosen as the cell's drop-down does: only an offered choice is taken.
  const auto choose = [&](const char* field_id, const char* column) {
    const auto rows = last->Rows();
    const auto row = std::find_if(rows.begin(), rows.end(),
                                  [&](const auto& r) { return r.field_id == field_id; });
    return last->model()->setData(last->model()->index(static_cast<int>(row - rows.begin()), 1),
                                  QString(column));
  };
  ASSERT_TRUE(choose("F2", "FirstName"));
  ASSERT_TRUE(choose("F45", "Birthday"));
  velmora::testing::SaveScreenshot(&wizard, "wizard_4_mapping");
  wizard.button(QWizard::FinishButton)->click();
  EXPECT_TRUE(last->saved());
  EXPECT_EQ(world_.prompt().Texts().back(),
            "Database Synchronization profile created successfully.");

  const auto profiles = session_.store().AllProfiles();
  ASSERT_EQ(profiles.size(), 1u);
  EXPECT_EQ(profiles[0].prof_name, "Sales O'Brien");
  EXPECT_EQ(profiles[0].sync_type, profile::kDesktopAddsDevice);
  EXPECT_EQ(profiles[0].table_name, "Contacts");
  EXPECT_EQ(profiles[0].db_dsn, "SampleContactsDB.mdb");
  EXPECT_NE(profiles[0].query.find("Where \"Visits\" > 100"), std::string::npos);
  EXPECT_EQ(
      StoredMapping(profiles[0].prof_id),
      (std::vector<profile::MappingRow>{{profiles[0].prof_id, "F2", "FirstName", "SQL_CHAR"},
                                        {profiles[0].prof_id, "F45", "Birthday", "SQL_DATE"}}));
}

TEST_F(WindowTest, BackKeepsWhatWasTypedAndForgetsTheOldSourcesTables) {
  CProfileWizard wizard(session_, WizardData{});
  wizard.show();
  wizard.next();
  CSyncPropertyPage* second = wizard.property_page();
  ASSERT_TRUE(second->ChooseFile(QString::fromStdString(world_.contacts_file().string())));
  second->name_edit()->setText("Field Staff");
  wizard.next();
  CDBConnectionPage* third = wizard.table_page();
  third->SelectTables({"Contacts"});
  third->ApplyFilterEntries(FilterDialogMode::kFilters, {{0, 3, 21, "100"}}, {{0, 1}});
  wizard.next();
  ASSERT_TRUE(wizard.mapping_page()->MapField("F2", "FirstName"));
  wizard.back();
  wizard.next();  // the same tables: the chosen column is kept
  const auto rows = wizard.mapping_page()->Rows();
  EXPECT_EQ(std::find_if(rows.begin(), rows.end(), [](const auto& r) { return r.field_id == "F2"; })
                ->column,
            "FirstName");
  wizard.back();
  wizard.back();
  EXPECT_EQ(second->name_edit()->text(), "Field Staff");
  wizard.back();
  wizard.next();
  EXPECT_EQ(second->name_edit()->text(), "Field Staff");
  wizard.next();
  ASSERT_EQ(wizard.currentId(), CProfileWizard::kDBConnectionPage);
  const TablePageModel& model = third->model();
  EXPECT_TRUE(model.tables().empty());
  EXPECT_TRUE(model.catalogue().empty());
  EXPECT_TRUE(model.selected().empty());
  EXPECT_TRUE(model.filters().empty());
  EXPECT_TRUE(model.sorts().empty());
}

TEST_F(WindowTest, MappingModeDoesNotCountTheEditedProfileAsAConflict) {
  AddProfile(1, "Inbox", profile::kDeviceOverwritesDesktop);
  std::string error;
  ASSERT_TRUE(session_.ConnectLinked(world_.contacts_file().string(), "", "", 1, &error, true));
  WizardData data;
  data.mode = WizardMode::kFieldMapping;
  data.record = session_.store().AllProfiles().at(0);
  data.data_source_chosen = true;
  CProfileWizard wizard(session_, data);
  wizard.show();
  wizard.next();
  EXPECT_EQ(wizard.currentId(), CProfileWizard::kFldMappingPage) << world_.prompt().Texts().size();
  // Another profile that overwrites the same table still is one.
  AddProfile(2, "Second Inbox", profile::kDeviceOverwritesDesktop);
  wizard.back();
  wizard.next();
  EXPECT_EQ(wizard.currentId(), CProfileWizard::kDBConnectionPage);
  EXPECT_EQ(world_.prompt().Texts().back().rfind("Profile with same target table already exist", 0),
            0u);
}

TEST_F(WindowTest, CommandsThatCannotRunFromTheFocusedPaneAreDisabled) {
  AddProfile(1, "Sales Team", 0);
  CMainFrame frame(session_);
  frame.show();
  QApplication::setActiveWindow(&frame);
  frame.profile_view()->Reload();
  frame.profile_view()->SelectProfileRow(0);
  frame.properties_view()->sync_type_list()->setFocus();
  QApplication::processEvents();
  ASSERT_TRUE(frame.properties_view()->isAncestorOf(QApplication::focusWidget()));
  QAction* auto_sync = frame.action(kCmdAutoSync);
  for (const int command :
       {kCmdAutoSync, kCmdBackupDevice, kCmdRestoreDevice, kCmdProfileName, kCmdFieldEditing}) {
    EXPECT_FALSE(frame.action(command)->isEnabled()) << command;
  }
  EXPECT_TRUE(frame.action(kCmdSynchronize)->isEnabled());
  auto_sync->trigger();
  frame.OnCommand(kCmdAutoSync);  // as an accelerator would send it
  EXPECT_FALSE(auto_sync->isChecked());
  EXPECT_FALSE(device::ReadAutoSync());
  frame.profile_view()->setFocus();
  QApplication::processEvents();
  EXPECT_TRUE(auto_sync->isEnabled());
  auto_sync->trigger();
  EXPECT_TRUE(auto_sync->isChecked());
  EXPECT_TRUE(device::ReadAutoSync());
}

TEST_F(WindowTest, CsvExportProfileFinishesOnTheSecondPage) {
  CProfileWizard wizard(session_, WizardData{});
  wizard.show();
  wizard.sync_type_page()->sync_types()->button(profile::kExportCsv)->setChecked(true);
  wizard.next();
  EXPECT_TRUE(wizard.property_page()->isFinalPage());
  wizard.property_page()->name_edit()->setText("Export");
  wizard.button(QWizard::FinishButton)->click();
  ASSERT_EQ(session_.store().AllProfiles().size(), 1u);
  EXPECT_EQ(session_.store().AllProfiles()[0].db_type, profile::kNoDatabase);
}

TEST_F(WindowTest, MappingModeShowsAndReplacesTheStoredMapping) {
  AddProfile(1, "Sales Team", 0);
  ASSERT_TRUE(session_.store().InsertMapping({1, "F16", "\"WorkPhone\"", "SQL_CHAR"}, nullptr));
  std::string error;
  ASSERT_TRUE(session_.ConnectLinked(world_.contacts_file().string(), "", "", 1, &error, true));
  WizardData data;
  data.mode = WizardMode::kFieldMapping;
  data.record = session_.store().AllProfiles().at(0);
  data.data_source_chosen = true;
  CProfileWizard wizard(session_, data);
  wizard.show();
  ASSERT_EQ(wizard.currentId(), CProfileWizard::kDBConnectionPage);
  wizard.next();
  ASSERT_EQ(wizard.currentId(), CProfileWizard::kFldMappingPage);
  CFldMappingPage* page = wizard.mapping_page();
  const auto rows = page->Rows();
  const auto work_fax =
      std::find_if(rows.begin(), rows.end(), [](const auto& r) { return r.field_id == "F16"; });
  ASSERT_NE(work_fax, rows.end());
  EXPECT_EQ(work_fax->column, "WorkPhone");  // stored in quotes by an earlier version
  ASSERT_TRUE(page->MapField("F45", "Notes"));
  wizard.button(QWizard::FinishButton)->click();
  EXPECT_FALSE(page->saved());
  EXPECT_EQ(StoredMapping(1).size(), 1u);  // the refused save left the profile alone
  ASSERT_TRUE(page->MapField("F45", "Birthday"));
  wizard.button(QWizard::FinishButton)->click();
  EXPECT_TRUE(page->saved());
  EXPECT_EQ(world_.prompt().Texts().back(), "Database Synchronization profile saved successfully.");
  EXPECT_EQ(StoredMapping(1),
            (std::vector<profile::MappingRow>{{1, "F16", "WorkPhone", "SQL_CHAR"},
                                              {1, "F45", "Birthday", "SQL_DATE"}}));
  EXPECT_EQ(session_.store().AllProfiles().size(), 1u);
}

TEST_F(WindowTest, FilterDialogInBothModesAndAuthenticationDialog) {
  const std::vector<std::string> catalogue = {"\"FirstName\"", "\"LastName\"", "\"BusinessCity\""};
  CFilterDialog filters(FilterDialogMode::kFilters, catalogue,
                        {{0, 0, 2, "'Paris'"}, {1, 7, 1, "'M%'"}}, {});
  EXPECT_EQ(filters.windowTitle(), "Filters");
  EXPECT_EQ(filters.model()->rowCount(), 2);
  filters.AddRow();
  velmora::testing::SaveScreenshot(&filters, "filter_dialog_filters");
  filters.accept();  // the added row has no value
  EXPECT_EQ(world_.prompt().Texts().back(),
            "No. 3 filter is not valid, Please enter filter condition string");
  filters.model()->SetChecked(2, false);
  filters.accept();
  EXPECT_EQ(filters.filters().size(), 2u);

  CFilterDialog sorts(FilterDialogMode::kSortOrder, catalogue, {}, {{0, 1}, {1, 0}});
  EXPECT_EQ(sorts.windowTitle(), "Sort Order");
  velmora::testing::SaveScreenshot(&sorts, "filter_dialog_sort_order");

  CAuthenticationDialog login;
  EXPECT_EQ(login.windowTitle(), "username");
  login.user_edit()->setText("crm_reader");
  login.password_edit()->setText("secret");
  velmora::testing::SaveScreenshot(&login, "authentication_dialog");
}

}  // namespace
}  // namespace velmora::desktop
