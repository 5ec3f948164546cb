#include "desktop/backup_device_contacts.h"

#include <algorithm>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "device/device_agent.h"
#include "device/device_connection.h"
#include "device/device_files.h"
#include "platform/files/private_folder.h"
#include "profile/field_catalogue.h"
#include "transfer/device_backup.h"
#include "transfer/pim_reader.h"

namespace velmora::desktop {
namespace {

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

}  // namespace

BackupDeviceContactsFromDesktop::BackupDeviceContactsFromDesktop(const device::RapiLibrary& rapi,
                                                                 std::filesystem::path app_folder,
                                                                 DeviceBackupOptions options,
                                                                 ProgressDisplay* progress)
    : rapi_(rapi),
      app_folder_(std::move(app_folder)),
      options_(std::move(options)),
      progress_(progress) {}

DeviceBackupResult BackupDeviceContactsFromDesktop::Run() {
  const std::string owner = device::ReadDeviceOwnerName(rapi_);
  if (owner.empty()) {
    ReportDeviceBackup(kBackupNoDevice, false);
    return DeviceBackupResult::kNoDevice;
  }
  ProgressScope progress(progress_, kBackupProgress);
  const DeviceBackupResult result = FetchAndWrite(owner);
  progress.Close();
  switch (result) {
    case DeviceBackupResult::kDone:
      ReportDeviceBackup(kBackupTaken, false);
      break;
    case DeviceBackupResult::kCreateFailed:
      ReportDeviceBackup(kBackupCreateFailed, true);
      break;
    case DeviceBackupResult::kAgentNotStarted:
      ReportDeviceBackup(kBackupAgentNotStarted, true);
      break;
    case DeviceBackupResult::kAgentTimedOut:
      ReportDeviceBackup(kBackupAgentTimedOut, true);
      break;
    case DeviceBackupResult::kAgentFailed:
      ReportDeviceBackup(kBackupAgentFailed, true);
      break;
    case DeviceBackupResult::kNoDevice:  // went away while its agent ran
      ReportDeviceBackup(kBackupNoDevice, false);
      break;
    case DeviceBackupResult::kCopyFailed:
      ReportDeviceBackup(kBackupCopyFailed, true);
      break;
    default:
      break;
  }
  return result;
}

DeviceBackupResult BackupDeviceContactsFromDesktop::FetchAndWrite(std::string_view owner) {
  const device::AgentRun run =
      device::RunDeviceAgent(rapi_, device::kAgentBackup, options_.agent_timeout, options_.channel);
  if (run == device::AgentRun::kNotStarted) return DeviceBackupResult::kAgentNotStarted;
  if (run == device::AgentRun::kTimedOut) return DeviceBackupResult::kAgentTimedOut;
  if (run == device::AgentRun::kFailed) return DeviceBackupResult::kAgentFailed;
  if (run == device::AgentRun::kDisconnected) return DeviceBackupResult::kNoDevice;
  if (options_.export_pause.count() > 0) std::this_thread::sleep_for(options_.export_pause);

  const std::filesystem::path export_copy = DeviceExportCopy(app_folder_, owner);
  const std::string device_export = DeviceFolderPath(device::kExportFile);
  const bool folder_made = files::CreatePrivateFolders(export_copy.parent_path());
  if (!folder_made || !device::CopyFileFromDeviceInOnePiece(rapi_, device_export, export_copy)) {
    device::DeleteDeviceFile(rapi_, device_export);
    return DeviceBackupResult::kCopyFailed;
  }
  // The new backup is written aside and renamed over the old one only when whole.
  const bool written = transfer::WriteDeviceBackupPdb(
      DeviceBackupFile(app_folder_), BackupColumnNames(), ReadAllContacts(export_copy));
  std::error_code ignored;
  std::filesystem::remove(export_copy, ignored);
  device::DeleteDeviceFile(rapi_, device_export);
  return written ? DeviceBackupResult::kDone : DeviceBackupResult::kCreateFailed;
}

}  // namespace velmora::desktop
