#include "desktop/sync_page_rules.h"

#include <cstdio>

#include "desktop/messages.h"
#include "desktop/wizard_data.h"
#include "profile/profile_ids.h"
#include "profile/profile_store.h"
#include "profile/sync_settings.h"

namespace velmora::desktop {
namespace {

constexpr std::string_view kNoUser =
    "There is no any Pocket PC user on your machine, Please create a partnership to create a "
    "user and then run this application.";

std::string Number(long value) {
  return std::to_string(value);
}

std::string DateTimeText(const profile::ProfileDateTime& t) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%d/%d/%d %d:%02d:%02d", t.month, t.day, t.year, t.hour,
                t.minute, t.second);
  return buffer;
}

}  // namespace

std::optional<std::string_view> SyncTypePageNext(bool category_ticked,
                                                 const std::vector<std::string>& list_entries,
                                                 std::optional<int> selected,
                                                 const std::vector<profile::Category>& categories,
                                                 WizardData& data) {
  if (!category_ticked) {
    data.category_chosen = false;
    data.category_id = 0;
    data.record.category_id = 0;
    return std::nullopt;
  }
  const bool only_edit_entry = list_entries.size() <= 1;
  // The "Edit Categories..." entry itself names no category: it limits to none (ID 0).
  const bool valid_selection =
      selected && *selected >= 0 && static_cast<std::size_t>(*selected) < list_entries.size();
  if (only_edit_entry || !valid_selection) return kSelectValidCategory;
  const std::string& name = list_entries[static_cast<std::size_t>(*selected)];
  long id = 0;
  for (const profile::Category& category : categories) {
    if (category.name == name) {
      id = category.id;
      break;
    }
  }
  data.category_chosen = true;
  data.category_id = id;
  data.record.category_id = id;
  return std::nullopt;
}

ScheduleControls ScheduleControlsFor(int sync_on, bool in_pane, ScheduleControls current) {
  switch (sync_on) {
    case profile::kEveryTime:
      return {false, false, false};
    case profile::kOnceEveryDay:
      return {false, false, true};
    case profile::kOnceWeekly:
      return {false, true, true};
    case profile::kOnceMonthly:
      return {true, false, true};
    case profile::kOnlyOnce:
      return in_pane ? ScheduleControls{false, false, false} : current;
    default:
      return current;
  }
}

void SetDataSource(const DataSourceChoice& choice, std::string_view user, std::string_view password,
                   WizardData& data) {
  data.record.db_type = choice.db_type;
  data.record.db_dsn = choice.db_dsn;
  data.record.db_path = choice.db_path;
  data.record.db_user = std::string(user);
  data.record.db_password = std::string(password);
  data.data_source_chosen = true;
}

void FillRecordFromPage(const PropertyPageValues& page, long prof_id, WizardData& data) {
  profile::ProfileRecord& r = data.record;
  r.prof_id = prof_id;
  r.prof_name = page.prof_name;
  const bool has_user =
      page.user_index >= 0 && static_cast<std::size_t>(page.user_index) < page.users.size();
  r.user_name = has_user ? page.users[static_cast<std::size_t>(page.user_index)] : "";
  r.sync_on = page.sync_on;
  r.day = page.date_index + 1;
  r.week_day = page.day_index;
  r.sync_time = page.time;
  r.user_type = profile::kUserType;
  r.category_id = data.category_id;
}

std::vector<std::string_view> PropertyPageNext(const PropertyPageValues& page,
                                               bool linked_connected, profile::ProfileStore& store,
                                               WizardData& data) {
  std::vector<std::string_view> messages;
  data.record.connection_type = data.connection_type;
  if (page.users.empty()) messages.push_back(kNoUser);
  if (messages.empty() && !(linked_connected && data.data_source_chosen)) {
    messages.push_back(kNoConnection);
  }
  FillRecordFromPage(page, store.NextProfileId(), data);
  if (messages.empty() && store.IsNameTaken(data.record.user_name, data.record.prof_name)) {
    messages.push_back(kNameTaken);
  }
  // This check runs whatever the earlier ones found.
  if (profile::IsDesktopToDevice(data.record.sync_type) && store.NewProfileConflicts(data.record)) {
    messages.push_back(kOverwritingExists);
  }
  return messages;
}

void LogProfileValues(const profile::ProfileRecord& r, bool with_status,
                      const DesktopErrorLog& log) {
  const std::pair<const char*, std::string> lines[] = {
      {"Profile ID: ", Number(r.prof_id)},
      {"Profile Name: ", r.prof_name},
      {"DSN Name: ", r.db_dsn},
      {"Database User Name: ", r.db_user},
      {"Database Password: ", r.db_password},
      {"Database Path: ", r.db_path},
      {"Database Type: ", Number(r.db_type)},
      {"User Type: ", Number(r.user_type)},
      {"User Name: ", r.user_name},
      {"Query: ", r.query},
      {"Weekday: ", Number(r.week_day)},
      {"SyncTime: ", Number(r.sync_time.hour) + " " + Number(r.sync_time.minute)},
      {"Day: ", Number(r.day)},
  };
  for (const auto& [label, value] : lines) log.AppendTabbed(label + value);
  if (with_status) {
    log.AppendTabbed("Profile Status: " + Number(r.prof_status));
    log.AppendTabbed("Last Sync Time: " + DateTimeText(r.last_sync_date_time));
  }
}

FinishResult PropertyPageFinish(const PropertyPageValues& page, profile::ProfileStore& store,
                                const DesktopErrorLog& log, WizardData& data) {
  FinishResult result;
  if (page.prof_name.empty()) {
    result.messages.emplace_back(profile::kEnterProfileName);
    return result;
  }
  profile::ProfileRecord& r = data.record;
  r.query = r.db_path = r.db_password = r.db_user = r.db_dsn = " ";
  r.db_type = profile::kNoDatabase;
  FillRecordFromPage(page, store.NextProfileId(), data);
  log.AppendSection("PROFILE DATABASE FIELDS CONTENTS:");
  LogProfileValues(r, false, log);
  log.AppendSection("Saving Profile Database...");
  if (store.IsNameTaken(r.user_name, r.prof_name)) {
    result.messages.emplace_back(kNameTaken);
    return result;
  }
  if (store.NewProfileConflicts(r)) {
    result.messages.emplace_back(kOverwritingExists);
    return result;
  }
  std::string error;
  if (profile::InsertNewProfile(store, r, &error)) {
    result.messages.emplace_back(
        "Database Synchronization profile created successfully.\r\nOn next Sync Pocket PC "
        "Contacts data will be available in ContactDatabase.csv file at application install "
        "path.");
    log.AppendTabbed("Profile Save Successfully");
    result.saved = true;
  } else {
    result.messages.push_back(error);
    log.AppendTabbed("Problem in saving Profile Database");
  }
  log.AppendTabbed(LogSeparator());
  result.finished = true;
  return result;
}

}  // namespace velmora::desktop
