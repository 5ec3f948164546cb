#include "handheld/store/attachment.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/files/unique_fd.h"
#include "platform/registry/registry.h"

namespace velmora::handheld {

using registry::Hive;

namespace {

// Held while a partnership is looked for and added: the registry locks each write on its own,
// so two owners connecting at once would otherwise both take the first free P<n>.
class PartnersLock {
 public:
  PartnersLock() : fd_(OpenLockFile()) {
    while (fd_.ok() && !locked_) {
      if (::flock(fd_.get(), LOCK_EX) == 0) {
        locked_ = true;
      } else if (errno != EINTR) {
        break;
      }
    }
  }
  bool locked() const { return locked_; }

 private:
  static int OpenLockFile() {
    const std::filesystem::path folder = registry::RegistryFolder();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return ::open((folder / "Partners.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW,
                  0600);
  }

  files::UniqueFd fd_;
  bool locked_ = false;
};

}  // namespace

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
  const PartnersLock lock;
  if (!lock.locked()) return false;
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
