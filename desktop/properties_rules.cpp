#include "desktop/properties_rules.h"

#include "desktop/messages.h"
#include "platform/prompt/prompt.h"
#include "profile/profile_store.h"
#include "profile/sync_settings.h"

namespace velmora::desktop {
namespace {

constexpr std::string_view kEarlierOverwriting =
    "Profile for this user with SyncType \"Desktop Database Overwrites Pocket PC Contacts\" "
    "already exits. Please select Sync Type \"Desktop Database Adds Pocket PC Contacts\" for this "
    "profile.";
constexpr std::string_view kLaterOverwritingDevice =
    "Profile overwriting Pocket PC side contacts and which will be sync after this profile is "
    "exit. So can not change Sync Type.";
constexpr std::string_view kEarlierTargetOverwriting =
    "Profile overwriting same target table already exist. Please select Sync Type \"Pocket PC "
    "Contacts Adds Desktop Database\" for this profile.";
constexpr std::string_view kLaterOverwritingTable =
    "Profile overwriting same target table and which will be sync after this profile is exist. "
    "So can not change Sync Type.";
constexpr std::string_view kCannotChange = "Can not change Sync Type";
constexpr std::string_view kQueryNotAllowed =
    "Query content either where clause or more than one tables, it will not allowe in case of "
    "Device to Desktop.";
constexpr std::string_view kExcelBackSync = "For MS Excel Back Syncing is not allowed.";
constexpr std::string_view kChangeUserQuestion = "Are you sure to change Handheld User?";

SyncTypeChange Refused(std::string_view message, int shown) {
  return {false, std::string(message), shown};
}

void ShowRefusal(std::string_view message) {
  prompt::ShowMessage(message, kCaption, prompt::Icon::kExclamation);
}

}  // namespace

SyncTypeChange ChangeSyncType(const profile::ProfileRecord& stored, int new_type,
                              profile::ProfileStore& store) {
  profile::ProfileRecord candidate = stored;
  candidate.sync_type = new_type;
  const int kept = stored.sync_type;
  if (profile::IsDesktopToDevice(new_type)) {
    switch (store.EditedProfileConflict(candidate)) {
      case profile::EditConflict::kEarlierProfileExists:
        return Refused(kEarlierOverwriting, profile::kDesktopAddsDevice);
      case profile::EditConflict::kLaterOverwritingExists:
        return Refused(kLaterOverwritingDevice, kept);
      case profile::EditConflict::kNone:
        return {true, "", new_type};
    }
  }
  if (profile::IsDeviceToDesktop(new_type)) {
    switch (store.EditedProfileConflict(candidate)) {
      case profile::EditConflict::kEarlierProfileExists:
        return Refused(kEarlierTargetOverwriting, profile::kDeviceAddsDesktop);
      case profile::EditConflict::kLaterOverwritingExists:
        return Refused(kLaterOverwritingTable, kept);
      case profile::EditConflict::kNone:
        break;
    }
    if (!profile::IsSingleTableWithoutWhere(stored.query, stored.table_name)) {
      return Refused(kQueryNotAllowed, profile::kDesktopAddsDevice);
    }
    if (stored.connection_type == profile::kExcelKind ||
        stored.connection_type == profile::kTextKind) {
      return Refused(kExcelBackSync, profile::kDesktopAddsDevice);
    }
    return {true, "", new_type};
  }
  return Refused(kCannotChange, kept);
}

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
  if (store.IsNameTaken(record.user_name, record.prof_name)) {
    ShowRefusal(kNameTaken);
    record = old_record;
    return false;
  }
  if (store.NewProfileConflicts(record)) {
    ShowRefusal(kOverwritingExists);
    record = old_record;
    return false;
  }
  PaneValues stored_values = values;
  stored_values.user_name = record.user_name;
  return StoreSettings(stored_values, record, store);
}

}  // namespace velmora::desktop
