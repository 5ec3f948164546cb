// The exports of libpeltrix.so. Users are the subkeys of the partnership key that carry a text
// DisplayName, in subkey order; the installation folder is the installer's AppPath value.
#include "platform/peltrix/peltrix.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/registry.h"
#include "platform/text/utf.h"

namespace velmora::peltrix {
namespace {

using registry::Hive;

constexpr std::string_view kPartnersKey = "Software\\Microsoft\\Windows CE Services\\Partners";
constexpr std::string_view kAppKey = "Software\\Microsoft\\Wrenlock";
constexpr std::size_t kMaxTextBytes = PELTRIX_BUFFER_BYTES - 1;
constexpr std::size_t kMaxUsers = 0xFFFF;

std::vector<std::string> HandheldUsers() {
  std::vector<std::string> users;
  for (const std::string& partner : registry::ListSubkeys(Hive::kCurrentUser, kPartnersKey)) {
    const std::string key = std::string(kPartnersKey) + "\\" + partner;
    std::optional<std::string> name = registry::ReadString(Hive::kCurrentUser, key, "DisplayName");
    // A nameless partnership cannot own profiles: owners are matched by name.
    if (name && !name->empty()) users.push_back(std::move(*name));
    if (users.size() == kMaxUsers) break;
  }
  return users;
}

void CopyOut(std::string_view text, char* buffer) {
  const std::size_t length = text::Utf8PrefixAtBoundary(text, kMaxTextBytes);
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
}

}  // namespace
}  // namespace velmora::peltrix

extern "C" {

unsigned short GetHandheldUserCount(unsigned short* count) {
  const auto users = static_cast<unsigned short>(velmora::peltrix::HandheldUsers().size());
  if (count != nullptr) *count = users;
  return users;
}

int GetHandheldUserName(unsigned short index, char* buffer) {
  if (buffer == nullptr) return 0;
  const std::vector<std::string> users = velmora::peltrix::HandheldUsers();
  if (index >= users.size()) {
    buffer[0] = '\0';
    return 0;
  }
  velmora::peltrix::CopyOut(users[index], buffer);
  return 1;
}

int GetAppPath(char* buffer) {
  if (buffer == nullptr) return 0;
  buffer[0] = '\0';
  std::optional<std::string> path = velmora::registry::ReadString(
      velmora::registry::Hive::kCurrentUser, velmora::peltrix::kAppKey, "AppPath");
  if (!path) return 0;
  while (path->size() > 1 && path->back() == '/') path->pop_back();
  if (path->empty()) return 0;
  // A shortened path would name another folder; the callers would then work in the wrong place.
  if (path->size() > velmora::peltrix::kMaxTextBytes) {
    std::fprintf(stderr, "peltrix: AppPath is longer than %zu bytes and is not passed on\n",
                 velmora::peltrix::kMaxTextBytes);
    return 0;
  }
  velmora::peltrix::CopyOut(*path, buffer);
  return 1;
}

}  // extern "C"
