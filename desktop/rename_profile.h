// The rules of the "Edit Profile" dialog that renames a profile: the name limits, the refusal
// of a name the handheld user already has (the profile's own current name included) and the
// stored rename. Used by RenameProfileDialog and the tests; Qt-free. Refusals are shown
// through the prompt seam.
#pragma once

#include <string>
#include <string_view>

#include "profile/profile_messages.h"
#include "profile/profile_record.h"
#include "profile/profile_store.h"

namespace velmora::desktop {

inline constexpr std::string_view kEnterProfileName = profile::kEnterProfileName;
inline constexpr int kProfileNameEditLimit = 31;  // characters the edit takes
inline constexpr int kProfileNameReadLimit = 50;  // characters read from it

enum class RenameOutcome { kRenamed, kRefused, kFailed };

// The name as read from the edit: at most kProfileNameReadLimit characters.
std::string ProfileNameFromEdit(std::string_view text);

// The "Change" button. On success the record gets the name as typed; on a refusal (a message
// was shown) or a failed update (no message) the dialog stays open.
RenameOutcome RenameProfile(profile::ProfileStore& store, profile::ProfileRecord& record,
                            std::string_view typed_name);

}  // namespace velmora::desktop
