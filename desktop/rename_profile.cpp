#include "desktop/rename_profile.h"

#include "desktop/messages.h"
#include "platform/prompt/prompt.h"
#include "platform/text/utf.h"
#include "profile/profile_rules.h"

namespace velmora::desktop {

std::string ProfileNameFromEdit(std::string_view text) {
  // Counted in UTF-16 units, as the edit control counts characters.
  const std::u16string units = text::Utf8ToUtf16(text);
  return text::Utf16ToUtf8(std::u16string_view(units).substr(
      0, text::Utf16PrefixAtBoundary(units, kProfileNameReadLimit)));
}

RenameOutcome RenameProfile(profile::ProfileStore& store, profile::ProfileRecord& record,
                            std::string_view typed_name) {
  const std::string name = ProfileNameFromEdit(typed_name);
  if (const auto refusal = profile::RenameRefusal(store, record, name)) {
    prompt::ShowMessage(*refusal, kCaption, prompt::Icon::kExclamation);
    return RenameOutcome::kRefused;
  }
  if (!store.RenameProfile(record.prof_id, name)) return RenameOutcome::kFailed;
  record.prof_name = name;
  return RenameOutcome::kRenamed;
}

}  // namespace velmora::desktop
