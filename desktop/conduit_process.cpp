#include "desktop/conduit_process.h"

#include "platform/registry/registry.h"

#include <cctype>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <system_error>

namespace velmora::desktop {
namespace {

constexpr std::size_t kKernelNameLength = 15;

bool IsPidName(const std::string& leaf) {
  if (leaf.empty()) return false;
  for (const char c : leaf) {
    if (std::isdigit(static_cast<unsigned char>(c)) == 0) return false;
  }
  return true;
}

}  // namespace

bool IsProcessRunning(std::string_view name, const std::filesystem::path& proc_root,
                      const std::function<bool(const std::filesystem::path&)>& accept) {
  const std::string_view wanted = name.substr(0, kKernelNameLength);
  std::error_code error;
  std::filesystem::directory_iterator it(proc_root, error);
  if (error) return false;
  for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
    if (!IsPidName(it->path().filename().string())) continue;
    // A process may end while the table is read; its comm file then cannot be opened.
    std::ifstream comm(it->path() / "comm");
    std::string line;
    if (!comm || !std::getline(comm, line) || line != wanted) continue;
    if (!accept || accept(it->path())) return true;
  }
  return false;
}

std::filesystem::path RegistryFolderOfProcess(const std::filesystem::path& pid_folder) {
  std::ifstream file(pid_folder / "environ", std::ios::binary);
  if (!file) return {};
  const std::string block((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (block.empty()) return {};
  std::map<std::string, std::string, std::less<>> variables;
  for (std::size_t start = 0; start < block.size();) {
    std::size_t end = block.find('\0', start);
    if (end == std::string::npos) end = block.size();
    const std::string_view entry(block.data() + start, end - start);
    if (const std::size_t equals = entry.find('='); equals != std::string_view::npos) {
      variables.emplace(entry.substr(0, equals), entry.substr(equals + 1));
    }
    start = end + 1;
  }
  return registry::RegistryFolderOf([&variables](const char* name) -> const char* {
    const auto found = variables.find(std::string_view(name));
    return found == variables.end() ? nullptr : found->second.c_str();
  });
}

bool IsConduitRunning() {
  const std::filesystem::path ours = registry::RegistryFolder();
  return IsProcessRunning(kConduitProcessName, "/proc", [&ours](const std::filesystem::path& pid) {
    const std::filesystem::path theirs = RegistryFolderOfProcess(pid);
    if (theirs.empty()) return false;
    std::error_code error;
    return theirs == ours || std::filesystem::equivalent(theirs, ours, error);
  });
}

}  // namespace velmora::desktop
