// The data sources the driver manager knows (user and system), with the driver description it
// reports for each; and the temporary data sources the connection writes and removes. Used by
// the connection and by the wizard's list of data sources.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velmora::db {

struct DataSource {
  std::string name;
  std::string description;  // the driver description
};

// All data sources, first then next, on an environment of their own.
std::vector<DataSource> ListDataSources();

// The driver description of the data source named exactly `name`; nullopt when absent.
std::optional<std::string> DriverDescriptionOf(std::string_view name);

// The attributes under which the driver named by `driver_description` streams a forward-only
// result from its engine, a batch of rows at a time, instead of reading it whole first
// (SQLite's step-by-step reads, MariaDB's uncached results, psqlODBC's declared cursor fetched
// in batches); none for another driver. Scrollable results are held as before.
std::vector<std::pair<std::string, std::string>> StreamedReadAttributes(
    std::string_view driver_description);

// A text the data source file can hold as one attribute value: no line break and no NUL, which
// would end the value early or start an attribute of the writer's choosing.
bool IsSafeAttributeValue(std::string_view value);
// A data source name that names one section and cannot be read as a connection string: a safe
// attribute value without the brackets of a section head or the "=", ";", "{", "}" that
// separate attributes.
bool IsSafeDataSourceName(std::string_view name);

// Registers the user data source `dsn` on `driver` with `attributes` (key, value), replacing
// any earlier one of that name. False when the ODBC configuration cannot be written, or, with
// nothing written, when a name or value is not safe (see above).
bool WriteDataSource(std::string_view dsn, std::string_view driver,
                     const std::vector<std::pair<std::string, std::string>>& attributes);

// Sets attributes of an existing user data source, keeping the others.
bool UpdateDataSource(std::string_view dsn,
                      const std::vector<std::pair<std::string, std::string>>& attributes);

bool RemoveDataSource(std::string_view dsn);

// Holds the user's data source file while it is rewritten (exclusive) or read by a connect
// (shared), so that two of our programs registering their temporary data sources at the same
// moment lose neither entry and a connect never reads a half-written file. The driver manager
// rewrites the file in place, so a lock on its inode holds throughout.
class DataSourceFileLock {
 public:
  explicit DataSourceFileLock(bool exclusive);
  ~DataSourceFileLock();
  DataSourceFileLock(const DataSourceFileLock&) = delete;
  DataSourceFileLock& operator=(const DataSourceFileLock&) = delete;

 private:
  int fd_;
};

// An attribute of a user or system data source as the driver will read it; empty if unset.
std::string DataSourceAttribute(std::string_view dsn, std::string_view key);

}  // namespace velmora::db
