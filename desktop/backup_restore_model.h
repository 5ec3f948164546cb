// What the Backup Restore dialog does, without the window: the current rows of the profile's
// query, the four generations of the conduit's table backups, and the Restore button with its
// questions and reports. Used by RestoreContentsDialog and the tests; Qt-free. Messages go
// through the prompt seam.
#pragma once

#include <array>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "db/connection.h"
#include "db/result_set.h"
#include "desktop/table_restore.h"
#include "profile/backup_files.h"
#include "profile/profile_record.h"
#include "transfer/pdb_reader.h"

namespace velmora::desktop {

inline constexpr std::string_view kNoBackupConnected = "No valid backup database connected.";
inline constexpr std::string_view kAskRestoreBackup =
    "Do you want to restore this backup into original database?";
inline constexpr std::string_view kTableRestored = "The backup has been restored into the table.";

inline constexpr std::array<std::string_view, 4> kGenerationLabels = {
    "Last Sync", "2nd Last Sync", "3rd Last Sync", "4th Last Sync"};

// The backups are found under the names the conduit writes them with.
using profile::TableBackupFile;

enum class TableRestoreOutcome { kNoBackup, kDeclined, kRestored, kFailed };

class BackupRestoreModel {
 public:
  // `linked` is the profile's linked database, connected for writing; it must outlive this.
  BackupRestoreModel(db::Connection& linked, std::filesystem::path app_folder,
                     profile::ProfileRecord profile);

  const profile::ProfileRecord& profile() const { return profile_; }

  // The profile's query on the linked database; nullptr (and `error_text`) when it fails.
  // The result lives on the linked connection: drop it before Restore.
  std::unique_ptr<db::ResultSet> CurrentRows(std::string* error_text = nullptr);

  // Opens generation `index` + 1 (index 0 … 3; anything else means 0). Returns the rows for
  // the right grid, or nullptr (the grid is emptied) when the file cannot be opened.
  std::unique_ptr<db::ResultSet> LoadGeneration(int index);
  int generation_index() const { return generation_index_; }
  bool has_backup() const { return backup_.IsOpen(); }
  std::filesystem::path BackupFile() const;

  // The Restore button: asks, restores into the profile's table in one transaction and says
  // what happened.
  TableRestoreOutcome Restore();
  const TableRestoreResult& last_result() const { return last_result_; }

 private:
  db::Connection& linked_;
  std::filesystem::path app_folder_;
  profile::ProfileRecord profile_;
  int generation_index_ = 0;
  transfer::PdbReader backup_;
  TableRestoreResult last_result_;
};

}  // namespace velmora::desktop
