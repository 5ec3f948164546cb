// Whether the conduit is running: a process named "tavrill" in the process table. The profile
// pane does not load a profile meanwhile, so that the conduit has the data source to itself.
// Reads /proc only; Qt-free.
#pragma once

#include <filesystem>
#include <string_view>

namespace velmora::desktop {

inline constexpr std::string_view kConduitProcessName = "tavrill";

// True when a process of `/proc/<pid>/comm` == `name` exists under `proc_root`. The kernel
// keeps at most 15 characters of a name, so a longer `name` is compared by that prefix.
bool IsProcessRunning(std::string_view name, const std::filesystem::path& proc_root = "/proc");

inline bool IsConduitRunning() {
  return IsProcessRunning(kConduitProcessName);
}

}  // namespace velmora::desktop
