#include "installer/installer_state.h"

#include <system_error>

#include "installer/desktop_folders.h"
#include "installer/install_plan.h"
#include "installer/script_ids.h"
#include "platform/registry/registry.h"

namespace velmora::installer {

std::string FindExistingInstallation(const SetupScript& script) {
  const std::string key = script.Text(ids::kRegistryKey);
  if (key.empty()) return {};
  const std::optional<std::string> app_path =
      registry::ReadString(registry::Hive::kCurrentUser, key, "AppPath");
  if (!app_path || app_path->empty()) return {};
  std::error_code ec;
  if (!std::filesystem::is_directory(*app_path, ec)) return {};
  return *app_path;
}

bool HoldsInstallation(const SetupScript& script, const std::string& folder) {
  if (folder.empty()) return false;
  for (const PlannedCopy& copy : PlannedCopies(script, false, 0)) {
    if (copy.group != FileGroup::kSampleContacts && copy.group != FileGroup::kFirstInstall)
      continue;
    if (!IsContainedName(copy.target)) continue;
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::path(folder) / copy.target, ec)) return true;
  }
  return false;
}

InstallerState StartUp(const SetupScript& script, const std::filesystem::path& source_directory) {
  InstallerState state;
  state.source_directory = source_directory;
  state.existing_folder = FindExistingInstallation(script);
  state.keep_existing = state.existing_folder.empty() ? 0 : 1;
  return state;
}

std::string InitialFolder(const InstallerState& state, const SetupScript& script) {
  if (!state.existing_folder.empty()) return state.existing_folder;
  return DefaultInstallationFolder(script.Text(ids::kProductFolder));
}

}  // namespace velmora::installer
