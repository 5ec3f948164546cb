#include "desktop/backup_restore_model.h"

#include "db/odbc_result_set.h"
#include "desktop/backup_restore_rows.h"
#include "desktop/messages.h"
#include "platform/prompt/prompt.h"
#include "profile/backup_files.h"

namespace velmora::desktop {

BackupRestoreModel::BackupRestoreModel(db::Connection& linked, std::filesystem::path app_folder,
                                       profile::ProfileRecord profile)
    : linked_(linked), app_folder_(std::move(app_folder)), profile_(std::move(profile)) {}

std::unique_ptr<db::ResultSet> BackupRestoreModel::CurrentRows(std::string* error_text) {
  if (!linked_.IsConnected()) return nullptr;
  auto rows = std::make_unique<db::OdbcResultSet>();
  if (!rows->Open(linked_, profile_.query)) {
    if (error_text) *error_text = rows->ErrorReport();
    return nullptr;
  }
  return rows;
}

std::filesystem::path BackupRestoreModel::BackupFile() const {
  return profile::TableBackupFile(app_folder_, profile_.user_name, profile_.prof_name,
                                  generation_index_ + 1);
}

std::unique_ptr<db::ResultSet> BackupRestoreModel::LoadGeneration(int index) {
  generation_index_ = index >= 0 && index < static_cast<int>(kGenerationLabels.size()) ? index : 0;
  auto rows = std::make_unique<BackupRows>();
  if (!rows->Open(BackupFile())) {
    backup_.Close();
    return nullptr;
  }
  backup_ = rows->reader();
  return rows;
}

TableRestoreOutcome BackupRestoreModel::Restore() {
  last_result_ = {};
  if (!backup_.IsOpen()) {
    prompt::ShowMessage(kNoBackupConnected, kCaption, prompt::Icon::kExclamation);
    return TableRestoreOutcome::kNoBackup;
  }
  if (prompt::ShowMessage(kAskRestoreBackup, kCaption, prompt::Icon::kQuestion,
                          prompt::Buttons::kYesNo) != prompt::Answer::kYes) {
    return TableRestoreOutcome::kDeclined;
  }
  last_result_ = RestoreTableBackup(linked_, backup_, profile_.query);
  if (!last_result_.restored) {
    prompt::ShowMessage(TableRestoreMessage(last_result_), kCaption, prompt::Icon::kExclamation);
    return TableRestoreOutcome::kFailed;
  }
  prompt::ShowMessage(kTableRestored, kCaption, prompt::Icon::kInformation);
  return TableRestoreOutcome::kRestored;
}

}  // namespace velmora::desktop
