// Whether the conduit is running: a process named "tavrill" in the process table that works on
// this user's registry folder (the conduit's own single-instance scope). The profile pane does
// not load a profile meanwhile, so that the conduit has the data source to itself.
// Reads /proc only; Qt-free.
#pragma once

#include <filesystem>
#include <functional>
#include <string_view>

namespace velmora::desktop {

inline constexpr std::string_view kConduitProcessName = "tavrill";

// True when a process of `/proc/<pid>/comm` == `name` exists under `proc_root` for which
// `accept(<pid folder>)` holds (every one when `accept` is empty). The kernel keeps at most 15
// characters of a name, so a longer `name` is compared by that prefix.
bool IsProcessRunning(std::string_view name, const std::filesystem::path& proc_root = "/proc",
                      const std::function<bool(const std::filesystem::path&)>& accept = {});

// The registry folder a process of the process table works on, from its environment; empty
// when the environment cannot be read (a process of another user).
std::filesystem::path RegistryFolderOfProcess(const std::filesystem::path& pid_folder);

// A conduit on our registry folder; one started for another user or another registry folder
// (another installation, a test) does not hold the data source of ours.
bool IsConduitRunning();

}  // namespace velmora::desktop
