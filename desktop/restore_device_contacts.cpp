#include "desktop/restore_device_contacts.h"

#include <system_error>

#include "device/device_agent.h"
#include "device/device_connection.h"
#include "device/device_files.h"

namespace velmora::desktop {

RestoreDeviceContacts::RestoreDeviceContacts(const device::RapiLibrary& rapi,
                                             std::filesystem::path app_folder,
                                             DeviceBackupOptions options, ProgressDisplay* progress)
    : rapi_(rapi),
      app_folder_(std::move(app_folder)),
      options_(std::move(options)),
      progress_(progress) {}

DeviceBackupResult RestoreDeviceContacts::Run() {
  std::error_code error;
  if (!std::filesystem::is_regular_file(DeviceBackupFile(app_folder_), error)) {
    ReportDeviceBackup(kRestoreNoBackup, false);
    return DeviceBackupResult::kNoBackup;
  }
  if (device::ReadDeviceOwnerName(rapi_).empty()) {
    ReportDeviceBackup(kRestoreNoDevice, false);
    return DeviceBackupResult::kNoDevice;
  }
  ProgressScope progress(progress_, kRestoreProgress);
  const DeviceBackupResult result = SendAndRestore();
  progress.Close();
  switch (result) {
    case DeviceBackupResult::kDone:
      ReportDeviceBackup(kBackupRestored, false);
      break;
    case DeviceBackupResult::kCopyFailed:
      ReportDeviceBackup(kRestoreCopyFailed, true);
      break;
    case DeviceBackupResult::kAgentNotStarted:
      ReportDeviceBackup(kRestoreAgentNotStarted, true);
      break;
    case DeviceBackupResult::kAgentTimedOut:
      ReportDeviceBackup(kRestoreAgentTimedOut, true);
      break;
    case DeviceBackupResult::kAgentFailed:
      ReportDeviceBackup(kRestoreAgentFailed, true);
      break;
    case DeviceBackupResult::kNoDevice:  // went away while its agent ran
      ReportDeviceBackup(kRestoreNoDevice, false);
      break;
    default:
      break;
  }
  return result;
}

DeviceBackupResult RestoreDeviceContacts::SendAndRestore() {
  device::CreateDeviceDirectory(rapi_, device::kDeviceFolder);  // usually there already
  if (!device::CopyFileToDeviceInOnePiece(rapi_, DeviceBackupFile(app_folder_),
                                          DeviceFolderPath(device::kTransferFile))) {
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

}  // namespace velmora::desktop
