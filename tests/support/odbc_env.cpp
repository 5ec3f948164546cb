#include "tests/support/odbc_env.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace velmora::testing {
namespace {

constexpr const char* kDriverFolder = "/usr/lib/x86_64-linux-gnu/odbc/";
constexpr const char* kVariables[] = {"ODBCSYSINI", "ODBCINSTINI", "ODBCINI"};

// The driver manager reads ODBCSYSINI once per process and keeps the folder it found, so the
// driver list and system data sources live in one folder per process; each environment
// rewrites their contents, and only the user's file (ODBCINI) is its own.
const std::filesystem::path& ProcessSystemFolder() {
  static TempDir folder;
  return folder.path();
}

void Append(const std::filesystem::path& file, const std::string& text) {
  std::ofstream out(file, std::ios::binary | std::ios::app);
  out << text;
}

std::string Section(const std::string& name, const IniAttributes& attributes) {
  std::string text = "[" + name + "]\n";
  for (const auto& [key, value] : attributes) text += key + "=" + value + "\n";
  return text + "\n";
}

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

std::string Trim(const std::string& s) {
  std::size_t first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  std::size_t last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

}  // namespace

OdbcEnvironment::OdbcEnvironment() {
  for (const char* name : kVariables) {
    const char* value = std::getenv(name);
    saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
  }
  WriteFileBytes(UserIni(), "");
  WriteFileBytes(SystemIni(), "");
  WriteFileBytes(DriverIni(), "");
  AddDriver(kSqliteDriverName, std::string(kDriverFolder) + "libsqlite3odbc.so",
            "SQLite3 ODBC Driver");
  AddDriver(kPostgresDriverName, std::string(kDriverFolder) + "psqlodbcw.so",
            "PostgreSQL ODBC driver (Unicode version)");
  AddDriver(kMariaDbDriverName, std::string(kDriverFolder) + "libmaodbc.so",
            "MariaDB Connector/ODBC(Unicode)");
  setenv("ODBCSYSINI", ProcessSystemFolder().c_str(), 1);
  setenv("ODBCINSTINI", "odbcinst.ini", 1);
  setenv("ODBCINI", UserIni().c_str(), 1);
}

OdbcEnvironment::~OdbcEnvironment() {
  for (const auto& [name, value] : saved_) {
    if (value) {
      setenv(name.c_str(), value->c_str(), 1);
    } else {
      unsetenv(name.c_str());
    }
  }
}

std::filesystem::path OdbcEnvironment::UserIni() const {
  return dir_.path() / "odbc.ini";
}
std::filesystem::path OdbcEnvironment::SystemIni() const {
  return ProcessSystemFolder() / "odbc.ini";
}
std::filesystem::path OdbcEnvironment::DriverIni() const {
  return ProcessSystemFolder() / "odbcinst.ini";
}

void OdbcEnvironment::AddDriver(const std::string& name, const std::string& library,
                                const std::string& description) {
  Append(DriverIni(),
         Section(name, {{"Description", description}, {"Driver", library}, {"UsageCount", "1"}}));
}

void OdbcEnvironment::AddDataSource(const std::string& name, const std::string& driver,
                                    const IniAttributes& attributes, bool system) {
  IniAttributes all = {{"Driver", driver}};
  all.insert(all.end(), attributes.begin(), attributes.end());
  Append(system ? SystemIni() : UserIni(), Section(name, all));
}

void OdbcEnvironment::AddSqliteDataSource(const std::string& name,
                                          const std::filesystem::path& database_file) {
  AddDataSource(name, kSqliteDriverName, {{"Database", database_file.string()}});
}

std::string OdbcEnvironment::UserIniText() const {
  return ReadFileBytes(UserIni());
}

bool OdbcEnvironment::UserHasDataSource(const std::string& name) const {
  return IniValue(UserIniText(), name, "Driver").has_value();
}

std::optional<std::string> OdbcEnvironment::UserIniValue(const std::string& section,
                                                         const std::string& key) const {
  return IniValue(UserIniText(), section, key);
}

std::optional<std::string> IniValue(const std::string& ini_text, const std::string& section,
                                    const std::string& key) {
  std::istringstream in(ini_text);
  std::string line;
  bool inside = false;
  while (std::getline(in, line)) {
    line = Trim(line);
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    if (line.front() == '[' && line.back() == ']') {
      inside = Lower(line.substr(1, line.size() - 2)) == Lower(section);
      continue;
    }
    std::size_t eq = line.find('=');
    if (inside && eq != std::string::npos && Lower(Trim(line.substr(0, eq))) == Lower(key)) {
      return Trim(line.substr(eq + 1));
    }
  }
  return std::nullopt;
}

}  // namespace velmora::testing
