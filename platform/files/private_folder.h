// Folders that hold a user's contacts or profiles (the work folders, the backups, a handheld)
// are made readable by that user only, whatever the umask. Used by the device link, the
// emulated handheld and the conduit's folder set-up. Never throws.
#pragma once

#include <filesystem>

namespace velmora::files {

// Permission bits of the private files and folders.
inline constexpr unsigned kPrivateFileMode = 0600;
inline constexpr unsigned kPrivateFolderMode = 0700;

// Creates `folder` and every missing folder above it with mode 0700; folders that exist keep
// their mode. True when `folder` is a folder afterwards.
bool CreatePrivateFolders(const std::filesystem::path& folder);

}  // namespace velmora::files
