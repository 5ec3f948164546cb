// Every SQL statement that the programs run on the profile database, built from fixed format
// texts. Text values are quoted here (single quotes doubled), so callers pass values as the
// user typed them. Only builds text: the profile store and the programs execute it.
#pragma once

#include <string>
#include <string_view>

#include "profile/profile_record.h"

namespace velmora::profile::sql {

// Single quotes doubled, for a value inside '…'.
std::string Quoted(std::string_view value);
// A user name as the pattern of `like … ESCAPE '!'`: quotes doubled, and %, _ and ! escaped
// so that the name matches only itself.
std::string LikeLiteral(std::string_view user_name);

// Reads of one profile.
std::string SelectTableName(long prof_id);
std::string SelectQueryForContent(long prof_id);
std::string SelectQueryForWizard(long prof_id);
std::string SelectSyncType(long prof_id);
std::string SelectConnectionType(long prof_id);
std::string SelectCategoryId(long prof_id);
std::string SelectCategoryIdAsA(long prof_id);  // the mapping page's variant
std::string SelectAllCategories();

// Profile lists and counts.
std::string SelectAllProfiles();
std::string SelectProfile(long prof_id);
std::string SelectProfilesOfUser(std::string_view user_name);
std::string SelectSyncTypeOfUser(std::string_view user_name);
std::string CountOverwritingProfilesOfUser(std::string_view user_name);
std::string CountProfiles();
std::string SelectMaxProfileId();
std::string SelectMaxCategoryId();

// Mappings.
std::string SelectMappedFieldNames(long prof_id);
std::string CountMappedFieldsForDesktop(long prof_id);  // columns longer than one character
std::string CountMappedFieldsForConduit(long prof_id);  // any non-empty column
std::string CountColumnMapped(std::string_view db_field_name, long prof_id);
std::string SelectDeviceFieldOfColumn(std::string_view db_field_name, long prof_id);
std::string SelectFieldNameOfFieldId(std::string_view field_id);
std::string SelectMappingWithTypes(long prof_id);
std::string SelectMappingForDisplay(long prof_id, bool with_data_types);
std::string SelectMappedColumnOfField(long prof_id, std::string_view field_id);

// Writes. InsertProfile writes the record as given (password already scrambled, status and
// the CSV-export rule already applied): see ProfileStore::InsertProfile.
std::string InsertProfile(const ProfileRecord& record);
std::string InsertMapping(const MappingRow& row);
std::string DeleteProfileBeforeResave(long prof_id);
std::string DeleteMappingsBeforeResave(long prof_id);
std::string DeleteMappingsOfProfile(long prof_id);
std::string DeleteProfile(long prof_id);
std::string UpdateSyncSettings(const ProfileRecord& record);  // UserType 1 and the record's status
std::string RenameProfile(long prof_id, std::string_view prof_name, int prof_status);
std::string RecordRun(long prof_id, const ProfileDateTime& local_time);
std::string MoveProfileToUser(long prof_id, std::string_view user_name);
std::string MoveProfileToUserAndPath(long prof_id, std::string_view user_name,
                                     std::string_view db_path);
std::string InsertCategory(long id, std::string_view name);
std::string UpdateCategory(long old_id, long new_id, std::string_view name);
std::string DeleteCategory(long id);

// Checks.
std::string CountNameTaken(std::string_view user_name, std::string_view prof_name);
// The two counts below with " and ProfID<>%d" added when `left_out` is positive: a profile
// saved again under its own id is no conflict of itself.
std::string CountDesktopToDeviceOfUserAndCategory(std::string_view user_name, long category_id,
                                                  long left_out = 0);
std::string CountDeviceToDesktopOfTarget(std::string_view db_path, std::string_view db_dsn,
                                         std::string_view table_name, long left_out = 0);
std::string CountLaterOverwritingDesktopToDevice(std::string_view user_name, long category_id,
                                                 long prof_id);
std::string CountEarlierDesktopToDevice(std::string_view user_name, long category_id, long prof_id);
std::string CountLaterOverwritingDeviceToDesktop(std::string_view db_path, std::string_view db_dsn,
                                                 std::string_view table_name, long prof_id);
std::string CountEarlierDeviceToDesktop(std::string_view db_path, std::string_view db_dsn,
                                        std::string_view table_name, long prof_id);

}  // namespace velmora::profile::sql
