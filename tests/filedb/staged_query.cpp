#include "tests/filedb/staged_query.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <memory>

namespace velmora::filedb::testing {
namespace {

struct Closer {
  void operator()(sqlite3* db) const { sqlite3_close(db); }
};

std::unique_ptr<sqlite3, Closer> OpenDb(const std::filesystem::path& file) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  return std::unique_ptr<sqlite3, Closer>(db);
}

}  // namespace

std::vector<std::vector<std::string>> QueryText(const std::filesystem::path& sqlite_file,
                                                const std::string& sql) {
  auto db = OpenDb(sqlite_file);
  sqlite3_stmt* statement = nullptr;
  std::vector<std::vector<std::string>> rows;
  if (sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << sqlite3_errmsg(db.get()) << " in " << sql;
    return rows;
  }
  while (sqlite3_step(statement) == SQLITE_ROW) {
    std::vector<std::string> row;
    for (int i = 0; i < sqlite3_column_count(statement); ++i) {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
      row.push_back(sqlite3_column_type(statement, i) == SQLITE_NULL ? "NULL" : text);
    }
    rows.push_back(row);
  }
  sqlite3_finalize(statement);
  return rows;
}

std::vector<std::pair<std::string, std::string>> DeclaredColumns(
    const std::filesystem::path& sqlite_file, const std::string& table) {
  std::string quoted = "'";
  for (char c : table) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  std::vector<std::pair<std::string, std::string>> columns;
  for (const auto& row :
       QueryText(sqlite_file, "SELECT name, type FROM pragma_table_info(" + quoted + "')")) {
    columns.emplace_back(row[0], row[1]);
  }
  return columns;
}

std::string ExecuteSql(const std::filesystem::path& sqlite_file, const std::string& sql) {
  auto db = OpenDb(sqlite_file);
  char* message = nullptr;
  if (sqlite3_exec(db.get(), sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) return {};
  std::string text = message ? message : "error";
  sqlite3_free(message);
  return text;
}

PrivateTmpDir::PrivateTmpDir() {
  if (const char* previous = std::getenv("TMPDIR")) previous_ = previous, had_previous_ = true;
  setenv("TMPDIR", dir_.path().c_str(), 1);
}

PrivateTmpDir::~PrivateTmpDir() {
  if (had_previous_) {
    setenv("TMPDIR", previous_.c_str(), 1);
  } else {
    unsetenv("TMPDIR");
  }
}

std::size_t PrivateTmpDir::StagingFolderCount() const {
  std::size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
    if (entry.path().filename().string().rfind("velmora-filedb-", 0) == 0) ++count;
  }
  return count;
}

}  // namespace velmora::filedb::testing
