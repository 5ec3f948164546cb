#include "profile/profile_database.h"

#include "db/connection.h"
#include "platform/registry/registry.h"
#include "profile/server_session.h"
#include "profile/shipped_databases.h"

namespace velmora::profile {
namespace {

constexpr const char* kAppKey = "Software\\Microsoft\\Wrenlock";

}  // namespace

std::string ReadProfileDsn() {
  return registry::ReadString(registry::Hive::kCurrentUser, kAppKey, kProfileDsnValue).value_or("");
}

bool WriteProfileDsn(std::string_view dsn) {
  if (dsn.empty()) {
    return registry::DeleteValue(registry::Hive::kCurrentUser, kAppKey, kProfileDsnValue);
  }
  return registry::WriteString(registry::Hive::kCurrentUser, kAppKey, kProfileDsnValue,
                               std::string(dsn));
}

std::string ProfileDatabaseName(const std::filesystem::path& app_folder) {
  const std::string dsn = ReadProfileDsn();
  if (!dsn.empty()) return "DSN=" + dsn;
  return (app_folder / std::string(kProfileDatabaseFile)).string();
}

bool OpenProfileDatabase(db::Connection& connection, std::string_view temp_dsn,
                         const std::filesystem::path& app_folder, std::string* error_text) {
  const std::string dsn = ReadProfileDsn();
  if (!dsn.empty()) {
    // User and password come from the data source's own entry in the ODBC configuration.
    return ConnectProfileServer(connection, dsn, error_text);
  }
  if (app_folder.empty()) return false;
  const std::filesystem::path file = app_folder / std::string(kProfileDatabaseFile);
  return connection.Connect(temp_dsn, db::kDatabaseAccess, file.string(), "",
                            db::kProfileDatabasePassword, error_text, false);
}

}  // namespace velmora::profile
