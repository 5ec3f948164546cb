#include "desktop/properties_rules.h"

#include "desktop/messages.h"
#include "platform/prompt/prompt.h"
#include "profile/profile_store.h"
#include "profile/sync_settings.h"

namespace velmora::desktop {
namespace {

constexpr std::string_view kChangeUserQuestion = "Are you sure to change Handheld User?";

void ShowRefusal(std::string_view message) {
  prompt::ShowMessage(message, kCaption, prompt::Icon::kExclamation);
}

}  // namespace

bool StoreSettings(const PaneValues& values, profile::ProfileRecord& record,
                   profile::ProfileStore& store) {
  if (record.sync_type != profile::kExportCsv) record.sync_type = values.sync_type_index;
  record.sync_on = values.sync_on;
  record.day = values.date_index + 1;
  record.week_day = values.day_index;
  record.user_name = values.user_name;
  record.sync_time.hour = values.hour;
  record.sync_time.minute = values.minute;
  record.sync_time.second = values.second;
  record.user_type = profile::kUserType;
  record.prof_status = profile::StatusAfterEdit(record.prof_status);
  return store.UpdateSyncSettings(record);
}

bool ChangeHandheldUser(std::string_view new_user, const PaneValues& values,
                        profile::ProfileRecord& record, profile::ProfileStore& store) {
  if (!prompt::AskOkCancel(kChangeUserQuestion, kCaption)) return false;
  const profile::ProfileRecord old_record = record;
  record.prof_status = profile::kStatusNew;
  record.user_name = std::string(new_user);
  if (const auto refusal = profile::UserChangeRefusal(store, record)) {
    ShowRefusal(*refusal);
    record = old_record;
    return false;
  }
  PaneValues stored_values = values;
  stored_values.user_name = record.user_name;
  return StoreSettings(stored_values, record, store);
}

}  // namespace velmora::desktop
