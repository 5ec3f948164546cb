#include "profile/profile_rules.h"

#include <system_error>

#include "platform/prompt/prompt.h"
#include "profile/backup_files.h"
#include "profile/profile_messages.h"
#include "profile/profile_store.h"
#include "profile/sync_settings.h"

namespace velmora::profile {
namespace {

constexpr std::string_view kCaption = "Velmora";

SyncTypeChange Refused(std::string_view message, int shown) {
  return {false, std::string(message), shown};
}

}  // namespace

std::optional<std::string_view> NewProfileRefusal(ProfileStore& store, const ProfileRecord& record,
                                                  long left_out) {
  if (record.prof_name.empty()) return kEnterProfileName;
  if (store.IsNameTaken(record.user_name, record.prof_name)) return kNameTaken;
  if (!store.NewProfileConflicts(record, left_out)) return std::nullopt;
  return IsDeviceToDesktop(record.sync_type) ? kSameTargetExists : kOverwritingExists;
}

std::optional<std::string_view> UserChangeRefusal(ProfileStore& store,
                                                  const ProfileRecord& record) {
  if (store.IsNameTaken(record.user_name, record.prof_name)) return kNameTaken;
  if (store.NewProfileConflicts(record)) return kOverwritingExists;
  return std::nullopt;
}

std::optional<std::string_view> RenameRefusal(ProfileStore& store, const ProfileRecord& record,
                                              std::string_view new_name) {
  if (new_name.empty()) return kEnterProfileName;
  // The profile's own current name counts as taken, as the rename dialog has it.
  if (store.IsNameTaken(record.user_name, new_name)) return kNameTaken;
  return std::nullopt;
}

SyncTypeChange ChangeSyncType(const ProfileRecord& stored, int new_type, ProfileStore& store) {
  ProfileRecord candidate = stored;
  candidate.sync_type = new_type;
  const int kept = stored.sync_type;
  if (IsDesktopToDevice(new_type)) {
    switch (store.EditedProfileConflict(candidate)) {
      case EditConflict::kEarlierProfileExists:
        return Refused(kEarlierOverwriting, kDesktopAddsDevice);
      case EditConflict::kLaterOverwritingExists:
        return Refused(kLaterOverwritingDevice, kept);
      case EditConflict::kNone:
        return {true, "", new_type};
    }
  }
  if (IsDeviceToDesktop(new_type)) {
    switch (store.EditedProfileConflict(candidate)) {
      case EditConflict::kEarlierProfileExists:
        return Refused(kEarlierTargetOverwriting, kDeviceAddsDesktop);
      case EditConflict::kLaterOverwritingExists:
        return Refused(kLaterOverwritingTable, kept);
      case EditConflict::kNone:
        break;
    }
    if (!IsSingleTableWithoutWhere(stored.query, stored.table_name)) {
      return Refused(kQueryNotAllowed, kDesktopAddsDevice);
    }
    if (stored.connection_type == kExcelKind || stored.connection_type == kTextKind) {
      return Refused(kExcelBackSync, kDesktopAddsDevice);
    }
    return {true, "", new_type};
  }
  return Refused(kCannotChange, kept);
}

void RemoveProfileBackups(const std::filesystem::path& app_folder, std::string_view user_name,
                          std::string_view prof_name) {
  for (int generation = 1; generation <= kTableBackupGenerations; ++generation) {
    const std::filesystem::path file =
        TableBackupFile(app_folder, user_name, prof_name, generation);
    std::error_code error;
    std::filesystem::remove(file, error);
    if (error) {
      prompt::ShowMessage(
          "The backup " + file.string() + " could not be deleted: " + error.message(), kCaption,
          prompt::Icon::kExclamation);
    }
  }
}

bool DeleteProfileAndBackups(const ProfileRecord& record, ProfileStore& store,
                             const std::filesystem::path& app_folder) {
  if (!store.DeleteProfile(record.prof_id)) return false;
  // Without an application folder there are no backups to find (never a relative path).
  if (!app_folder.empty()) RemoveProfileBackups(app_folder, record.user_name, record.prof_name);
  return true;
}

}  // namespace velmora::profile
