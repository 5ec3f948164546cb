// Device paths of an emulated handheld mapped onto its `files/` folder. A device path uses "\"
// (or "/") between names, compares names without regard to ASCII case as the device does, and
// never leaves the file system: "." and ".." names, empty paths, and characters a device name
// cannot hold are refused, and so is a path through a symbolic link, which could lead out of
// the handheld's folder (openers add O_NOFOLLOW for a link put in place later). Used by the RAPI
// library stand-in and the agent. Pure but for directory listings; never throws.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

namespace velmora::handheld {

struct ResolvedPath {
  std::filesystem::path host;  // where the name lives or would live
  bool exists = false;
};

// The host path of `device_path` (UTF-8) below `files_root`. Each existing name is matched
// without regard to case; a name that matches nothing keeps its spelling. A missing folder on
// the way gives `error` 3 (path not found); a malformed path gives 123 (invalid name); a
// symbolic link on the way or at the end gives 5 (access denied).
std::optional<ResolvedPath> ResolveDevicePath(const std::filesystem::path& files_root,
                                              std::string_view device_path, std::uint32_t* error);

}  // namespace velmora::handheld
