// The PPC Contacts menu's Restore: the device backup file is copied to the handheld and the
// agent replaces the handheld's contacts with it; the user is told how it went.
#pragma once

#include <filesystem>
#include <string_view>

#include "desktop/device_contacts_backup.h"
#include "device/rapi_library.h"

namespace velmora::desktop {

class RestoreDeviceContacts {
 public:
  // `rapi` and `progress` must outlive this object; `progress` may be null.
  RestoreDeviceContacts(const device::RapiLibrary& rapi, std::filesystem::path app_folder,
                        DeviceBackupOptions options, ProgressDisplay* progress);

  // Command 32819: the device backup file back onto the handheld, replacing its contacts.
  DeviceBackupResult Run();

 private:
  DeviceBackupResult SendAndRestore();

  const device::RapiLibrary& rapi_;
  std::filesystem::path app_folder_;
  DeviceBackupOptions options_;
  ProgressDisplay* progress_;
};

}  // namespace velmora::desktop
