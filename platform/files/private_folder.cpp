#include "platform/files/private_folder.h"

#include <sys/stat.h>

#include <cerrno>

namespace velmora::files {

bool CreatePrivateFolders(const std::filesystem::path& folder) {
  std::error_code ec;
  if (std::filesystem::is_directory(folder, ec)) return true;
  const std::filesystem::path parent = folder.parent_path();
  if (!parent.empty() && parent != folder && !CreatePrivateFolders(parent)) return false;
  // mkdir applies the umask, which can only take bits away; chmod sets exactly 0700.
  if (::mkdir(folder.c_str(), kPrivateFolderMode) != 0) {
    return errno == EEXIST && std::filesystem::is_directory(folder, ec);
  }
  ::chmod(folder.c_str(), kPrivateFolderMode);
  return true;
}

}  // namespace velmora::files
