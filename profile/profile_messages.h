// The refusals that every program making or changing profiles shows for the same rule: the
// wizard, the properties pane, the rename dialog and velmora-profile. Plain constants.
#pragma once

#include <string_view>

namespace velmora::profile {

inline constexpr std::string_view kNameTaken =
    "Profile already exist with the same name for this user.";
inline constexpr std::string_view kOverwritingExists =
    "Profile already exist for this user. Please select Sync Type \"Desktop Database Adds "
    "Pocket PC Contacts\" to add another profile.";
inline constexpr std::string_view kSameTargetExists =
    "Profile with same target table already exist. Please select Sync Type \"Pocket PC "
    "Contacts Adds Desktop Database\" to add another profile.";
inline constexpr std::string_view kEnterProfileName = "Please enter profile name";

// A change of sync type of a stored profile.
inline constexpr std::string_view kEarlierOverwriting =
    "Profile for this user with SyncType \"Desktop Database Overwrites Pocket PC Contacts\" "
    "already exits. Please select Sync Type \"Desktop Database Adds Pocket PC Contacts\" for this "
    "profile.";
inline constexpr std::string_view kLaterOverwritingDevice =
    "Profile overwriting Pocket PC side contacts and which will be sync after this profile is "
    "exit. So can not change Sync Type.";
inline constexpr std::string_view kEarlierTargetOverwriting =
    "Profile overwriting same target table already exist. Please select Sync Type \"Pocket PC "
    "Contacts Adds Desktop Database\" for this profile.";
inline constexpr std::string_view kLaterOverwritingTable =
    "Profile overwriting same target table and which will be sync after this profile is exist. "
    "So can not change Sync Type.";
inline constexpr std::string_view kCannotChange = "Can not change Sync Type";
inline constexpr std::string_view kQueryNotAllowed =
    "Query content either where clause or more than one tables, it will not allowe in case of "
    "Device to Desktop.";
inline constexpr std::string_view kExcelBackSync = "For MS Excel Back Syncing is not allowed.";

// The field mapping.
inline constexpr std::string_view kNoFieldMapped = "Select atleast one field to create profile";
inline constexpr std::string_view kBirthdayNotDate =
    "Not a valid field mapping for Birth date field";
inline constexpr std::string_view kAnniversaryNotDate =
    "Not a valid field mapping for Anniversary field";

}  // namespace velmora::profile
