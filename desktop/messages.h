// The desktop manager's message texts that more than one place shows, each written once, and
// the caption of every message box. Plain constants.
#pragma once

#include <string_view>

namespace velmora::desktop {

inline constexpr std::string_view kCaption = "Velmora";

inline constexpr std::string_view kNoConnection = "No valid database connection established.";
inline constexpr std::string_view kNameTaken =
    "Profile already exist with the same name for this user.";
inline constexpr std::string_view kOverwritingExists =
    "Profile already exist for this user. Please select Sync Type \"Desktop Database Adds "
    "Pocket PC Contacts\" to add another profile.";
inline constexpr std::string_view kSelectTableFirst =
    "Please select table from available tables list.";
inline constexpr std::string_view kUnableToConnectSource = "Unable to Connect to Source Database.";

}  // namespace velmora::desktop
