// The small enumerations stored in a profile (sync type, schedule, status, database kind and
// database type) with their display and log texts, and the "H:M" text of a time of day.
// Used by the profile store, the wizard pages and the conduit; pure functions, no I/O.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmora::profile {

// SyncType: what a run does.
enum SyncType : int {
  kDesktopAddsDevice = 0,
  kDesktopOverwritesDevice = 1,
  kDeviceAddsDesktop = 2,
  kDeviceOverwritesDesktop = 3,
  kDoNothing = 4,
  kExportCsv = 5,
};

// SyncOn: when a profile is due.
enum SyncOn : int {
  kEveryTime = 0,
  kOnceEveryDay = 1,
  kOnceWeekly = 2,
  kOnceMonthly = 3,
  kOnlyOnce = 4,
};

// ProfStatus.
enum ProfStatus : int {
  kStatusSynchronized = 0,
  kStatusNew = 1,
  kStatusModified = 2,
};

// connectionType: the kind of database found while connecting.
enum ConnectionType : int {
  kOtherOdbc = 0,
  kExcelKind = 1,
  kFoxProKind = 2,
  kMySqlKind = 3,
  kTextKind = 4,
};

// DBType: how a profile reaches its desktop data.
enum DatabaseType : int {
  kDsnDatabase = 0,
  kAccessDatabase = 1,
  kExcelDatabase = 2,
  kDBaseDatabase = 3,
  kCsvDatabase = 4,
  kNoDatabase = 20,
};

inline constexpr int kUserType = 1;  // UserType is always written as 1

// Display texts; empty for a value outside the table.
std::string_view SyncTypeText(int sync_type);
std::string_view SyncTypeLogText(int sync_type);  // "Synchronization Type::…" summary line
std::string_view SyncOnText(int sync_on);
std::string_view WeekDayText(int week_day);  // 0 Sunday … 6 Saturday

// The ODBC driver that serves a database type's temporary data source; empty for types 0, 20
// and unknown types.
std::string_view DatabaseTypeDriver(int database_type);

bool IsDesktopToDevice(int sync_type);  // 0 or 1
bool IsDeviceToDesktop(int sync_type);  // 2 or 3

// ProfStatus after the sync settings were edited: 2, unless the profile was still new.
int StatusAfterEdit(int prof_status);

// Time of day as stored: hour, colon, minute, no leading zeros ("7:5" for 07:05).
std::string SyncTimeText(int hour, int minute);

struct TimeOfDay {
  int hour = 0;
  int minute = 0;
  friend bool operator==(const TimeOfDay&, const TimeOfDay&) = default;
};

// Reads "H:M" (also "HH:MM" and "H:M:S"); nullopt when it is not a valid time of day.
std::optional<TimeOfDay> ParseSyncTime(std::string_view text);

}  // namespace velmora::profile
