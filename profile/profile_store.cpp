#include "profile/profile_store.h"

#include <cctype>
#include <charconv>
#include <cmath>

#include "db/connection.h"
#include "db/odbc_result_set.h"
#include "db/query_tables.h"
#include "db/sql_literal.h"
#include "db/statements.h"
#include "platform/text/utf.h"
#include "profile/field_catalogue.h"
#include "profile/password.h"
#include "profile/statements.h"
#include "profile/sync_settings.h"

namespace velmora::profile {
namespace {

// Column positions of DBProfile.
enum Column {
  kProfId,
  kProfName,
  kDbPath,
  kDbType,
  kDbDsn,
  kDbUser,
  kDbPassword,
  kSyncType,
  kUserTypeCol,
  kUserName,
  kSyncOnCol,
  kDay,
  kWeekDay,
  kSyncTime,
  kLastSyncDateTime,
  kProfStatusCol,
  kQuery,
  kTableName,
  kConnectionType,
  kCategoryId,
  kProfileColumns
};

std::optional<long> AsLong(const db::Value& value) {
  if (const auto* i = std::get_if<std::int64_t>(&value)) return static_cast<long>(*i);
  if (const auto* d = std::get_if<double>(&value)) return static_cast<long>(std::trunc(*d));
  if (const auto* s = std::get_if<std::string>(&value)) {
    std::string_view text = *s;
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    long number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error == std::errc() && end != text.data()) return number;
  }
  return std::nullopt;
}

std::string AsText(const db::Value& value) {
  if (const auto* s = std::get_if<std::string>(&value)) return *s;
  if (const auto number = AsLong(value)) return std::to_string(*number);
  return {};
}

// SyncTime and LastSyncDateTime are kept as text ("9:5", "2024-03-01 10:00:00"); a driver that
// reports a date/time column hands over a timestamp or a time instead.
ProfileDateTime AsDateTime(const db::Value& value) {
  if (const auto* t = std::get_if<db::Timestamp>(&value)) {
    return {t->year, t->month, t->day, t->hour, t->minute, t->second};
  }
  if (const auto* t = std::get_if<db::Time>(&value)) {
    return TimeOfDayOnDayZero(t->hour, t->minute, t->second);
  }
  if (const auto* s = std::get_if<std::string>(&value)) {
    if (const auto parsed = ParseStoredDateTime(*s)) return *parsed;
  }
  return TimeOfDayOnDayZero(0, 0);
}

}  // namespace

std::string CutToReadLimit(std::string text, int limit) {
  const std::u16string wide = text::Utf8ToUtf16(text);
  const std::size_t keep = text::Utf16PrefixAtBoundary(wide, static_cast<std::size_t>(limit));
  if (keep == wide.size()) return text;
  return text::Utf16ToUtf8(std::u16string_view(wide).substr(0, keep));
}

ProfileRecord ProfileFromCurrentRow(db::ResultSet& rows) {
  ProfileRecord r;
  const int columns = std::min<int>(rows.ColumnCount(), kProfileColumns);
  auto number = [&](int column, long fallback) {
    return column < columns ? AsLong(rows.GetValue(column)).value_or(fallback) : fallback;
  };
  auto text = [&](int column) { return column < columns ? AsText(rows.GetValue(column)) : ""; };
  r.prof_id = number(kProfId, 0);
  r.prof_name = text(kProfName);
  r.db_path = text(kDbPath);
  r.db_type = static_cast<int>(number(kDbType, 0));
  r.db_dsn = text(kDbDsn);
  r.db_user = text(kDbUser);
  r.db_password = text(kDbPassword);
  r.sync_type = static_cast<int>(number(kSyncType, 0));
  r.user_type = static_cast<int>(number(kUserTypeCol, kUserType));
  r.user_name = text(kUserName);
  r.sync_on = static_cast<int>(number(kSyncOnCol, 0));
  r.day = static_cast<int>(number(kDay, 0));
  r.week_day = static_cast<int>(number(kWeekDay, 0));
  if (kSyncTime < columns) r.sync_time = AsDateTime(rows.GetValue(kSyncTime));
  if (kLastSyncDateTime < columns) {
    r.last_sync_date_time = AsDateTime(rows.GetValue(kLastSyncDateTime));
  }
  r.prof_status = static_cast<int>(number(kProfStatusCol, 0));
  r.query = text(kQuery);
  r.table_name = text(kTableName);
  r.connection_type = static_cast<int>(number(kConnectionType, 0));
  r.category_id = number(kCategoryId, 0);
  return r;
}

std::string TableNameFromQuery(std::string_view query) {
  const std::optional<std::vector<std::string>> tables = db::TablesOfQuery(query);
  if (!tables) return {};
  std::string joined;
  for (const std::string& table : *tables) {
    if (!joined.empty()) joined += ", ";
    joined += table;
  }
  return joined;
}

bool IsSingleTableWithoutWhere(std::string_view query, std::string_view table_name) {
  return text::AsciiUpper(query).find("WHERE") == std::string::npos &&
         table_name.find(',') == std::string_view::npos;
}

bool ProfileStore::Run(const std::string& statement) {
  if (!connection_.IsConnected()) return false;
  return db::RunStatement(connection_, statement);
}

// One attempt, and on failure one more on a fresh statement.
std::optional<db::Value> ProfileStore::ReadSingleValue(const std::string& statement) {
  if (!connection_.IsConnected()) return std::nullopt;
  for (int attempt = 0; attempt < 2; ++attempt) {
    db::OdbcResultSet rows;
    if (!rows.Open(connection_, statement)) continue;
    if (!rows.MoveToRow(0)) return std::nullopt;
    db::Value value = rows.GetValue(0);
    if (db::IsNull(value)) return std::nullopt;
    return value;
  }
  return std::nullopt;
}

std::optional<long> ProfileStore::ReadNumber(const std::string& statement) {
  const std::optional<db::Value> value = ReadSingleValue(statement);
  if (!value) return std::nullopt;
  return AsLong(*value);
}

std::optional<std::string> ProfileStore::ReadText(const std::string& statement, int limit) {
  const std::optional<db::Value> value = ReadSingleValue(statement);
  if (!value) return std::nullopt;
  return CutToReadLimit(AsText(*value), limit);
}

bool ProfileStore::CountIsPositive(const std::string& statement) {
  return ReadNumber(statement).value_or(0) > 0;
}

std::optional<long> ProfileStore::NextId(const std::string& statement) {
  if (!connection_.IsConnected()) return std::nullopt;
  for (int attempt = 0; attempt < 2; ++attempt) {
    db::OdbcResultSet rows;
    if (!rows.Open(connection_, statement)) continue;
    if (!rows.MoveToRow(0)) return std::nullopt;
    const db::Value value = rows.GetValue(0);
    if (db::IsNull(value)) return 1;  // an empty table has no maximum
    const std::optional<long> largest = AsLong(value);
    if (!largest) return std::nullopt;
    return *largest + 1;
  }
  return std::nullopt;
}

std::vector<ProfileRecord> ProfileStore::ReadProfiles(const std::string& statement) {
  std::vector<ProfileRecord> profiles;
  if (!connection_.IsConnected()) return profiles;
  db::OdbcResultSet rows;
  if (!rows.Open(connection_, statement)) return profiles;
  for (long row = 0; row < rows.RowCount() && rows.MoveToRow(row); ++row) {
    profiles.push_back(ProfileFromCurrentRow(rows));
  }
  return profiles;
}

// Like every single-value read it gives an empty text when the database is not connected.
std::string ProfileStore::TableName(long prof_id) {
  if (!connection_.IsConnected()) return {};
  return ReadText(sql::SelectTableName(prof_id), kTableNameReadLimit)
      .value_or(std::string(kTableNameReadFailed));
}

std::string ProfileStore::QueryForContent(long prof_id) {
  return ReadText(sql::SelectQueryForContent(prof_id), kContentQueryReadLimit).value_or("");
}

std::string ProfileStore::QueryForWizard(long prof_id) {
  return ReadText(sql::SelectQueryForWizard(prof_id), kWizardQueryReadLimit).value_or("");
}

int ProfileStore::SyncTypeOf(long prof_id) {
  return static_cast<int>(ReadNumber(sql::SelectSyncType(prof_id)).value_or(-1));
}

int ProfileStore::ConnectionTypeOf(long prof_id) {
  return static_cast<int>(ReadNumber(sql::SelectConnectionType(prof_id)).value_or(-1));
}

long ProfileStore::CategoryIdOf(long prof_id) {
  return ReadNumber(sql::SelectCategoryId(prof_id)).value_or(0);
}

long ProfileStore::CategoryIdForMappingPage(long prof_id) {
  return ReadNumber(sql::SelectCategoryIdAsA(prof_id)).value_or(0);
}

std::string ProfileStore::CategoryNameOf(long prof_id) {
  const long id = CategoryIdOf(prof_id);
  if (id <= 0) return {};
  for (const Category& category : Categories()) {
    if (category.id == id) return category.name;
  }
  return {};
}

std::vector<ProfileRecord> ProfileStore::AllProfiles() {
  return ReadProfiles(sql::SelectAllProfiles());
}

std::optional<ProfileRecord> ProfileStore::Profile(long prof_id) {
  std::vector<ProfileRecord> profiles = ReadProfiles(sql::SelectProfile(prof_id));
  if (profiles.empty()) return std::nullopt;
  return std::move(profiles.front());
}

std::vector<ProfileRecord> ProfileStore::ProfilesOfUser(std::string_view user_name) {
  return ReadProfiles(sql::SelectProfilesOfUser(user_name));
}

std::optional<int> ProfileStore::SyncTypeOfUsersFirstProfile(std::string_view user_name) {
  const std::optional<long> sync_type = ReadNumber(sql::SelectSyncTypeOfUser(user_name));
  if (!sync_type) return std::nullopt;
  return static_cast<int>(*sync_type);
}

std::optional<long> ProfileStore::CountOverwritingProfilesOfUser(std::string_view user_name) {
  return ReadNumber(sql::CountOverwritingProfilesOfUser(user_name));
}

long ProfileStore::ProfileCount() {
  return ReadNumber(sql::CountProfiles()).value_or(-1);
}
long ProfileStore::NextProfileId() {
  return NextId(sql::SelectMaxProfileId()).value_or(-1);
}
long ProfileStore::NextCategoryId() {
  return NextId(sql::SelectMaxCategoryId()).value_or(-1);
}

std::vector<Category> ProfileStore::Categories() {
  std::vector<Category> categories;
  if (!connection_.IsConnected()) return categories;
  db::OdbcResultSet rows;
  if (!rows.Open(connection_, sql::SelectAllCategories()) || rows.ColumnCount() < 2) {
    return categories;
  }
  for (long row = 0; row < rows.RowCount() && rows.MoveToRow(row); ++row) {
    categories.push_back({AsLong(rows.GetValue(0)).value_or(0),
                          CutToReadLimit(AsText(rows.GetValue(1)), kFieldNameReadLimit)});
  }
  return categories;
}

std::vector<MappedField> ProfileStore::MappedFieldNames(long prof_id) {
  std::vector<MappedField> fields;
  if (!connection_.IsConnected()) return fields;
  db::OdbcResultSet rows;
  if (!rows.Open(connection_, sql::SelectMappedFieldNames(prof_id))) return fields;
  for (long row = 0; row < rows.RowCount() && rows.MoveToRow(row); ++row) {
    fields.push_back({CutToReadLimit(AsText(rows.GetValue(0)), kFieldNameReadLimit),
                      CutToReadLimit(AsText(rows.GetValue(1)), kFieldNameReadLimit)});
  }
  return fields;
}

long ProfileStore::MappedFieldCountForDesktop(long prof_id) {
  return ReadNumber(sql::CountMappedFieldsForDesktop(prof_id)).value_or(-1);
}

std::optional<long> ProfileStore::MappedFieldCountForConduit(long prof_id) {
  return ReadNumber(sql::CountMappedFieldsForConduit(prof_id));
}

// Mapped names are stored bare; profiles saved earlier hold them between double quotes, so a
// name not found bare is looked up once more in that form.
bool ProfileStore::IsColumnMapped(std::string_view db_field_name, long prof_id) {
  return CountIsPositive(sql::CountColumnMapped(db_field_name, prof_id)) ||
         CountIsPositive(sql::CountColumnMapped(db::QuoteIdentifier(db_field_name), prof_id));
}

std::string ProfileStore::DeviceFieldOfColumn(std::string_view db_field_name, long prof_id) {
  std::string field =
      ReadText(sql::SelectDeviceFieldOfColumn(db_field_name, prof_id), kFieldNameReadLimit)
          .value_or("");
  if (!field.empty()) return field;
  return ReadText(sql::SelectDeviceFieldOfColumn(db::QuoteIdentifier(db_field_name), prof_id),
                  kFieldNameReadLimit)
      .value_or("");
}

std::string ProfileStore::FieldNameOfFieldId(std::string_view field_id) {
  return ReadText(sql::SelectFieldNameOfFieldId(field_id), kFieldNameReadLimit).value_or("");
}

std::vector<TypedMapping> ProfileStore::MappingWithTypes(long prof_id) {
  std::vector<TypedMapping> mappings;
  if (!connection_.IsConnected()) return mappings;
  db::OdbcResultSet rows;
  if (!rows.Open(connection_, sql::SelectMappingWithTypes(prof_id))) return mappings;
  for (long row = 0; row < rows.RowCount() && rows.MoveToRow(row); ++row) {
    mappings.push_back({AsText(rows.GetValue(0)), AsText(rows.GetValue(1)),
                        CutToReadLimit(AsText(rows.GetValue(2)), kFieldNameReadLimit)});
  }
  return mappings;
}

std::string ProfileStore::MappedColumnOfField(long prof_id, std::string_view field_id) {
  std::string column(kUnmapped);
  if (!connection_.IsConnected()) return column;
  db::OdbcResultSet rows;
  if (!rows.Open(connection_, sql::SelectMappedColumnOfField(prof_id, field_id))) return column;
  for (long row = 0; row < rows.RowCount() && rows.MoveToRow(row); ++row) {
    column = CutToReadLimit(AsText(rows.GetValue(0)), kMappedColumnReadLimit);
  }
  return column;
}

bool ProfileStore::InsertProfile(const ProfileRecord& record, std::string* error_text) {
  ProfileRecord stored = record;
  stored.db_password = ScramblePassword(record.db_password);
  if (stored.sync_type == kExportCsv) {
    stored.table_name = " ";
    stored.connection_type = kOtherOdbc;
  }
  stored.user_type = kUserType;
  stored.last_sync_date_time = TimeOfDayOnDayZero(record.sync_time.hour, record.sync_time.minute);
  stored.prof_status = kStatusNew;
  if (Run(sql::InsertProfile(stored))) return true;
  if (error_text) *error_text = kSaveProfileFailed;
  return false;
}

bool ProfileStore::InsertMapping(const MappingRow& row, std::string* error_text) {
  if (Run(sql::InsertMapping(row))) return true;
  if (error_text) {
    std::string message(kSaveMappingFailed);
    message.replace(message.find("%s"), 2, row.db_field_name);
    *error_text = message;
  }
  return false;
}

bool ProfileStore::DeleteBeforeResave(long prof_id) {
  return Run(sql::DeleteMappingsBeforeResave(prof_id)) &&
         Run(sql::DeleteProfileBeforeResave(prof_id));
}

bool ProfileStore::DeleteProfile(long prof_id) {
  Run(sql::DeleteMappingsOfProfile(prof_id));  // a profile may have no mapping left
  return Run(sql::DeleteProfile(prof_id));
}

bool ProfileStore::UpdateSyncSettings(const ProfileRecord& record) {
  ProfileRecord stored = record;
  stored.user_type = kUserType;
  stored.prof_status = StatusAfterEdit(record.prof_status);
  return Run(sql::UpdateSyncSettings(stored));
}

bool ProfileStore::RenameProfile(long prof_id, std::string_view prof_name) {
  return Run(sql::RenameProfile(prof_id, prof_name, kStatusNew));
}

bool ProfileStore::RecordRun(long prof_id, const ProfileDateTime& local_time) {
  return Run(sql::RecordRun(prof_id, local_time));
}

bool ProfileStore::MoveProfileToUser(long prof_id, std::string_view user_name) {
  return Run(sql::MoveProfileToUser(prof_id, user_name));
}

bool ProfileStore::MoveProfileToUserAndPath(long prof_id, std::string_view user_name,
                                            std::string_view db_path) {
  return Run(sql::MoveProfileToUserAndPath(prof_id, user_name, db_path));
}

bool ProfileStore::InsertCategory(long id, std::string_view name) {
  return Run(sql::InsertCategory(id, name));
}

bool ProfileStore::UpdateCategory(long old_id, long new_id, std::string_view name) {
  return Run(sql::UpdateCategory(old_id, new_id, name));
}

bool ProfileStore::DeleteCategory(long id) {
  return Run(sql::DeleteCategory(id));
}

bool ProfileStore::IsNameTaken(std::string_view user_name, std::string_view prof_name) {
  return CountIsPositive(sql::CountNameTaken(user_name, prof_name));
}

bool ProfileStore::NewProfileConflicts(const ProfileRecord& r, long left_out) {
  if (IsDesktopToDevice(r.sync_type)) {
    return r.sync_type == kDesktopOverwritesDevice &&
           CountIsPositive(
               sql::CountDesktopToDeviceOfUserAndCategory(r.user_name, r.category_id, left_out));
  }
  if (IsDeviceToDesktop(r.sync_type)) {
    return r.sync_type == kDeviceOverwritesDesktop &&
           CountIsPositive(
               sql::CountDeviceToDesktopOfTarget(r.db_path, r.db_dsn, r.table_name, left_out));
  }
  return false;
}

EditConflict ProfileStore::EditedProfileConflict(const ProfileRecord& r) {
  if (IsDesktopToDevice(r.sync_type)) {
    if (CountIsPositive(
            sql::CountLaterOverwritingDesktopToDevice(r.user_name, r.category_id, r.prof_id))) {
      return EditConflict::kLaterOverwritingExists;
    }
    if (r.sync_type == kDesktopOverwritesDevice &&
        CountIsPositive(sql::CountEarlierDesktopToDevice(r.user_name, r.category_id, r.prof_id))) {
      return EditConflict::kEarlierProfileExists;
    }
  } else if (IsDeviceToDesktop(r.sync_type)) {
    if (CountIsPositive(sql::CountLaterOverwritingDeviceToDesktop(r.db_path, r.db_dsn, r.table_name,
                                                                  r.prof_id))) {
      return EditConflict::kLaterOverwritingExists;
    }
    if (r.sync_type == kDeviceOverwritesDesktop &&
        CountIsPositive(
            sql::CountEarlierDeviceToDesktop(r.db_path, r.db_dsn, r.table_name, r.prof_id))) {
      return EditConflict::kEarlierProfileExists;
    }
  }
  return EditConflict::kNone;
}

}  // namespace velmora::profile
