#include "db/data_sources.h"

#include <fcntl.h>
#include <odbcinst.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>

#include "db/odbc_handles.h"
#include "db/wide.h"

namespace velmora::db {
namespace {

constexpr SQLSMALLINT kNameUnits = 256;  // 255 characters and the terminator

// The installer calls share one configuration mode per process.
std::mutex& ConfigMutex() {
  static std::mutex m;
  return m;
}

std::string UserIniPath() {
  if (const char* ini = std::getenv("ODBCINI"); ini != nullptr && *ini != '\0') return ini;
  const char* home = std::getenv("HOME");
  return std::string(home ? home : "") + "/.odbc.ini";
}

// Sets the configuration mode for one group of installer calls and restores the default.
class ConfigMode {
 public:
  explicit ConfigMode(UWORD mode) : lock_(ConfigMutex()) { SQLSetConfigMode(mode); }
  ~ConfigMode() { SQLSetConfigMode(ODBC_BOTH_DSN); }
  ConfigMode(const ConfigMode&) = delete;
  ConfigMode& operator=(const ConfigMode&) = delete;

 private:
  std::lock_guard<std::mutex> lock_;
};

std::string ReadAttribute(const std::string& dsn, const std::string& key) {
  char buffer[1024] = {};
  int n =
      SQLGetPrivateProfileString(dsn.c_str(), key.c_str(), "", buffer, sizeof buffer, "odbc.ini");
  if (n <= 0) return {};
  return std::string(buffer, static_cast<std::size_t>(n));
}

bool AllSafe(std::string_view dsn,
             const std::vector<std::pair<std::string, std::string>>& attributes) {
  if (!IsSafeDataSourceName(dsn)) return false;
  for (const auto& [key, value] : attributes) {
    if (!IsSafeDataSourceName(key) || !IsSafeAttributeValue(value)) return false;
  }
  return true;
}

bool WriteAttributes(const std::string& dsn,
                     const std::vector<std::pair<std::string, std::string>>& attributes) {
  for (const auto& [key, value] : attributes) {
    if (!SQLWritePrivateProfileString(dsn.c_str(), key.c_str(), value.c_str(), "odbc.ini")) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool IsSafeAttributeValue(std::string_view value) {
  return value.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

bool IsSafeDataSourceName(std::string_view name) {
  return IsSafeAttributeValue(name) && name.find_first_of("[]=;{}") == std::string_view::npos;
}

DataSourceFileLock::DataSourceFileLock(bool exclusive)
    : fd_(::open(UserIniPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
  if (fd_ >= 0) ::flock(fd_, exclusive ? LOCK_EX : LOCK_SH);
}

DataSourceFileLock::~DataSourceFileLock() {
  if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

std::vector<DataSource> ListDataSources() {
  std::vector<DataSource> sources;
  EnvHandle env;
  if (!Succeeded(env.Allocate(SQL_NULL_HANDLE))) return sources;
  SQLSetEnvAttr(env.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  for (;;) {
    SQLWCHAR name[kNameUnits] = {};
    SQLWCHAR description[kNameUnits] = {};
    SQLSMALLINT name_length = 0;
    SQLSMALLINT description_length = 0;
    SQLRETURN rc = SQLDataSourcesW(env.get(), direction, name, kNameUnits, &name_length,
                                   description, kNameUnits, &description_length);
    if (!Succeeded(rc)) break;
    sources.push_back({FromSqlWide(name), FromSqlWide(description)});
    direction = SQL_FETCH_NEXT;
  }
  return sources;
}

std::vector<std::pair<std::string, std::string>> StreamedReadAttributes(
    std::string_view driver_description) {
  const auto names = [driver_description](std::string_view engine) {
    return driver_description.find(engine) != std::string_view::npos;
  };
  if (names("SQLite")) return {{"StepAPI", "1"}};
  if (names("MariaDB") || names("MySQL")) return {{"NO_CACHE", "1"}};
  if (names("PostgreSQL")) return {{"UseDeclareFetch", "1"}, {"Fetch", "1000"}};
  return {};
}

std::optional<std::string> DriverDescriptionOf(std::string_view name) {
  for (DataSource& source : ListDataSources()) {
    if (source.name == name) return std::move(source.description);
  }
  return std::nullopt;
}

bool WriteDataSource(std::string_view dsn, std::string_view driver,
                     const std::vector<std::pair<std::string, std::string>>& attributes) {
  if (!AllSafe(dsn, attributes) || !IsSafeAttributeValue(driver)) return false;
  const std::string name(dsn);
  DataSourceFileLock file_lock(true);
  ConfigMode mode(ODBC_USER_DSN);
  if (!SQLWriteDSNToIni(name.c_str(), std::string(driver).c_str())) return false;
  return WriteAttributes(name, attributes);
}

bool UpdateDataSource(std::string_view dsn,
                      const std::vector<std::pair<std::string, std::string>>& attributes) {
  if (!AllSafe(dsn, attributes)) return false;
  const std::string name(dsn);
  DataSourceFileLock file_lock(true);
  {
    // A user entry of that name shadows a system one: change it where the driver reads it.
    ConfigMode mode(ODBC_USER_DSN);
    if (!ReadAttribute(name, "Driver").empty()) return WriteAttributes(name, attributes);
  }
  ConfigMode mode(ODBC_SYSTEM_DSN);
  if (ReadAttribute(name, "Driver").empty()) return false;
  return WriteAttributes(name, attributes);
}

bool RemoveDataSource(std::string_view dsn) {
  DataSourceFileLock file_lock(true);
  ConfigMode mode(ODBC_USER_DSN);
  return SQLRemoveDSNFromIni(std::string(dsn).c_str());
}

std::string DataSourceAttribute(std::string_view dsn, std::string_view key) {
  ConfigMode mode(ODBC_BOTH_DSN);
  return ReadAttribute(std::string(dsn), std::string(key));
}

}  // namespace velmora::db
