#include "handheld/store/attachment.h"

#include "platform/registry/registry.h"

namespace velmora::handheld {

using registry::Hive;

namespace {

// A lock file in the desktop registry's folder: programs that share a registry share the
// attachment and the partnerships.
std::filesystem::path RegistryLockFile(const char* name) {
  const std::filesystem::path folder = registry::RegistryFolder();
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  return folder / name;
}

}  // namespace

std::unique_ptr<files::FileLock> TakeConnectionTurn(std::chrono::milliseconds patience) {
  return std::make_unique<files::FileLock>(RegistryLockFile("Connection.lock"), patience);
}

std::optional<std::filesystem::path> AttachedHandheld() {
  const auto folder = registry::ReadString(Hive::kCurrentUser, kConnectionKey, kConnectionValue);
  if (!folder || folder->empty()) return std::nullopt;
  return std::filesystem::path(*folder);
}

bool AttachHandheld(const std::filesystem::path& handheld) {
  std::error_code ec;
  const auto absolute = std::filesystem::absolute(handheld, ec);
  if (ec) return false;
  return registry::WriteString(Hive::kCurrentUser, kConnectionKey, kConnectionValue,
                               absolute.lexically_normal().string());
}

bool DetachHandheld() {
  if (!AttachedHandheld()) return true;
  return registry::DeleteValue(Hive::kCurrentUser, kConnectionKey, kConnectionValue);
}

bool EnsurePartnership(const std::string& owner, bool* created) {
  if (created) *created = false;
  // Held while a partnership is looked for and added: the registry locks each write on its own,
  // so two owners connecting at once would otherwise both take the first free P<n>.
  const files::FileLock lock(RegistryLockFile("Partners.lock"));
  if (!lock.held()) return false;
  const auto partners = registry::ListSubkeys(Hive::kCurrentUser, kPartnersKey);
  for (const auto& partner : partners) {
    const auto name = registry::ReadString(
        Hive::kCurrentUser, std::string(kPartnersKey) + "\\" + partner, "DisplayName");
    if (name && *name == owner) return true;
  }
  for (int n = 1;; ++n) {
    const std::string key = std::string(kPartnersKey) + "\\P" + std::to_string(n);
    if (registry::KeyExists(Hive::kCurrentUser, key)) continue;
    if (!registry::WriteString(Hive::kCurrentUser, key, "DisplayName", owner)) return false;
    if (created) *created = true;
    return true;
  }
}

}  // namespace velmora::handheld
