// The rules that keep one user's profiles from contradicting each other, as every program that
// makes or changes a profile applies them: a new profile (name and run order), a renamed one,
// a new sync type or handheld user of a stored one, and deleting a profile with its table
// backups. The callers show the refusals (wizard pages, properties pane, velmora-profile); the
// texts are in profile/profile_messages.h. No widgets; reports go through the prompt seam.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "profile/profile_record.h"

namespace velmora::profile {

class ProfileStore;

// A complete new profile about to be inserted with the highest id: a name the user already
// has, or a place in the run order that contradicts another profile (a desktop-to-device
// profile of the same user and category, or a device-to-desktop one of the same target).
// `left_out` is a stored profile of that id being saved again. nullopt: it may be stored.
std::optional<std::string_view> NewProfileRefusal(ProfileStore& store, const ProfileRecord& record,
                                                  long left_out = 0);

// A stored profile moved to another handheld user (`record` carries the new user): the name
// check, then the new-profile rule, both with the pane's texts.
std::optional<std::string_view> UserChangeRefusal(ProfileStore& store, const ProfileRecord& record);

// A new name for a stored profile, as read from the name edit.
std::optional<std::string_view> RenameRefusal(ProfileStore& store, const ProfileRecord& record,
                                              std::string_view new_name);

// How a stored profile answers a new sync type.
struct SyncTypeChange {
  bool allowed = false;
  std::string message;      // the refusal; empty when allowed
  int shown_sync_type = 0;  // the type a list shows afterwards
};
// The new sync type `new_type` for the stored profile `stored` (its own sync type, user,
// category, target and query as stored).
SyncTypeChange ChangeSyncType(const ProfileRecord& stored, int new_type, ProfileStore& store);

// The table backups of a user's profile; missing files are ignored, a backup that stays is
// reported with its path through the prompt seam.
void RemoveProfileBackups(const std::filesystem::path& app_folder, std::string_view user_name,
                          std::string_view prof_name);

// Deletes the mapping rows and the profile, and only when the profile row went removes its
// table backups. True when the profile was deleted.
bool DeleteProfileAndBackups(const ProfileRecord& record, ProfileStore& store,
                             const std::filesystem::path& app_folder);

}  // namespace velmora::profile
