#include "desktop/odbc_manager.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <cstdlib>

namespace velmora::desktop {
namespace {

constexpr const char* kManagers[] = {"ODBCManageDataSourcesQ5", "ODBCManageDataSourcesQ4",
                                     "iodbcadm-gtk"};

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? std::string(value) : fallback;
}

}  // namespace

bool StartOdbcManager() {
  for (const char* name : kManagers) {
    const QString program = QStandardPaths::findExecutable(name);
    if (!program.isEmpty() && QProcess::startDetached(program, {})) return true;
  }
  return false;
}

std::string OdbcManagerFallbackText() {
  const std::string user_file = EnvOr("ODBCINI", QDir::homePath().toStdString() + "/.odbc.ini");
  const std::string system_folder = EnvOr("ODBCSYSINI", "/etc");
  return "Failed to launch ODBC Administrator, See help!\n\n"
         "User data sources: " +
         user_file + "\nSystem data sources: " + system_folder +
         "/odbc.ini\nDrivers: " + system_folder +
         "/odbcinst.ini\n\nTo add a data source, add a section such as\n"
         "[MyContacts]\nDriver=SQLite3\nDatabase=/path/to/contacts.db\n"
         "to the user data source file, or install unixodbc-bin for a manager program.";
}

}  // namespace velmora::desktop
