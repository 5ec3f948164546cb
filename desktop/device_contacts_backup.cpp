#include "desktop/device_contacts_backup.h"

#include "desktop/messages.h"
#include "device/desktop_settings.h"
#include "device/device_files.h"
#include "platform/prompt/prompt.h"
#include "transfer/device_backup.h"

namespace velmora::desktop {

std::filesystem::path DeviceBackupFile(const std::filesystem::path& app_folder) {
  return app_folder / (std::string(transfer::kDeviceBackupName) + ".pdb");
}

std::filesystem::path DeviceExportCopy(const std::filesystem::path& app_folder,
                                       std::string_view owner) {
  return app_folder / std::string(owner) / "Temp" / std::string(device::kExportFile);
}

std::string DeviceFolderPath(std::string_view leaf) {
  return std::string(device::kDeviceFolder) + "\\" + std::string(leaf);
}

void ReportDeviceBackup(std::string_view text, bool failure) {
  prompt::ShowMessage(text, kCaption,
                      failure ? prompt::Icon::kExclamation : prompt::Icon::kQuestion);
}

DeviceBackupOptions ProgramBackupOptions() {
  DeviceBackupOptions options;
  options.agent_timeout = device::ReadAgentTimeout();
  return options;
}

}  // namespace velmora::desktop
