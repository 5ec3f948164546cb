// The profile store: every read, write and check that the programs make on the profile
// database (profiles, field mappings, categories), over a connection the caller owns.
// Failure convention: a read that may find nothing gives a std::optional (or an empty list);
// the reads whose callers compare with a fixed failure value (-1, an empty text, U+FFFF,
// "NONE") give that value, each named once below. Writes and checks answer true or false.
// Nothing here throws or shows a window: the message texts for the user come back through
// `error_text`.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "db/value.h"
#include "profile/profile_record.h"

namespace velmora::db {
class Connection;
class ResultSet;
}  // namespace velmora::db

namespace velmora::profile {

inline constexpr std::string_view kSaveProfileFailed = "Could not save Database Profile.";
inline constexpr std::string_view kSaveMappingFailed = "Could not save Field Mapping %s";

// The table-name read's failure value: the single character U+FFFF.
inline constexpr std::string_view kTableNameReadFailed = "\xEF\xBF\xBF";

// Read limits in characters; a longer stored text is cut.
inline constexpr int kTableNameReadLimit = 254;
inline constexpr int kContentQueryReadLimit = 499;
inline constexpr int kWizardQueryReadLimit = 999;
inline constexpr int kFieldNameReadLimit = 99;
inline constexpr int kMappedColumnReadLimit = 999;

// Why an edited profile may not keep its sync type where it stands in the run order.
enum class EditConflict {
  kNone = 0,
  kEarlierProfileExists = 1,    // an earlier profile of the same group runs before it
  kLaterOverwritingExists = 2,  // a later profile of the same group overwrites it
};

struct MappedField {  // a device field name with the desktop column that feeds it
  std::string field_name;
  std::string db_field_name;
  friend bool operator==(const MappedField&, const MappedField&) = default;
};

struct TypedMapping {  // a mapping as the device-to-desktop run reads it
  std::string db_field_name;
  std::string db_data_type;
  std::string field_name;
  friend bool operator==(const TypedMapping&, const TypedMapping&) = default;
};

class ProfileStore {
 public:
  // The connection must outlive the store; it may be disconnected, then every read gives its
  // failure value and every write fails.
  explicit ProfileStore(db::Connection& connection) : connection_(connection) {}

  // Single-value reads of one profile.
  std::string TableName(long prof_id);          // kTableNameReadFailed on failure
  std::string QueryForContent(long prof_id);    // empty on failure
  std::string QueryForWizard(long prof_id);     // empty on failure
  int SyncTypeOf(long prof_id);                 // -1 on failure
  int ConnectionTypeOf(long prof_id);           // -1 on failure
  long CategoryIdOf(long prof_id);              // 0 on failure (no category)
  long CategoryIdForMappingPage(long prof_id);  // 0 on failure
  std::string CategoryNameOf(long prof_id);     // empty for none or a deleted category

  // Lists and counts.
  std::vector<ProfileRecord> AllProfiles();
  std::optional<ProfileRecord> Profile(long prof_id);  // none when missing or on failure
  std::vector<ProfileRecord> ProfilesOfUser(std::string_view user_name);
  std::optional<int> SyncTypeOfUsersFirstProfile(std::string_view user_name);
  std::optional<long> CountOverwritingProfilesOfUser(std::string_view user_name);
  long ProfileCount();    // -1 on failure
  long NextProfileId();   // largest ProfID + 1, 1 for an empty table, -1 on failure
  long NextCategoryId();  // likewise from CategoryMaster
  std::vector<Category> Categories();

  // Mappings.
  std::vector<MappedField> MappedFieldNames(long prof_id);
  long MappedFieldCountForDesktop(long prof_id);  // -1 on failure
  // Mapping rows that name a column, also those whose device field is not in the catalogue.
  std::optional<long> MappedFieldCountForConduit(long prof_id);
  // The column name is given bare; a mapping stored bare or between double quotes matches.
  bool IsColumnMapped(std::string_view db_field_name, long prof_id);
  std::string DeviceFieldOfColumn(std::string_view db_field_name, long prof_id);  // empty: none
  std::string FieldNameOfFieldId(std::string_view field_id);                      // empty: none
  std::vector<TypedMapping> MappingWithTypes(long prof_id);
  std::string MappedColumnOfField(long prof_id, std::string_view field_id);  // "NONE": none

  // Writes. The profile is stored with its password scrambled, ProfStatus 1, and for a CSV
  // export profile a blank table name and connectionType 0; `record` itself is not changed.
  bool InsertProfile(const ProfileRecord& record, std::string* error_text);
  bool InsertMapping(const MappingRow& row, std::string* error_text);
  bool DeleteBeforeResave(long prof_id);  // mapping rows, then (if that worked) the profile
  bool DeleteProfile(long prof_id);       // mapping rows, then the profile
  bool UpdateSyncSettings(const ProfileRecord& record);
  bool RenameProfile(long prof_id, std::string_view prof_name);     // also sets ProfStatus 1
  bool RecordRun(long prof_id, const ProfileDateTime& local_time);  // also ProfStatus 0
  bool MoveProfileToUser(long prof_id, std::string_view user_name);
  bool MoveProfileToUserAndPath(long prof_id, std::string_view user_name, std::string_view db_path);
  bool InsertCategory(long id, std::string_view name);
  bool UpdateCategory(long old_id, long new_id, std::string_view name);
  bool DeleteCategory(long id);

  // Checks; true when the condition holds.
  bool IsNameTaken(std::string_view user_name, std::string_view prof_name);
  // A profile about to be inserted with the highest id; with `left_out`, the stored profile of
  // that id about to be saved again (its mapping edited) is not counted.
  bool NewProfileConflicts(const ProfileRecord& record, long left_out = 0);
  // A stored profile whose settings are being changed to those of `record`.
  EditConflict EditedProfileConflict(const ProfileRecord& record);

 private:
  bool Run(const std::string& sql);
  std::optional<db::Value> ReadSingleValue(const std::string& sql);
  std::optional<long> ReadNumber(const std::string& sql);
  std::optional<std::string> ReadText(const std::string& sql, int limit);
  std::optional<long> NextId(const std::string& sql);
  bool CountIsPositive(const std::string& sql);
  std::vector<ProfileRecord> ReadProfiles(const std::string& sql);

  db::Connection& connection_;
};

// The first `limit` characters of a stored text (UTF-16 code units, as the readers count them).
std::string CutToReadLimit(std::string text, int limit);

// The profile record in the current row of a result over DBProfile (columns in table order;
// missing columns keep their defaults).
ProfileRecord ProfileFromCurrentRow(db::ResultSet& rows);

// The table(s) a query reads, exactly as named (quotes undone, see db::TablesOfQuery), joined
// by ", " when there are several. Empty when the FROM list cannot be read for certain.
std::string TableNameFromQuery(std::string_view query);

// True when the query has no WHERE and the table name names a single table.
bool IsSingleTableWithoutWhere(std::string_view query, std::string_view table_name);

}  // namespace velmora::profile
