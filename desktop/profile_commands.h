// The profile commands that the main window carries out itself: Delete Profile with its
// backups, the "Start Syncing when my device connects" option and Synchronize (owner check,
// then the conduit started without waiting). Used by CProfileView; talks to the user through
// the prompt seam and starts programs through a launcher, so tests can drive it. No Qt.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "profile/profile_record.h"
#include "profile/profile_rules.h"

namespace velmora::profile {
class ProfileStore;
}

namespace velmora::desktop {

inline constexpr std::string_view kConnectDevice =
    "Please Connect your Pocket PC to your PC and try again...";
inline constexpr std::string_view kConduitProgram = "tavrill";

// "Are you sure to delete "NAME" Profile and all it's backup data?"
std::string DeleteQuestion(std::string_view prof_name);

// Asks, deletes the mapping rows and the profile, and only when the profile row went removes
// the four table backups of the profile's user and name. True when the profile was deleted.
bool DeleteProfileWithBackups(const profile::ProfileRecord& record, profile::ProfileStore& store,
                              const std::filesystem::path& app_folder);

using profile::RemoveProfileBackups;

// The option's new value (the opposite of `current`), written to `AutoSync`; write errors are
// ignored, as the copy in the pane is what the menu shows.
bool ToggleAutoSync(bool current);

// Starts a program without waiting for it: (program path, working folder) → started.
using ProgramLauncher =
    std::function<bool(const std::filesystem::path& program, const std::filesystem::path& folder)>;

enum class SynchronizeOutcome { kNoDevice, kStarted, kStartFailed };

// Synchronize: `owner_name` is the connected device's owner ("" when none answers). Without
// one the user is told and nothing starts; otherwise `before_start` runs (the caller suspends
// the content pane and closes the linked database) and the conduit of the application folder
// is launched.
SynchronizeOutcome Synchronize(std::string_view owner_name, const std::filesystem::path& app_folder,
                               const std::function<void()>& before_start,
                               const ProgramLauncher& launch);

}  // namespace velmora::desktop
