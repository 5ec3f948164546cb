#include "device/desktop_settings.h"

#include "platform/registry/registry.h"

namespace velmora::device {

using registry::Hive;

std::string ReadAppPath() {
  return registry::ReadString(Hive::kCurrentUser, kAppKey, "AppPath").value_or("");
}

bool ReadAutoSync() {
  return registry::ReadDword(Hive::kCurrentUser, kSyncOptionKey, "AutoSync") == 1u;
}

bool WriteAutoSync(bool on) {
  return registry::WriteDword(Hive::kCurrentUser, kSyncOptionKey, "AutoSync", on ? 1 : 0);
}

std::chrono::milliseconds ReadAgentTimeout() {
  const auto seconds = registry::ReadDword(Hive::kCurrentUser, kAppKey, "AgentTimeout");
  if (!seconds || *seconds == 0) return kDefaultAgentTimeout;
  return std::chrono::seconds(*seconds);
}

}  // namespace velmora::device
