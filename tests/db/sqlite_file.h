// Makes small SQLite database files for the db tests, straight through the SQLite library so
// that the code under test is not used to build its own fixtures.
#pragma once

#include <sqlite3.h>

#include <filesystem>
#include <string>

namespace velmora::db::testing {

inline bool MakeSqliteFile(const std::filesystem::path& file, const std::string& sql) {
  sqlite3* db = nullptr;
  if (sqlite3_open(file.c_str(), &db) != SQLITE_OK) {
    sqlite3_close(db);
    return false;
  }
  bool ok = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_close(db);
  return ok;
}

}  // namespace velmora::db::testing
