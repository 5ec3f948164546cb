#include "db/driver_text.h"

#include <dlfcn.h>
#include <odbcinst.h>

#include <map>
#include <mutex>

#include "db/data_sources.h"
#include "db/odbc_handles.h"
#include "db/wide.h"
#include "platform/files/crash_point.h"

namespace velmora::db {
namespace {

constexpr const char* kDriverFolder = "/usr/lib/x86_64-linux-gnu/odbc/";
constexpr SQLSMALLINT kNameChars = 256;

std::mutex& RegistryMutex() {
  static std::mutex m;
  return m;
}

std::map<SQLHDBC, bool>& Registry() {
  static std::map<SQLHDBC, bool> connections;
  return connections;
}

std::string DriverLibrary(std::string_view dsn) {
  std::string driver = DataSourceAttribute(dsn, "Driver");
  if (driver.empty() || driver.front() == '/') return driver;
  char path[1024] = {};
  int n =
      SQLGetPrivateProfileString(driver.c_str(), "Driver", "", path, sizeof path, "odbcinst.ini");
  std::string library = n > 0 ? std::string(path, static_cast<std::size_t>(n)) : driver;
  if (!library.empty() && library.front() != '/') library = kDriverFolder + library;
  return library;
}

// The driver manager has loaded the library by now; only look at it.
bool LacksWideCalls(const std::string& library) {
  if (library.empty()) return false;
  void* handle = dlopen(library.c_str(), RTLD_LAZY | RTLD_NOLOAD);
  if (handle == nullptr) return false;
  bool lacks = dlsym(handle, "SQLPrepareW") == nullptr && dlsym(handle, "SQLPrepare") != nullptr;
  dlclose(handle);
  return lacks;
}

SQLCHAR* Narrow(std::string& s) {
  return reinterpret_cast<SQLCHAR*>(s.data());
}

}  // namespace

void NoteDriverOf(SQLHDBC connection, std::string_view dsn) {
  bool utf8 = LacksWideCalls(DriverLibrary(dsn));
  std::lock_guard<std::mutex> lock(RegistryMutex());
  Registry()[connection] = utf8;
}

void ForgetDriverOf(SQLHDBC connection) {
  std::lock_guard<std::mutex> lock(RegistryMutex());
  Registry().erase(connection);
}

bool TakesUtf8(SQLHDBC connection) {
  std::lock_guard<std::mutex> lock(RegistryMutex());
  auto it = Registry().find(connection);
  return it != Registry().end() && it->second;
}

SQLRETURN PrepareText(SQLHDBC connection, SQLHSTMT statement, std::string_view sql) {
  if (TakesUtf8(connection)) {
    std::string s(sql);
    return SQLPrepare(statement, Narrow(s), SQL_NTS);
  }
  SqlWString w = ToSqlWide(sql);
  return SQLPrepareW(statement, Mutable(w), SQL_NTS);
}

SQLRETURN ExecDirectText(SQLHDBC connection, SQLHSTMT statement, std::string_view sql) {
  SQLRETURN rc;
  if (TakesUtf8(connection)) {
    std::string s(sql);
    rc = SQLExecDirect(statement, Narrow(s), SQL_NTS);
  } else {
    SqlWString w = ToSqlWide(sql);
    rc = SQLExecDirectW(statement, Mutable(w), SQL_NTS);
  }
  files::CrashPoint("statement");
  return rc;
}

SQLRETURN TablesText(SQLHDBC connection, SQLHSTMT statement, std::string_view types) {
  if (TakesUtf8(connection)) {
    std::string s(types);
    return SQLTables(statement, nullptr, 0, nullptr, 0, nullptr, 0, Narrow(s), SQL_NTS);
  }
  SqlWString w = ToSqlWide(types);
  return SQLTablesW(statement, nullptr, 0, nullptr, 0, nullptr, 0, Mutable(w), SQL_NTS);
}

SQLRETURN ColumnsText(SQLHDBC connection, SQLHSTMT statement, std::string_view table) {
  if (TakesUtf8(connection)) {
    std::string s(table);
    return SQLColumns(statement, nullptr, 0, nullptr, 0, Narrow(s), SQL_NTS, nullptr, 0);
  }
  SqlWString w = ToSqlWide(table);
  return SQLColumnsW(statement, nullptr, 0, nullptr, 0, Mutable(w), SQL_NTS, nullptr, 0);
}

SQLRETURN DescribeColumn(SQLHDBC connection, SQLHSTMT statement, int column,
                         ColumnDescription* out) {
  SQLSMALLINT length = 0, nullable = 0;
  auto number = static_cast<SQLUSMALLINT>(column + 1);
  SQLRETURN rc;
  if (TakesUtf8(connection)) {
    SQLCHAR name[kNameChars * 4] = {};
    rc = SQLDescribeCol(statement, number, name, sizeof name, &length, &out->sql_type, &out->size,
                        &out->digits, &nullable);
    if (Succeeded(rc)) out->name = reinterpret_cast<const char*>(name);
  } else {
    SQLWCHAR name[kNameChars] = {};
    rc = SQLDescribeColW(statement, number, name, kNameChars, &length, &out->sql_type, &out->size,
                         &out->digits, &nullable);
    if (Succeeded(rc)) out->name = FromSqlWide(name);
  }
  return rc;
}

}  // namespace velmora::db
