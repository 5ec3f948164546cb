// A small owner of one SQLite connection and its statements, for the handheld's state files.
// Used only inside handheld/store. Never throws; failures come back as false or none.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace velmora::handheld {

struct SqlBlob {
  std::string bytes;
};
using SqlParam = std::variant<std::monostate, std::int64_t, std::string, SqlBlob>;

class SqliteStatement {
 public:
  SqliteStatement(sqlite3* db, std::string_view sql);
  ~SqliteStatement();
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;

  bool Ok() const { return stmt_ != nullptr; }
  bool Bind(const std::vector<SqlParam>& params);
  // Binds parameter `index` (from 1) to `text` without copying it: `text` must stay as it is
  // until the statement has been stepped and reset.
  bool BindText(int index, std::string_view text);
  bool BindInt(int index, std::int64_t value);
  // Makes the statement ready to run again with new bindings; the bindings themselves stay.
  void Reset();
  // SQLITE_ROW → true with a row, SQLITE_DONE → false with `done`; an error → false.
  bool Step(bool* done = nullptr);
  std::int64_t Int(int column) const;
  std::string Text(int column) const;  // text or blob bytes
  bool IsNull(int column) const;

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

class SqliteDb {
 public:
  // Opens `file`, creating it only when `create`; applies `schema` (statements separated by
  // ";") and a busy time-out so that processes sharing the file wait for each other.
  static std::unique_ptr<SqliteDb> Open(const std::filesystem::path& file, bool create,
                                        std::string_view schema);
  ~SqliteDb();
  SqliteDb(const SqliteDb&) = delete;
  SqliteDb& operator=(const SqliteDb&) = delete;

  sqlite3* Raw() const { return db_; }
  bool Exec(std::string_view sql, const std::vector<SqlParam>& params = {});
  // The first column of the first row; none without a row or on error.
  std::optional<std::int64_t> QueryInt(std::string_view sql,
                                       const std::vector<SqlParam>& params = {});
  std::optional<std::string> QueryText(std::string_view sql,
                                       const std::vector<SqlParam>& params = {});

  // BEGIN IMMEDIATE … COMMIT, rolled back when `body` returns false.
  template <class Body>
  bool Transaction(Body&& body) {
    if (!Exec("BEGIN IMMEDIATE")) return false;
    if (!body()) {
      Exec("ROLLBACK");
      return false;
    }
    if (Exec("COMMIT")) return true;
    Exec("ROLLBACK");
    return false;
  }

 private:
  explicit SqliteDb(sqlite3* db) : db_(db) {}
  sqlite3* db_ = nullptr;
};

}  // namespace velmora::handheld
