#include "desktop/device_contacts_backup.h"

#include <algorithm>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "desktop/messages.h"
#include "device/desktop_settings.h"
#include "device/device_connection.h"
#include "device/device_files.h"
#include "platform/files/private_folder.h"
#include "platform/prompt/prompt.h"
#include "profile/field_catalogue.h"
#include "transfer/device_backup.h"
#include "transfer/pim_reader.h"

namespace velmora::desktop {
namespace {

std::string DevicePath(std::string_view leaf) {
  return std::string(device::kDeviceFolder) + "\\" + std::string(leaf);
}

std::vector<std::string> BackupColumnNames() {
  std::vector<std::string> names;
  for (const profile::ContactField& field : profile::ContactFields()) {
    names.emplace_back(field.export_header);
  }
  return names;
}

std::vector<std::vector<std::string>> ReadAllContacts(const std::filesystem::path& export_copy) {
  const long records = transfer::ReadPimRecordCount(export_copy);
  std::vector<std::vector<std::string>> contacts;
  contacts.reserve(static_cast<std::size_t>(std::max(records, 0L)));
  transfer::PimPositionSlots fields;
  for (long r = 1; r <= records; ++r) {
    fields.fill(std::string());
    transfer::ReadPimRecordByPosition(export_copy, r, fields);
    contacts.emplace_back(fields.begin(), fields.end());
  }
  return contacts;
}

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

}  // namespace

DeviceContactsBackup::DeviceContactsBackup(const device::RapiLibrary& rapi,
                                           std::filesystem::path app_folder,
                                           DeviceBackupOptions options, ProgressDisplay* progress)
    : rapi_(rapi),
      app_folder_(std::move(app_folder)),
      options_(std::move(options)),
      progress_(progress) {}

std::filesystem::path DeviceContactsBackup::BackupFile() const {
  return app_folder_ / (std::string(transfer::kDeviceBackupName) + ".pdb");
}

std::filesystem::path DeviceContactsBackup::ExportCopy(std::string_view owner) const {
  return app_folder_ / std::string(owner) / "Temp" / std::string(device::kExportFile);
}

void DeviceContactsBackup::Report(std::string_view text, bool failure) {
  prompt::ShowMessage(text, kCaption,
                      failure ? prompt::Icon::kExclamation : prompt::Icon::kQuestion);
}

DeviceBackupResult DeviceContactsBackup::Backup() {
  const std::string owner = device::ReadDeviceOwnerName(rapi_);
  if (owner.empty()) {
    Report(kBackupNoDevice, false);
    return DeviceBackupResult::kNoDevice;
  }
  ProgressScope progress(progress_, kBackupProgress);
  const DeviceBackupResult result = FetchAndWrite(owner);
  progress.Close();
  switch (result) {
    case DeviceBackupResult::kDone:
      Report(kBackupTaken, false);
      break;
    case DeviceBackupResult::kCreateFailed:
      Report(kBackupCreateFailed, true);
      break;
    case DeviceBackupResult::kAgentNotStarted:
      Report(kBackupAgentNotStarted, true);
      break;
    case DeviceBackupResult::kAgentTimedOut:
      Report(kBackupAgentTimedOut, true);
      break;
    case DeviceBackupResult::kAgentFailed:
      Report(kBackupAgentFailed, true);
      break;
    case DeviceBackupResult::kNoDevice:  // went away while its agent ran
      Report(kBackupNoDevice, false);
      break;
    case DeviceBackupResult::kCopyFailed:
      Report(kBackupCopyFailed, true);
      break;
    default:
      break;
  }
  return result;
}

DeviceBackupResult DeviceContactsBackup::FetchAndWrite(std::string_view owner) {
  const device::AgentRun run =
      device::RunDeviceAgent(rapi_, device::kAgentBackup, options_.agent_timeout, options_.channel);
  if (run == device::AgentRun::kNotStarted) return DeviceBackupResult::kAgentNotStarted;
  if (run == device::AgentRun::kTimedOut) return DeviceBackupResult::kAgentTimedOut;
  if (run == device::AgentRun::kFailed) return DeviceBackupResult::kAgentFailed;
  if (run == device::AgentRun::kDisconnected) return DeviceBackupResult::kNoDevice;
  if (options_.export_pause.count() > 0) std::this_thread::sleep_for(options_.export_pause);

  const std::filesystem::path export_copy = ExportCopy(owner);
  const std::string device_export = DevicePath(device::kExportFile);
  const bool folder_made = files::CreatePrivateFolders(export_copy.parent_path());
  if (!folder_made || !device::CopyFileFromDeviceInOnePiece(rapi_, device_export, export_copy)) {
    device::DeleteDeviceFile(rapi_, device_export);
    return DeviceBackupResult::kCopyFailed;
  }
  // The new backup is written aside and renamed over the old one only when whole.
  const bool written = transfer::WriteDeviceBackupPdb(BackupFile(), BackupColumnNames(),
                                                      ReadAllContacts(export_copy));
  std::error_code ignored;
  std::filesystem::remove(export_copy, ignored);
  device::DeleteDeviceFile(rapi_, device_export);
  return written ? DeviceBackupResult::kDone : DeviceBackupResult::kCreateFailed;
}

DeviceBackupResult DeviceContactsBackup::Restore() {
  std::error_code error;
  if (!std::filesystem::is_regular_file(BackupFile(), error)) {
    Report(kRestoreNoBackup, false);
    return DeviceBackupResult::kNoBackup;
  }
  if (device::ReadDeviceOwnerName(rapi_).empty()) {
    Report(kRestoreNoDevice, false);
    return DeviceBackupResult::kNoDevice;
  }
  ProgressScope progress(progress_, kRestoreProgress);
  const DeviceBackupResult result = SendAndRestore();
  progress.Close();
  switch (result) {
    case DeviceBackupResult::kDone:
      Report(kBackupRestored, false);
      break;
    case DeviceBackupResult::kCopyFailed:
      Report(kRestoreCopyFailed, true);
      break;
    case DeviceBackupResult::kAgentNotStarted:
      Report(kRestoreAgentNotStarted, true);
      break;
    case DeviceBackupResult::kAgentTimedOut:
      Report(kRestoreAgentTimedOut, true);
      break;
    case DeviceBackupResult::kAgentFailed:
      Report(kRestoreAgentFailed, true);
      break;
    case DeviceBackupResult::kNoDevice:  // went away while its agent ran
      Report(kRestoreNoDevice, false);
      break;
    default:
      break;
  }
  return result;
}

DeviceBackupResult DeviceContactsBackup::SendAndRestore() {
  device::CreateDeviceDirectory(rapi_, device::kDeviceFolder);  // usually there already
  if (!device::CopyFileToDeviceInOnePiece(rapi_, BackupFile(), DevicePath(device::kTransferFile))) {
    return DeviceBackupResult::kCopyFailed;
  }
  switch (device::RunDeviceAgent(rapi_, device::kAgentRestore, options_.agent_timeout,
                                 options_.channel)) {
    case device::AgentRun::kFinished:
      return DeviceBackupResult::kDone;
    case device::AgentRun::kNotStarted:
      return DeviceBackupResult::kAgentNotStarted;
    case device::AgentRun::kTimedOut:
      return DeviceBackupResult::kAgentTimedOut;
    case device::AgentRun::kFailed:
      return DeviceBackupResult::kAgentFailed;
    case device::AgentRun::kDisconnected:
      return DeviceBackupResult::kNoDevice;
  }
  return DeviceBackupResult::kAgentNotStarted;
}

DeviceBackupOptions ProgramBackupOptions() {
  DeviceBackupOptions options;
  options.agent_timeout = device::ReadAgentTimeout();
  return options;
}

}  // namespace velmora::desktop
