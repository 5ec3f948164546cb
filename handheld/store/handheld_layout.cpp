#include "handheld/store/handheld_layout.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

#include "platform/files/private_folder.h"
#include "handheld/store/contact_store.h"
#include "handheld/store/device_path.h"
#include "handheld/store/device_registry.h"
#include "handheld/store/link_state.h"

namespace velmora::handheld {
namespace {

std::string Now() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

std::optional<std::filesystem::path> HostPath(const std::filesystem::path& handheld,
                                              const char* device_path) {
  const auto resolved = ResolveDevicePath(FilesRoot(handheld), device_path, nullptr);
  if (!resolved) return std::nullopt;
  return resolved->host;
}

}  // namespace

std::filesystem::path FilesRoot(const std::filesystem::path& handheld) {
  return handheld / "files";
}
std::filesystem::path RegistryFile(const std::filesystem::path& handheld) {
  return handheld / "registry.db";
}
std::filesystem::path ContactsFile(const std::filesystem::path& handheld) {
  return handheld / "contacts.db";
}
std::filesystem::path LinkFile(const std::filesystem::path& handheld) {
  return handheld / "link.db";
}

bool IsHandheld(const std::filesystem::path& handheld) {
  std::error_code ec;
  return std::filesystem::is_directory(FilesRoot(handheld), ec) &&
         std::filesystem::is_regular_file(RegistryFile(handheld), ec);
}

bool CreateHandheld(const std::filesystem::path& handheld, const std::string& owner,
                    const std::optional<std::filesystem::path>& agent_program, std::string* error) {
  auto fail = [error](std::string why) {
    if (error) *error = std::move(why);
    return false;
  };
  std::error_code ec;
  if (IsHandheld(handheld)) return fail("a handheld already exists in " + handheld.string());
  const auto files = FilesRoot(handheld);
  if (!files::CreatePrivateFolders(files / "My Documents" / "Contact") ||
      !files::CreatePrivateFolders(files / "Windows")) {
    return fail("cannot create " + files.string() + ": " + std::strerror(errno));
  }

  auto registry = DeviceRegistry::Open(handheld, true);
  if (!registry || !registry->WriteString(DeviceRoot::kLocalMachine, "Ident", "Name", owner) ||
      !registry->WriteDword(DeviceRoot::kClassesRoot, "Software\\Microsoft\\ZOVAziz", "SyncFlag",
                            0) ||
      !registry->WriteDword(DeviceRoot::kClassesRoot, "Software\\Microsoft\\ZOVAziz", "Flag", 0)) {
    return fail("cannot write the device registry " + RegistryFile(handheld).string());
  }
  if (!ContactStore::Open(handheld, true)) {
    return fail("cannot create the contacts store " + ContactsFile(handheld).string());
  }
  if (!LinkState::Open(handheld, true)) {
    return fail("cannot create the link state " + LinkFile(handheld).string());
  }
  if (agent_program) {
    std::ofstream out(files / "Windows" / "Sorrelin.exe", std::ios::trunc);
    out << std::filesystem::absolute(*agent_program, ec).string() << "\n";
    if (!out.flush()) return fail("cannot install the agent");
  }
  return true;
}

std::optional<std::filesystem::path> InstalledAgentProgram(const std::filesystem::path& handheld) {
  const auto host = HostPath(handheld, kAgentDevicePath);
  if (!host) return std::nullopt;
  std::ifstream in(*host);
  if (!in) return std::nullopt;
  std::string line;
  std::getline(in, line);
  return std::filesystem::path(line);
}

void AppendAgentLog(const std::filesystem::path& handheld, const std::string& text) {
  std::error_code ec;
  auto host = HostPath(handheld, kAgentLogDevicePath);
  if (!host) {
    files::CreatePrivateFolders(FilesRoot(handheld) / "Windows");
    host = HostPath(handheld, kAgentLogDevicePath);
  }
  if (!host) return;
  std::ofstream out(*host, std::ios::app);
  out << Now() << " " << text << "\n";
}

}  // namespace velmora::handheld
