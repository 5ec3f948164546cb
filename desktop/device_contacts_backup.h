// What the PPC Contacts menu's Backup and Restore of the handheld's contacts share: their
// messages and results, the backup file in the application folder, the progress display and
// the report through the prompt seam. Qt-free.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>

#include "device/device_agent.h"
#include "device/rapi_library.h"

namespace velmora::desktop {

inline constexpr std::string_view kBackupNoDevice = "Please, Connect your Pocket PC for backup";
inline constexpr std::string_view kBackupProgress = "Taking Backup of Pocket PC Contacts.....";
inline constexpr std::string_view kBackupCreateFailed = "Error While Creating Backup PDB.";
inline constexpr std::string_view kBackupTaken = "Backup is taken successfully.";
inline constexpr std::string_view kBackupAgentNotStarted =
    "Backup failed: the contacts application on the Pocket PC could not be started. The "
    "previous backup is kept.";
inline constexpr std::string_view kBackupAgentTimedOut =
    "Backup failed: the contacts application on the Pocket PC did not finish in time. The "
    "previous backup is kept.";
inline constexpr std::string_view kBackupAgentFailed =
    "Backup failed: the contacts application on the Pocket PC reported an error. The previous "
    "backup is kept.";
inline constexpr std::string_view kBackupCopyFailed =
    "Backup failed: the Pocket PC contacts could not be copied to this computer. The previous "
    "backup is kept.";

inline constexpr std::string_view kRestoreNoBackup = "Previous Backup does not exists.";
inline constexpr std::string_view kRestoreNoDevice =
    "Please, Connect your Pocket PC for restoring backup";
inline constexpr std::string_view kRestoreProgress = "Restoring Backup in Pocket PC Contacts.....";
inline constexpr std::string_view kBackupRestored = "Backup is restored successfully.";
inline constexpr std::string_view kRestoreCopyFailed =
    "Restore failed: the backup could not be copied to the Pocket PC. The Pocket PC contacts "
    "are unchanged.";
inline constexpr std::string_view kRestoreAgentNotStarted =
    "Restore failed: the contacts application on the Pocket PC could not be started. The "
    "Pocket PC contacts are unchanged.";
inline constexpr std::string_view kRestoreAgentTimedOut =
    "Restore failed: the contacts application on the Pocket PC did not finish in time. The "
    "Pocket PC contacts may not have been restored.";
inline constexpr std::string_view kRestoreAgentFailed =
    "Restore failed: the contacts application on the Pocket PC reported an error. The Pocket "
    "PC contacts are unchanged.";

// The small window that says what is going on while the window thread is blocked.
class ProgressDisplay {
 public:
  virtual ~ProgressDisplay() = default;
  virtual void Show(std::string_view text) = 0;
  virtual void Close() = 0;
};

enum class DeviceBackupResult {
  kDone,
  kNoDevice,
  kNoBackup,  // restore only
  kCreateFailed,
  kAgentNotStarted,
  kAgentTimedOut,
  kAgentFailed,
  kCopyFailed,
};

struct DeviceBackupOptions {
  std::chrono::milliseconds agent_timeout{120'000};
  // The agent closes the export a little after it sets its flag.
  std::chrono::milliseconds export_pause{3000};
  device::AgentChannel channel;
};

// Application folder + "DeviceContactsBackup.pdb".
std::filesystem::path DeviceBackupFile(const std::filesystem::path& app_folder);
// Application folder + owner + "Temp/Contact1.pim".
std::filesystem::path DeviceExportCopy(const std::filesystem::path& app_folder,
                                       std::string_view owner);
// Where the handheld keeps `leaf` in the device folder.
std::string DeviceFolderPath(std::string_view leaf);
// A command's report to the user: a question icon for what the user can fix, an exclamation
// for a failure.
void ReportDeviceBackup(std::string_view text, bool failure);

// Closes the progress display on every way out of a command.
class ProgressScope {
 public:
  ProgressScope(ProgressDisplay* progress, std::string_view text) : progress_(progress) {
    if (progress_) progress_->Show(text);
  }
  ~ProgressScope() { Close(); }
  ProgressScope(const ProgressScope&) = delete;
  ProgressScope& operator=(const ProgressScope&) = delete;
  void Close() {
    if (progress_) progress_->Close();
    progress_ = nullptr;
  }

 private:
  ProgressDisplay* progress_;
};

// The options of the running program: the agent time-out from the desktop registry.
DeviceBackupOptions ProgramBackupOptions();

}  // namespace velmora::desktop
