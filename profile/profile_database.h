// Where the programs find their profile database, the one place that connects it: the ODBC data
// source named by `ProfileDSN` beside `AppPath` in the desktop registry when that value is set
// (a team's shared server), otherwise the file Orvendel.mdb in the application folder. The data
// source's password stays in the ODBC configuration, never in the registry.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace velmora::db {
class Connection;
}

namespace velmora::profile {

inline constexpr const char* kProfileDsnValue = "ProfileDSN";

// The data source named by ProfileDSN under HKCU Software\Microsoft\Wrenlock; empty when unset.
std::string ReadProfileDsn();
// Sets ProfileDSN; an empty name removes the value (the file is used again).
bool WriteProfileDsn(std::string_view dsn);

// What a report names as the profile database: the data source, or the file's path.
std::string ProfileDatabaseName(const std::filesystem::path& app_folder);

// Connects `connection` to the profile database of `app_folder` (the file through the
// temporary data source `temp_dsn`). False with `error_text` (may be null) when it cannot.
bool OpenProfileDatabase(db::Connection& connection, std::string_view temp_dsn,
                         const std::filesystem::path& app_folder, std::string* error_text);

}  // namespace velmora::profile
