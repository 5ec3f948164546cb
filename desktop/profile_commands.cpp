#include "desktop/profile_commands.h"

#include "desktop/messages.h"
#include "device/desktop_settings.h"
#include "platform/prompt/prompt.h"
#include "profile/profile_rules.h"
#include "profile/profile_store.h"

namespace velmora::desktop {
namespace {

bool IsBlank(std::string_view text) {
  return text.find_first_not_of(" \t") == std::string_view::npos;
}

}  // namespace

std::string DeleteQuestion(std::string_view prof_name) {
  return "Are you sure to delete \"" + std::string(prof_name) +
         "\" Profile and all it's backup data?";
}

bool DeleteProfileWithBackups(const profile::ProfileRecord& record, profile::ProfileStore& store,
                              const std::filesystem::path& app_folder) {
  const prompt::Answer answer = prompt::ShowMessage(
      DeleteQuestion(record.prof_name), kCaption, prompt::Icon::kQuestion, prompt::Buttons::kYesNo);
  if (answer != prompt::Answer::kYes) return false;
  return profile::DeleteProfileAndBackups(record, store, app_folder);
}

bool ToggleAutoSync(bool current) {
  const bool next = !current;
  device::WriteAutoSync(next);
  return next;
}

SynchronizeOutcome Synchronize(std::string_view owner_name, const std::filesystem::path& app_folder,
                               const std::function<void()>& before_start,
                               const ProgramLauncher& launch) {
  if (IsBlank(owner_name)) {
    prompt::ShowMessage(kConnectDevice, kCaption, prompt::Icon::kExclamation);
    return SynchronizeOutcome::kNoDevice;
  }
  if (before_start) before_start();
  const bool started = launch && launch(app_folder / kConduitProgram, app_folder);
  return started ? SynchronizeOutcome::kStarted : SynchronizeOutcome::kStartFailed;
}

}  // namespace velmora::desktop
