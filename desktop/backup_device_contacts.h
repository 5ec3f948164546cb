// The PPC Contacts menu's Backup: the agent exports every handheld contact, the export is
// copied through the device link and written as the device backup file in the application
// folder, and the user is told how it went. A backup that fails at any step keeps the previous
// backup file as it was.
#pragma once

#include <filesystem>
#include <string_view>

#include "desktop/device_contacts_backup.h"
#include "device/rapi_library.h"

namespace velmora::desktop {

class BackupDeviceContactsFromDesktop {
 public:
  // `rapi` and `progress` must outlive this object; `progress` may be null.
  BackupDeviceContactsFromDesktop(const device::RapiLibrary& rapi, std::filesystem::path app_folder,
                                  DeviceBackupOptions options, ProgressDisplay* progress);

  // Command 32818: every device contact into the device backup file.
  DeviceBackupResult Run();

 private:
  DeviceBackupResult FetchAndWrite(std::string_view owner);

  const device::RapiLibrary& rapi_;
  std::filesystem::path app_folder_;
  DeviceBackupOptions options_;
  ProgressDisplay* progress_;
};

}  // namespace velmora::desktop
