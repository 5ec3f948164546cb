#include "desktop/conduit_process.h"

#include <cctype>
#include <fstream>
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

bool IsProcessRunning(std::string_view name, const std::filesystem::path& proc_root) {
  const std::string_view wanted = name.substr(0, kKernelNameLength);
  std::error_code error;
  std::filesystem::directory_iterator it(proc_root, error);
  if (error) return false;
  for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
    if (!IsPidName(it->path().filename().string())) continue;
    // A process may end while the table is read; its comm file then cannot be opened.
    std::ifstream comm(it->path() / "comm");
    std::string line;
    if (comm && std::getline(comm, line) && line == wanted) return true;
  }
  return false;
}

}  // namespace velmora::desktop
