#include "profile/statements.h"

#include <cstdio>
#include <type_traits>

namespace velmora::profile::sql {
namespace {

// The statement texts. `Transaction` is a keyword of some engines and always goes in double
// quotes; a quoted name is case-sensitive on some engines, so it is always spelt as created.
constexpr char kSelectTableName[] = "SELECT tablename FROM DBProfile where profid=%d";
constexpr char kSelectQueryForContent[] = "SELECT Query FROM DBProfile WHERE PROFID=%d";
constexpr char kSelectQueryForWizard[] = "Select Query from DBProfile where ProfID=%d";
constexpr char kSelectSyncType[] = "SELECT SyncType FROM DBProfile WHERE PROFID=%d";
constexpr char kSelectConnectionType[] = "SELECT connectionType FROM DBProfile WHERE PROFID=%d";
constexpr char kSelectCategoryId[] = "Select ID from DBProfile where ProfID=%d";
constexpr char kSelectCategoryIdAsA[] = "Select ID as a from DBProfile where ProfID=%d";
constexpr char kSelectAllCategories[] = "SELECT * FROM CategoryMaster";

constexpr char kSelectAllProfiles[] = "Select * from DBProfile";
constexpr char kSelectProfile[] = "Select * From DBProfile where ProfID=%d";
// '!' escapes the wildcards of a name, so a name matches only itself.
constexpr char kSelectProfilesOfUser[] =
    "Select * From DBProfile where UserName like '%s' ESCAPE '!'";
constexpr char kSelectSyncTypeOfUser[] =
    "Select SyncType From DBProfile where UserName like '%s' ESCAPE '!'";
constexpr char kCountOverwritingProfilesOfUser[] =
    "SELECT count(*) FROM DBProfile WHERE SyncType = 1 and UserName = '%s'";
constexpr char kCountProfiles[] = "Select count(*) from DBProfile";
constexpr char kSelectMaxProfileId[] = "Select max(ProfID) from DBProfile";
constexpr char kSelectMaxCategoryId[] = "Select max(ID) from CategoryMaster";

constexpr char kSelectMappedFieldNames[] =
    "SELECT FieldName,dbfieldname FROM \"Transaction\" AS t, pocketmaster AS p WHERE "
    "t.fieldid=p.fieldid and t.profid=%d";
constexpr char kCountMappedFieldsForDesktop[] =
    "SELECT count(*) FROM \"Transaction\" WHERE LENGTH(DBFieldName)>1 AND PROFID=%d";
constexpr char kCountMappedFieldsForConduit[] =
    "SELECT count(*) FROM \"Transaction\" WHERE LENGTH(DBFieldName)>0 AND PROFID=%d";
constexpr char kCountColumnMapped[] =
    "SELECT count(*) FROM \"Transaction\" WHERE DBFieldName = '%s' AND ProfID=%d";
constexpr char kSelectDeviceFieldOfColumn[] =
    "SELECT p.FieldName FROM pocketmaster AS p, \"Transaction\" AS t WHERE "
    "t.fieldID=p.fieldid and t.dbfieldname= '%s' and t.profid=%d";
constexpr char kSelectFieldNameOfFieldId[] =
    "SELECT FieldName FROM pocketmaster WHERE fieldid = '%s'";
constexpr char kSelectMappingWithTypes[] =
    "SELECT  dbfieldname, dbdatatype,FieldName FROM \"Transaction\" AS t, pocketmaster AS "
    "p\tWHERE t.fieldid=p.fieldid and t.profid=%d";
constexpr char kSelectMappingForDisplay[] =
    "SELECT FieldName AS PocketPCContactFields,dbfieldname AS CustomDBFields,dbdatatype AS "
    "CustomDBDataTypes FROM \"Transaction\" AS t, PocketMaster AS p\tWHERE t.fieldid=p.fieldid "
    "and t.profid=%d";
constexpr char kSelectMappingForDisplayWithoutTypes[] =
    "SELECT FieldName AS PocketPCContactFields,dbfieldname AS CustomDBFields FROM "
    "\"Transaction\" AS t, PocketMaster AS p\tWHERE t.fieldid=p.fieldid and t.profid=%d";
constexpr char kSelectMappedColumnOfField[] =
    "Select DBFieldName from \"Transaction\" where ProfID=%d AND FieldID = '%s'";

constexpr char kInsertProfile[] =
    "Insert into  DBProfile values(%ld , '%s', '%s', %d, '%s', '%s', '%s', %d, %d, '%s', %d, "
    "%d, %d, '%d:%d','%d:%d', %d, '%s','%s',%d, %ld)";
constexpr char kInsertMapping[] = "Insert into  \"Transaction\"  values(%d,'%s','%s','%s')";
constexpr char kDeleteProfileBeforeResave[] = "Delete from DBProfile where ProfID=%d";
constexpr char kDeleteMappingsBeforeResave[] = "Delete from \"Transaction\" where ProfID=%d";
constexpr char kDeleteMappingsOfProfile[] = "Delete From \"Transaction\" where ProfID=%d";
constexpr char kDeleteProfile[] = "Delete From DBProfile where ProfID=%d";
constexpr char kUpdateSyncSettings[] =
    "update DBProfile set SyncType=%d, UserType=%d, UserName='%s', SyncOn=%d, Day=%d, "
    "WeekDay=%d , SyncTime='%d:%d' , ProfStatus = %d where ProfID=%d";
constexpr char kRenameProfile[] =
    "update DBProfile set ProfName='%s' , ProfStatus = %d where ProfID=%ld";
// Year first, so that every engine reads the date the same whatever its date order setting.
constexpr char kRecordRun[] =
    "Update DBProfile set LastSyncDateTime='%04d-%02d-%02d %02d:%02d:%02d' , ProfStatus=%d "
    "Where ProfID= %ld";
constexpr char kMoveProfileToUser[] = "update DBProfile set UserName='%s' where ProfID=%d";
constexpr char kMoveProfileToUserAndPath[] =
    "update DBProfile set UserName='%s', DBPath='%s' where ProfID=%d";
constexpr char kInsertCategory[] = "Insert into  CategoryMaster values(%ld,'%s')";
constexpr char kUpdateCategory[] = "update CategoryMaster set ID=%ld, Name='%s' where ID=%d";
constexpr char kDeleteCategory[] = "Delete from CategoryMaster where ID=%d";

constexpr char kCountNameTaken[] =
    "Select count(*) from DBProfile where UserName='%s' and ProfName='%s'";
constexpr char kCountDesktopToDeviceOfUserAndCategory[] =
    "Select count(*) from DBProfile where UserName='%s' and ID=%d and (SyncType=0 or "
    "SyncType=1)";
constexpr char kCountDeviceToDesktopOfTarget[] =
    "Select count(*) from DBProfile where DBPath='%s' and DBDSN='%s' and tablename='%s' and "
    "(SyncType=3 or SyncType=2)";
constexpr char kCountLaterOverwritingDesktopToDevice[] =
    "Select count(*) from DBProfile where UserName='%s' and SyncType=1 and ID=%d and ProfID>%d";
constexpr char kCountEarlierDesktopToDevice[] =
    "Select count(*) from DBProfile where UserName='%s' and (SyncType=1 or SyncType=0) and "
    "ID=%d and ProfID<%d";
constexpr char kCountLaterOverwritingDeviceToDesktop[] =
    "Select count(*) from DBProfile where DBPath='%s' and DBDSN='%s' and tablename='%s' and "
    "SyncType=3 and ProfID > %d ";
constexpr char kCountEarlierDeviceToDesktop[] =
    "Select count(*) from DBProfile where DBPath='%s' and DBDSN='%s' and tablename='%s' and "
    "(SyncType=2 or SyncType=3) and ProfID<%d";

// printf arguments: text as a C string, numbers as they are.
inline const char* Arg(const std::string& s) {
  return s.c_str();
}
template <typename T>
requires std::is_arithmetic_v<T> T Arg(T value) {
  return value;
}

template <typename... Args>
std::string Format(const char* format, const Args&... args) {
  const int size = std::snprintf(nullptr, 0, format, Arg(args)...);
  if (size <= 0) return {};
  std::string out(static_cast<std::size_t>(size) + 1, '\0');
  std::snprintf(out.data(), out.size(), format, Arg(args)...);
  out.resize(static_cast<std::size_t>(size));
  return out;
}

int Id(long id) {
  return static_cast<int>(id);
}  // for the "%d" ids

}  // namespace

std::string Quoted(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (const char c : value) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out;
}

std::string LikeLiteral(std::string_view user_name) {
  std::string out;
  out.reserve(user_name.size());
  for (const char c : user_name) {
    if (c == '%' || c == '_' || c == '!') out += '!';
    out += c;
    if (c == '\'') out += '\'';
  }
  return out;
}

std::string SelectTableName(long prof_id) {
  return Format(kSelectTableName, Id(prof_id));
}
std::string SelectQueryForContent(long prof_id) {
  return Format(kSelectQueryForContent, Id(prof_id));
}
std::string SelectQueryForWizard(long prof_id) {
  return Format(kSelectQueryForWizard, Id(prof_id));
}
std::string SelectSyncType(long prof_id) {
  return Format(kSelectSyncType, Id(prof_id));
}
std::string SelectConnectionType(long prof_id) {
  return Format(kSelectConnectionType, Id(prof_id));
}
std::string SelectCategoryId(long prof_id) {
  return Format(kSelectCategoryId, Id(prof_id));
}
std::string SelectCategoryIdAsA(long prof_id) {
  return Format(kSelectCategoryIdAsA, Id(prof_id));
}
std::string SelectAllCategories() {
  return kSelectAllCategories;
}

std::string SelectProfile(long prof_id) {
  return Format(kSelectProfile, Id(prof_id));
}
std::string SelectAllProfiles() {
  return kSelectAllProfiles;
}
std::string SelectProfilesOfUser(std::string_view user_name) {
  return Format(kSelectProfilesOfUser, LikeLiteral(user_name));
}
std::string SelectSyncTypeOfUser(std::string_view user_name) {
  return Format(kSelectSyncTypeOfUser, LikeLiteral(user_name));
}
std::string CountOverwritingProfilesOfUser(std::string_view user_name) {
  return Format(kCountOverwritingProfilesOfUser, Quoted(user_name));
}
std::string CountProfiles() {
  return kCountProfiles;
}
std::string SelectMaxProfileId() {
  return kSelectMaxProfileId;
}
std::string SelectMaxCategoryId() {
  return kSelectMaxCategoryId;
}

std::string SelectMappedFieldNames(long prof_id) {
  return Format(kSelectMappedFieldNames, Id(prof_id));
}
std::string CountMappedFieldsForDesktop(long prof_id) {
  return Format(kCountMappedFieldsForDesktop, Id(prof_id));
}
std::string CountMappedFieldsForConduit(long prof_id) {
  return Format(kCountMappedFieldsForConduit, Id(prof_id));
}
std::string CountColumnMapped(std::string_view db_field_name, long prof_id) {
  return Format(kCountColumnMapped, Quoted(db_field_name), Id(prof_id));
}
std::string SelectDeviceFieldOfColumn(std::string_view db_field_name, long prof_id) {
  return Format(kSelectDeviceFieldOfColumn, Quoted(db_field_name), Id(prof_id));
}
std::string SelectFieldNameOfFieldId(std::string_view field_id) {
  return Format(kSelectFieldNameOfFieldId, Quoted(field_id));
}
std::string SelectMappingWithTypes(long prof_id) {
  return Format(kSelectMappingWithTypes, Id(prof_id));
}
std::string SelectMappingForDisplay(long prof_id, bool with_data_types) {
  return Format(with_data_types ? kSelectMappingForDisplay : kSelectMappingForDisplayWithoutTypes,
                Id(prof_id));
}
std::string SelectMappedColumnOfField(long prof_id, std::string_view field_id) {
  return Format(kSelectMappedColumnOfField, Id(prof_id), Quoted(field_id));
}

std::string InsertProfile(const ProfileRecord& r) {
  return Format(kInsertProfile, r.prof_id, Quoted(r.prof_name), Quoted(r.db_path), r.db_type,
                Quoted(r.db_dsn), Quoted(r.db_user), Quoted(r.db_password), r.sync_type,
                r.user_type, Quoted(r.user_name), r.sync_on, r.day, r.week_day, r.sync_time.hour,
                r.sync_time.minute, r.last_sync_date_time.hour, r.last_sync_date_time.minute,
                r.prof_status, Quoted(r.query), Quoted(r.table_name), r.connection_type,
                r.category_id);
}

std::string InsertMapping(const MappingRow& row) {
  return Format(kInsertMapping, Id(row.prof_id), Quoted(row.field_id), Quoted(row.db_field_name),
                Quoted(row.db_data_type));
}

std::string DeleteProfileBeforeResave(long prof_id) {
  return Format(kDeleteProfileBeforeResave, Id(prof_id));
}
std::string DeleteMappingsBeforeResave(long prof_id) {
  return Format(kDeleteMappingsBeforeResave, Id(prof_id));
}
std::string DeleteMappingsOfProfile(long prof_id) {
  return Format(kDeleteMappingsOfProfile, Id(prof_id));
}
std::string DeleteProfile(long prof_id) {
  return Format(kDeleteProfile, Id(prof_id));
}

std::string UpdateSyncSettings(const ProfileRecord& r) {
  return Format(kUpdateSyncSettings, r.sync_type, r.user_type, Quoted(r.user_name), r.sync_on,
                r.day, r.week_day, r.sync_time.hour, r.sync_time.minute, r.prof_status,
                Id(r.prof_id));
}

std::string RenameProfile(long prof_id, std::string_view prof_name, int prof_status) {
  return Format(kRenameProfile, Quoted(prof_name), prof_status, prof_id);
}

std::string RecordRun(long prof_id, const ProfileDateTime& t) {
  return Format(kRecordRun, t.year, t.month, t.day, t.hour, t.minute, t.second, 0, prof_id);
}

std::string MoveProfileToUser(long prof_id, std::string_view user_name) {
  return Format(kMoveProfileToUser, Quoted(user_name), Id(prof_id));
}
std::string MoveProfileToUserAndPath(long prof_id, std::string_view user_name,
                                     std::string_view db_path) {
  return Format(kMoveProfileToUserAndPath, Quoted(user_name), Quoted(db_path), Id(prof_id));
}

std::string InsertCategory(long id, std::string_view name) {
  return Format(kInsertCategory, id, Quoted(name));
}
std::string UpdateCategory(long old_id, long new_id, std::string_view name) {
  return Format(kUpdateCategory, new_id, Quoted(name), Id(old_id));
}
std::string DeleteCategory(long id) {
  return Format(kDeleteCategory, Id(id));
}

std::string CountNameTaken(std::string_view user_name, std::string_view prof_name) {
  return Format(kCountNameTaken, Quoted(user_name), Quoted(prof_name));
}
static std::string LeavingOut(long left_out) {
  return left_out > 0 ? " and ProfID<>" + std::to_string(Id(left_out)) : std::string();
}
std::string CountDesktopToDeviceOfUserAndCategory(std::string_view user_name, long category_id,
                                                  long left_out) {
  return Format(kCountDesktopToDeviceOfUserAndCategory, Quoted(user_name), Id(category_id)) +
         LeavingOut(left_out);
}
std::string CountDeviceToDesktopOfTarget(std::string_view db_path, std::string_view db_dsn,
                                         std::string_view table_name, long left_out) {
  return Format(kCountDeviceToDesktopOfTarget, Quoted(db_path), Quoted(db_dsn),
                Quoted(table_name)) +
         LeavingOut(left_out);
}
std::string CountLaterOverwritingDesktopToDevice(std::string_view user_name, long category_id,
                                                 long prof_id) {
  return Format(kCountLaterOverwritingDesktopToDevice, Quoted(user_name), Id(category_id),
                Id(prof_id));
}
std::string CountEarlierDesktopToDevice(std::string_view user_name, long category_id,
                                        long prof_id) {
  return Format(kCountEarlierDesktopToDevice, Quoted(user_name), Id(category_id), Id(prof_id));
}
std::string CountLaterOverwritingDeviceToDesktop(std::string_view db_path, std::string_view db_dsn,
                                                 std::string_view table_name, long prof_id) {
  return Format(kCountLaterOverwritingDeviceToDesktop, Quoted(db_path), Quoted(db_dsn),
                Quoted(table_name), Id(prof_id));
}
std::string CountEarlierDeviceToDesktop(std::string_view db_path, std::string_view db_dsn,
                                        std::string_view table_name, long prof_id) {
  return Format(kCountEarlierDeviceToDesktop, Quoted(db_path), Quoted(db_dsn), Quoted(table_name),
                Id(prof_id));
}

}  // namespace velmora::profile::sql
