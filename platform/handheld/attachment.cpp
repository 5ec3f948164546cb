#include "platform/handheld/attachment.h"

#include "platform/registry/registry.h"

namespace velmora::handheld {

using registry::Hive;

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
