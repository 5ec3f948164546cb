// The desktop manager's message texts that more than one place shows, each written once, and
// the caption of every message box. Plain constants.
#pragma once

#include <string_view>

#include "profile/profile_messages.h"

namespace velmora::desktop {

inline constexpr std::string_view kCaption = "Velmora";

inline constexpr std::string_view kNoConnection = "No valid database connection established.";
inline constexpr std::string_view kNameTaken = profile::kNameTaken;
inline constexpr std::string_view kOverwritingExists = profile::kOverwritingExists;
inline constexpr std::string_view kSelectTableFirst =
    "Please select table from available tables list.";
inline constexpr std::string_view kUnableToConnectSource = "Unable to Connect to Source Database.";

}  // namespace velmora::desktop
