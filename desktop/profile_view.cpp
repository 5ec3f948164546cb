#include "desktop/profile_view.h"

#include <QApplication>
#include <QProcess>

#include "db/odbc_result_set.h"
#include "desktop/backup_restore_dialog.h"
#include "desktop/backup_restore_model.h"
#include "desktop/commands.h"
#include "desktop/conduit_process.h"
#include "desktop/desktop_session.h"
#include "desktop/device_contacts_backup.h"
#include "desktop/device_contacts_backup_progress.h"
#include "desktop/dialog_style.h"
#include "desktop/messages.h"
#include "desktop/profile_commands.h"
#include "desktop/rename_profile_dialog.h"
#include "platform/prompt/prompt.h"
#include "profile/profile_store.h"
#include "profile/sync_settings.h"

namespace velmora::desktop {
namespace {

constexpr int kItemDataRole = Qt::UserRole;

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

QTreeWidgetItem* Item(QTreeWidgetItem* parent, const QString& text, int item_data) {
  auto* item = new QTreeWidgetItem(parent, {text});
  item->setData(0, kItemDataRole, item_data);
  return item;
}

bool LaunchDetached(const std::filesystem::path& program, const std::filesystem::path& folder) {
  return QProcess::startDetached(Q(program.string()), {}, Q(folder.string()));
}

// What the linked connection is given: the data source name, the file of an Access or Excel
// source, or the folder of dBase and CSV files.
std::string LinkedSourceOf(const profile::ProfileRecord& p) {
  if (p.db_type == profile::kDsnDatabase) return p.db_dsn;
  if (p.db_type == profile::kAccessDatabase || p.db_type == profile::kExcelDatabase) {
    return p.db_path + p.db_dsn;
  }
  return p.db_path;
}

}  // namespace

CProfileView::CProfileView(DesktopSession& session, QWidget* parent)
    : QTreeWidget(parent), session_(session) {
  setHeaderHidden(true);
  ApplyDialogStyle(this);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Base, kDialogBackground);
  setPalette(palette);
  connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (item == nullptr) return;
    const int data = item->data(0, kItemDataRole).toInt();
    last_item_ = data;
    SelectProfile(data);
  });
  Reload();
}

void CProfileView::Reload() {
  session_.CloseLinked();
  profiles_ = session_.store().AllProfiles();
  clear();
  for (std::size_t row = 0; row < profiles_.size(); ++row) {
    const profile::ProfileRecord& p = profiles_[row];
    const int r = static_cast<int>(row);
    auto* top = new QTreeWidgetItem(this, {Q(p.prof_name)});
    top->setData(0, kItemDataRole, MakeItemData(r, ItemKind::kProfile));
    const std::string source = p.db_type == profile::kNoDatabase    ? "ContactDatabase.csv"
                               : p.db_type == profile::kDsnDatabase ? p.db_dsn
                                                                    : p.db_path + p.db_dsn;
    Item(top, Q(source), MakeItemData(r, ItemKind::kDataSource));
    Item(top, "Field Mapping & Query", MakeItemData(r, ItemKind::kMapping));
  }
  expandAll();
}

std::optional<profile::ProfileRecord> CProfileView::ProfileOfItem(int item_data) const {
  const int row = ProfileRowOfItem(item_data);
  if (item_data < 0 || row >= static_cast<int>(profiles_.size())) return std::nullopt;
  return profiles_[static_cast<std::size_t>(row)];
}

std::optional<int> CProfileView::SelectedItemData() const {
  const QTreeWidgetItem* item = currentItem();
  if (item == nullptr) return std::nullopt;
  return item->data(0, kItemDataRole).toInt();
}

void CProfileView::SelectProfileRow(int row) {
  if (row >= 0 && row < topLevelItemCount()) setCurrentItem(topLevelItem(row));
}

void CProfileView::SelectProfile(int item_data) {
  const auto profile = ProfileOfItem(item_data);
  if (!profile) return;
  current_ = profile;
  session_.current_prof_id = profile->prof_id;
  // While the conduit runs it has the data source to itself.
  if (IsConduitRunning()) {
    session_.suspend_content = true;
  } else {
    session_.suspend_content = false;
    std::string error;
    const std::string source = LinkedSourceOf(*profile);
    if (profile->db_type != profile::kNoDatabase) {
      session_.ConnectLinked(source, profile->db_user, profile->db_password, profile->db_type,
                             &error, true);
    }
  }
  Refresh();
}

void CProfileView::Refresh() {
  if (panes_changed) panes_changed();
}

void CProfileView::HandleCommand(int command) {
  const auto dispatched = ProfilePaneDispatch(command, SelectedItemData(), last_item_);
  if (dispatched) Dispatch(dispatched->command, dispatched->item_data);
}

void CProfileView::Dispatch(int command, int item_data) {
  switch (command) {
    case kCmdNewProfile:
      NewProfile();
      break;
    case kCmdDelete: {
      const auto profile = ProfileOfItem(item_data);
      if (!profile) return;
      if (DeleteProfileWithBackups(*profile, session_.store(), session_.app_folder())) {
        current_.reset();
        Reload();
      }
      break;
    }
    case kCmdSynchronize:
      Synchronize(
          session_.DeviceOwner(), session_.app_folder(),
          [this] {
            session_.suspend_content = true;
            Refresh();
            session_.CloseLinked();
          },
          LaunchDetached);
      session_.suspend_content = false;
      if (item_data >= 0) SelectProfile(item_data);
      break;
    case kCmdAutoSync:
      session_.auto_sync = ToggleAutoSync(session_.auto_sync);
      break;
    case kCmdFieldEditing:
      FieldEditing(item_data);
      break;
    case kCmdRename:
      Rename(item_data);
      break;
    case kCmdRestoreContents:
      RestoreContents(item_data);
      break;
    case kCmdBackupDevice:
      DeviceBackup(false);
      break;
    case kCmdRestoreDevice:
      DeviceBackup(true);
      break;
    default:
      break;
  }
  Refresh();
}

void CProfileView::NewProfile() {
  session_.suspend_content = true;
  Refresh();
  session_.wizard_mode = WizardMode::kNewProfile;
  CProfileWizard wizard(session_, WizardData{}, preview_sink, window());
  wizard.run_dialog = run_dialog;
  const int result = run_wizard(wizard);
  session_.suspend_content = false;
  if (result == QDialog::Accepted) {
    Reload();
    SelectProfileRow(topLevelItemCount() - 1);
  } else if (last_item_) {
    SelectProfile(*last_item_);
  }
}

void CProfileView::FieldEditing(int item_data) {
  const auto profile = ProfileOfItem(item_data);
  if (!profile) return;
  SelectProfile(MakeItemData(ProfileRowOfItem(item_data), ItemKind::kProfile));
  session_.wizard_mode = WizardMode::kFieldMapping;
  if (!session_.linked_connected()) return;
  WizardData data;
  data.mode = WizardMode::kFieldMapping;
  data.record = *profile;
  data.data_source_chosen = true;
  CProfileWizard wizard(session_, data, preview_sink, window());
  wizard.run_dialog = run_dialog;
  if (run_wizard(wizard) == QDialog::Accepted) Reload();
  SelectProfileRow(ProfileRowOfItem(item_data));
}

void CProfileView::Rename(int item_data) {
  auto profile = ProfileOfItem(item_data);
  if (!profile) return;
  RenameProfileDialog dialog(session_.store(), *profile, window());
  if (run_dialog(dialog) != QDialog::Accepted) return;
  const int row = ProfileRowOfItem(item_data);
  profiles_[static_cast<std::size_t>(row)].prof_name = profile->prof_name;
  if (current_ && current_->prof_id == profile->prof_id) current_->prof_name = profile->prof_name;
  if (QTreeWidgetItem* item = topLevelItem(row)) item->setText(0, Q(profile->prof_name));
}

void CProfileView::RestoreContents(int item_data) {
  const auto profile = ProfileOfItem(item_data);
  if (!profile || profile->db_type == profile::kNoDatabase) return;
  std::string error;
  const bool connected =
      session_.ConnectLinked(LinkedSourceOf(*profile), profile->db_user, profile->db_password,
                             profile->db_type, &error, false);
  // The rows are only counted here; the dialog reads them again on the same connection.
  if (connected &&
      session_.RunLinkedQuery(session_.store().QueryForContent(profile->prof_id), &error)) {
    BackupRestoreModel model(session_.linked(), session_.app_folder(), *profile);
    BackupRestoreDialog dialog(model, window());
    run_dialog(dialog);
  }
  SelectProfile(item_data);
}

void CProfileView::DeviceBackup(bool restore) {
  const device::RapiLibrary* rapi = session_.rapi();
  if (rapi == nullptr) return;
  BackupProgressWindow progress(window());
  DeviceContactsBackup backup(*rapi, session_.app_folder(), ProgramBackupOptions(), &progress);
  if (restore) {
    backup.Restore();
  } else {
    backup.Backup();
  }
}

}  // namespace velmora::desktop
