// The main window's commands that open dialogs or act on the handheld, on the offscreen
// platform: each command is checked to reach its dialog (caught through the windows' dialog
// runner) or its operation (seen through the scripted prompt and a stand-in file opener).
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include "desktop/restore_contents_dialog.h"
#include "desktop/categories_dialog.h"
#include "desktop/commands.h"
#include "desktop/desktop_session.h"
#include "desktop/device_contacts_backup.h"
#include "desktop/filter_dialog.h"
#include "desktop/grid/result_set_table_model.h"
#include "desktop/help_commands.h"
#include "desktop/main_frame.h"
#include "desktop/profile_view.h"
#include "desktop/profile_wizard.h"
#include "desktop/rename_profile_dialog.h"
#include "desktop/sync_log_window.h"
#include "desktop/sync_type_page.h"
#include "desktop/what_is_this_texts.h"
#include "desktop/what_is_this_window.h"
#include "profile/sync_settings.h"
#include "tests/desktop/desktop_world.h"
#include "tests/support_qt/screenshot.h"

namespace velmora::desktop {
namespace {

class RecordingOpener final : public FileOpener {
 public:
  explicit RecordingOpener(std::vector<std::filesystem::path>* opened) : opened_(opened) {}
  bool Open(const std::filesystem::path& file) override {
    opened_->push_back(file);
    return true;
  }

 private:
  std::vector<std::filesystem::path>* opened_;
};

class CommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StartupOptions options;
    options.user_library = velmora::testing::BuildDir() / "lib" / "libpeltrix.so";
    options.rapi_library = (velmora::testing::BuildDir() / "lib" / "librapi-emu.so").string();
    options.device_wait = std::chrono::milliseconds(0);
    ASSERT_EQ(session_.Start(options), StartupFailure::kNone);
    for (const auto& p : session_.store().AllProfiles()) session_.store().DeleteProfile(p.prof_id);
  }

  void AddProfile(long id, const std::string& name) {
    profile::ProfileRecord r;
    r.prof_id = id;
    r.prof_name = name;
    r.user_name = testing::kUser;
    r.sync_type = profile::kDesktopOverwritesDevice;
    r.db_type = db::kDatabaseAccess;
    r.db_path = world_.app_folder().string() + "/";
    r.db_dsn = "SampleContactsDB.mdb";
    r.query = "Select * from \"Contacts\"";
    r.table_name = "Contacts";
    ASSERT_TRUE(session_.store().InsertProfile(r, nullptr));
  }

  // A main window on the given profiles with the first one selected.
  std::unique_ptr<CMainFrame> FrameWithProfile(const std::string& name) {
    AddProfile(1, name);
    auto frame = std::make_unique<CMainFrame>(session_);
    frame->profile_view()->Reload();
    frame->profile_view()->SelectProfileRow(0);
    return frame;
  }

  testing::DesktopWorld world_;
  DesktopSession session_;
};

TEST_F(CommandsTest, RenameOpensTheEditProfileDialogAndRelabelsTheTree) {
  auto frame = FrameWithProfile("Sales Team");
  int opened = 0;
  frame->profile_view()->run_dialog = [&](QDialog& dialog) {
    ++opened;
    auto* rename = dynamic_cast<RenameProfileDialog*>(&dialog);
    EXPECT_NE(rename, nullptr);
    if (rename == nullptr) return int{QDialog::Rejected};
    EXPECT_EQ(rename->edit()->text(), "Sales Team");
    if (opened == 1) return int{QDialog::Rejected};  // Cancel changes nothing
    rename->edit()->setText("Sales O'Brien");
    rename->Change();
    return rename->result();
  };
  frame->OnCommand(kCmdRename);
  EXPECT_EQ(frame->profile_view()->topLevelItem(0)->text(0), "Sales Team");
  frame->OnCommand(kCmdRename);
  EXPECT_EQ(opened, 2);
  EXPECT_EQ(frame->profile_view()->topLevelItem(0)->text(0), "Sales O'Brien");
  EXPECT_EQ(frame->profile_view()->current_profile()->prof_name, "Sales O'Brien");
  EXPECT_EQ(session_.store().AllProfiles().at(0).prof_name, "Sales O'Brien");
  // The tree keeps the new name, so a second rename starts from it.
  frame->profile_view()->run_dialog = [&](QDialog& dialog) {
    EXPECT_EQ(dynamic_cast<RenameProfileDialog&>(dialog).edit()->text(), "Sales O'Brien");
    return int{QDialog::Rejected};
  };
  frame->OnCommand(kCmdRename);
}

TEST_F(CommandsTest, RestoreContentsShowsTheCurrentRowsAndReselectsReadOnly) {
  auto frame = FrameWithProfile("Sales Team");
  int opened = 0;
  frame->profile_view()->run_dialog = [&](QDialog& dialog) {
    ++opened;
    auto* restore = dynamic_cast<RestoreContentsDialog*>(&dialog);
    EXPECT_NE(restore, nullptr);
    if (restore == nullptr) return int{QDialog::Rejected};
    EXPECT_EQ(restore->windowTitle(), "Sales Team");
    EXPECT_GT(restore->current_rows()->rowCount(), 0);
    return int{QDialog::Rejected};
  };
  frame->OnCommand(kCmdRestoreContents);
  EXPECT_EQ(opened, 1);
  // Afterwards the profile is selected again, as after a click.
  EXPECT_TRUE(session_.linked_connected());
  EXPECT_EQ(frame->profile_view()->current_profile()->prof_name, "Sales Team");
}

TEST_F(CommandsTest, RestoreContentsOnAnUnreachableDatabaseOpensNothing) {
  auto frame = FrameWithProfile("Sales Team");
  std::filesystem::remove(world_.contacts_file());
  int opened = 0;
  frame->profile_view()->run_dialog = [&](QDialog&) { return ++opened, int{QDialog::Rejected}; };
  frame->OnCommand(kCmdRestoreContents);
  EXPECT_EQ(opened, 0);
}

TEST_F(CommandsTest, HandheldBackupAndRestoreReportWhatHappened) {
  CMainFrame frame(session_);
  frame.OnCommand(kCmdBackupDevice);
  frame.OnCommand(kCmdRestoreDevice);  // no backup file yet
  velmora::testing::WriteFileBytes(session_.app_folder() / "DeviceContactsBackup.pdb", "x");
  frame.OnCommand(kCmdRestoreDevice);
  EXPECT_EQ(world_.prompt().Texts(),
            (std::vector<std::string>{std::string(kBackupNoDevice), std::string(kRestoreNoBackup),
                                      std::string(kRestoreNoDevice)}));
}

TEST_F(CommandsTest, SyncLogShowsTheLogReadablyAndHelpGoesToTheDesktop) {
  CMainFrame frame(session_);
  std::vector<std::filesystem::path> opened;
  frame.file_opener = std::make_unique<RecordingOpener>(&opened);
  // Before the conduit has run there is no log, and this folder has no guide: both are said.
  frame.OnCommand(kCmdSyncLog);
  frame.OnCommand(kCmdHelp);
  EXPECT_TRUE(opened.empty());
  EXPECT_EQ(frame.sync_log_window(), nullptr);
  EXPECT_EQ(
      world_.prompt().Texts(),
      (std::vector<std::string>{MissingLogMessage(session_.app_folder() / kConduitLogFile),
                                MissingGuideMessage(session_.app_folder() / kUserGuideFile)}));
  // The conduit writes UTF-16LE without a byte-order mark and with CR LF line ends.
  const std::u16string lines =
      u"Contact Synchronization Log...\r\n\t\"Profile\" Zoë Müller\r\nSynchronization "
      u"Completed Successfully\r\n";
  std::string bytes;
  for (const char16_t unit : lines) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  const auto log = session_.app_folder() / kConduitLogFile;
  const auto guide = session_.app_folder() / kUserGuideFile;
  velmora::testing::WriteFileBytes(log, bytes);
  velmora::testing::WriteFileBytes(guide, "<html></html>");
  frame.action(kCmdSyncLog)->trigger();
  frame.action(kCmdHelp)->trigger();
  EXPECT_EQ(opened, (std::vector<std::filesystem::path>{guide}));
  CSyncLogWindow* viewer = frame.sync_log_window();
  ASSERT_NE(viewer, nullptr);
  EXPECT_TRUE(viewer->text_view()->isReadOnly());
  EXPECT_EQ(
      viewer->text_view()->toPlainText(),
      QString::fromUtf16(lines.data(), static_cast<qsizetype>(lines.size())).replace("\r\n", "\n"));
  EXPECT_FALSE(velmora::testing::SaveScreenshot(viewer, "sync_log_window").empty());
  EXPECT_EQ(velmora::testing::ReadFileBytes(log), bytes);  // the log stays as written
  // A log that cannot be read is said with its path; the window keeps what it showed.
  std::filesystem::remove(log);
  std::filesystem::create_directory(log);
  viewer->Refresh();
  EXPECT_NE(world_.prompt().Texts().back().find(log.string()), std::string::npos);
  EXPECT_FALSE(viewer->text_view()->toPlainText().isEmpty());
}

TEST_F(CommandsTest, WizardHelpShowsTheTextOfEachPage) {
  CProfileWizard wizard(session_, WizardData{});
  std::vector<QString> shown;
  wizard.run_dialog = [&](QDialog& dialog) {
    auto* help = dynamic_cast<WhatIsThisWindow*>(&dialog);
    EXPECT_NE(help, nullptr);
    if (help != nullptr) shown.push_back(help->text());
    return int{QDialog::Accepted};
  };
  wizard.show();
  emit wizard.helpRequested();
  wizard.next();
  ASSERT_EQ(wizard.currentId(), CProfileWizard::kSyncPropertyPage);
  emit wizard.helpRequested();

  WizardData mapping;
  mapping.mode = WizardMode::kFieldMapping;
  CProfileWizard mapping_wizard(session_, mapping);
  mapping_wizard.run_dialog = wizard.run_dialog;
  mapping_wizard.show();
  ASSERT_EQ(mapping_wizard.currentId(), CProfileWizard::kDBConnectionPage);
  emit mapping_wizard.helpRequested();

  const auto text = [](int n) { return QString::fromUtf8(WhatIsThisText(n).data()); };
  EXPECT_EQ(shown, (std::vector<QString>{text(kHelpSyncTypePage), text(kHelpSyncPropertyPage),
                                         text(kHelpTablePage)}));
}

TEST_F(CommandsTest, FilterDialogHelpOpensTheFiltersText) {
  CFilterDialog filters(FilterDialogMode::kFilters, {"\"FirstName\""}, {}, {});
  filters.show();
  QString shown;
  // The help window runs its own loop; read it and close it from inside that loop.
  QTimer::singleShot(0, [&] {
    if (auto* help = qobject_cast<WhatIsThisWindow*>(QApplication::activeModalWidget())) {
      shown = help->text();
      help->reject();
    }
  });
  filters.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Help)->click();
  EXPECT_EQ(shown, QString::fromUtf8(WhatIsThisText(kHelpFilters).data()));
}

TEST_F(CommandsTest, EditCategoriesEntryOpensTheDialogAndSelectsItsChoice) {
  ASSERT_TRUE(session_.store().InsertCategory(901, "Suppliers"));
  CProfileWizard wizard(session_, WizardData{});
  wizard.show();
  CSyncTypePage* page = wizard.sync_type_page();
  page->category_check()->setChecked(true);
  const int edit_entry = page->categories()->count() - 1;
  ASSERT_EQ(page->categories()->itemText(edit_entry), "Edit Categories...");

  int opened = 0;
  wizard.run_dialog = [&](QDialog& dialog) {
    ++opened;
    auto* categories = dynamic_cast<CategoriesDialog*>(&dialog);
    EXPECT_NE(categories, nullptr);
    if (categories == nullptr) return int{QDialog::Rejected};
    if (opened == 1) return int{QDialog::Rejected};
    // A category added in the dialog is in the page's list afterwards.
    EXPECT_EQ(categories->model().Create("Family"), NameOutcome::kStored);
    categories->Refill("Suppliers");
    categories->accept();
    return categories->result();
  };
  // Cancel leaves the list as it was: the entry chosen before stays chosen.
  const int suppliers = page->categories()->findText("Suppliers");
  page->categories()->setCurrentIndex(suppliers);
  page->categories()->setCurrentIndex(edit_entry);
  emit page->categories()->activated(edit_entry);
  EXPECT_EQ(page->categories()->currentIndex(), suppliers);
  emit page->categories()->activated(page->categories()->count() - 1);
  EXPECT_EQ(opened, 2);
  EXPECT_EQ(page->categories()->currentText(), "Suppliers");
  EXPECT_NE(page->categories()->findText("Family"), -1);
  EXPECT_EQ(page->categories()->itemText(page->categories()->count() - 1), "Edit Categories...");
  // Any other entry is a plain choice.
  page->categories()->setCurrentIndex(0);
  emit page->categories()->activated(0);
  EXPECT_EQ(opened, 2);
}

}  // namespace
}  // namespace velmora::desktop
