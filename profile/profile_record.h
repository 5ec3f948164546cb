// A profile as one DBProfile row (20 columns, in table order) and a field-mapping row of the
// Transaction table: plain value types that the profile store reads and writes and that the
// wizard, the views and the conduit pass around. No I/O here.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmora::profile {

// A date and time as the profile database holds it. A value that carries only a time of day
// (SyncTime, and LastSyncDateTime of a profile that never ran) lies on 30 December 1899, the
// day zero of the desktop database's date/time type.
struct ProfileDateTime {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
  friend bool operator==(const ProfileDateTime&, const ProfileDateTime&) = default;
};

ProfileDateTime TimeOfDayOnDayZero(int hour, int minute, int second = 0);

// Reads a stored SyncTime or LastSyncDateTime text: "H:M" or "H:M:S" (a time of day on day
// zero), "YYYY-MM-DD[ H:M[:S[.fraction]]]" or "M/D/YYYY[ H:M[:S]]". nullopt for anything else,
// including out-of-range fields.
std::optional<ProfileDateTime> ParseStoredDateTime(std::string_view text);

struct ProfileRecord {
  long prof_id = 0;
  std::string prof_name;
  std::string db_path;  // folder of a file database ending in "/", " " for a DSN source
  int db_type = 0;      // DatabaseType
  std::string db_dsn;   // DSN name, or the file's name with extension
  std::string db_user;
  std::string db_password;  // as stored: scrambled
  int sync_type = 0;        // SyncType
  int user_type = 1;
  std::string user_name;      // handheld user that owns the profile
  int sync_on = 0;            // SyncOn
  int day = 1;                // day of month for "Once Monthly"
  int week_day = 0;           // 0 Sunday … 6 Saturday
  ProfileDateTime sync_time;  // only hour and minute count
  ProfileDateTime last_sync_date_time;
  int prof_status = 1;  // ProfStatus
  std::string query;
  std::string table_name;
  int connection_type = 0;  // ConnectionType
  long category_id = 0;     // ID: the bound device category, 0 or less for none

  bool HasCategory() const { return category_id > 0; }
  friend bool operator==(const ProfileRecord&, const ProfileRecord&) = default;
};

// One mapped device field of a profile.
struct MappingRow {
  long prof_id = 0;
  std::string field_id;       // "F1" … "F46"
  std::string db_field_name;  // the desktop column
  std::string db_data_type;   // type name of that column ("SQL_CHAR" …), empty when unknown
  friend bool operator==(const MappingRow&, const MappingRow&) = default;
};

// A row of CategoryMaster.
struct Category {
  long id = 0;
  std::string name;
  friend bool operator==(const Category&, const Category&) = default;
};

}  // namespace velmora::profile
