// A private ODBC configuration for one test: its own driver list (odbcinst.ini) and its own
// user and system data source files, made current for the process and put back afterwards.
// Used by every test that touches ODBC; it never reads or writes the user's own ODBC files.
// One environment at a time per process: the driver list and system file sit in a folder per
// process, because the driver manager never looks at ODBCSYSINI again after its first use.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/temp_dir.h"

namespace velmora::testing {

// Driver names as Debian registers them.
inline constexpr const char* kSqliteDriverName = "SQLite3";
inline constexpr const char* kPostgresDriverName = "PostgreSQL Unicode";
inline constexpr const char* kMariaDbDriverName = "MariaDB Unicode";

using IniAttributes = std::vector<std::pair<std::string, std::string>>;

class OdbcEnvironment {
 public:
  OdbcEnvironment();
  ~OdbcEnvironment();
  OdbcEnvironment(const OdbcEnvironment&) = delete;
  OdbcEnvironment& operator=(const OdbcEnvironment&) = delete;

  const std::filesystem::path& folder() const { return dir_.path(); }
  std::filesystem::path UserIni() const;    // ODBCINI
  std::filesystem::path SystemIni() const;  // odbc.ini beside odbcinst.ini in ODBCSYSINI
  std::filesystem::path DriverIni() const;  // odbcinst.ini

  // Registers one more driver (a name of the test's choosing over a real driver library).
  void AddDriver(const std::string& name, const std::string& library,
                 const std::string& description);
  // Adds a data source to the user file (or the system file).
  void AddDataSource(const std::string& name, const std::string& driver,
                     const IniAttributes& attributes, bool system = false);
  // A data source on the SQLite driver for `database_file`.
  void AddSqliteDataSource(const std::string& name, const std::filesystem::path& database_file);

  std::string UserIniText() const;
  // Whether a section of that name is in the user file.
  bool UserHasDataSource(const std::string& name) const;
  // A key of a section of the user file, as written (keys compared without regard to case).
  std::optional<std::string> UserIniValue(const std::string& section, const std::string& key) const;

 private:
  TempDir dir_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// The value of `key` in `section` of an ini text; keys and sections without regard to case.
std::optional<std::string> IniValue(const std::string& ini_text, const std::string& section,
                                    const std::string& key);

}  // namespace velmora::testing
