#include "handheld/store/sqlite_db.h"

#include <fcntl.h>
#include <unistd.h>

namespace velmora::handheld {

SqliteStatement::SqliteStatement(sqlite3* db, std::string_view sql) {
  if (db == nullptr) return;
  if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr) !=
      SQLITE_OK) {
    sqlite3_finalize(stmt_);
    stmt_ = nullptr;
  }
}

SqliteStatement::~SqliteStatement() {
  sqlite3_finalize(stmt_);
}

bool SqliteStatement::Bind(const std::vector<SqlParam>& params) {
  if (!stmt_) return false;
  for (std::size_t i = 0; i < params.size(); ++i) {
    const int index = static_cast<int>(i) + 1;
    int rc = SQLITE_OK;
    if (const auto* n = std::get_if<std::int64_t>(&params[i])) {
      rc = sqlite3_bind_int64(stmt_, index, *n);
    } else if (const auto* s = std::get_if<std::string>(&params[i])) {
      rc =
          sqlite3_bind_text(stmt_, index, s->data(), static_cast<int>(s->size()), SQLITE_TRANSIENT);
    } else if (const auto* b = std::get_if<SqlBlob>(&params[i])) {
      rc = sqlite3_bind_blob(stmt_, index, b->bytes.data(), static_cast<int>(b->bytes.size()),
                             SQLITE_TRANSIENT);
    } else {
      rc = sqlite3_bind_null(stmt_, index);
    }
    if (rc != SQLITE_OK) return false;
  }
  return true;
}

bool SqliteStatement::BindText(int index, std::string_view text) {
  // An empty view may have no data at all, which SQLite would bind as NULL.
  const char* data = text.data() != nullptr ? text.data() : "";
  return stmt_ && sqlite3_bind_text(stmt_, index, data, static_cast<int>(text.size()),
                                    SQLITE_STATIC) == SQLITE_OK;
}

bool SqliteStatement::BindInt(int index, std::int64_t value) {
  return stmt_ && sqlite3_bind_int64(stmt_, index, value) == SQLITE_OK;
}

void SqliteStatement::Reset() {
  if (stmt_) sqlite3_reset(stmt_);
}

bool SqliteStatement::Step(bool* done) {
  if (done) *done = false;
  if (!stmt_) return false;
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE && done) *done = true;
  return false;
}

std::int64_t SqliteStatement::Int(int column) const {
  return sqlite3_column_int64(stmt_, column);
}

std::string SqliteStatement::Text(int column) const {
  const void* data = sqlite3_column_blob(stmt_, column);
  const int size = sqlite3_column_bytes(stmt_, column);
  if (data == nullptr || size <= 0) return {};
  return std::string(static_cast<const char*>(data), static_cast<std::size_t>(size));
}

bool SqliteStatement::IsNull(int column) const {
  return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

std::unique_ptr<SqliteDb> SqliteDb::Open(const std::filesystem::path& file, bool create,
                                         std::string_view schema) {
  sqlite3* raw = nullptr;
  if (create) {
    // The handheld's stores hold its owner's contacts: a new one is private to the user (SQLite
    // gives its journal files the mode of the database file).
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0) ::close(fd);
  }
  const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
  if (sqlite3_open_v2(file.c_str(), &raw, flags, nullptr) != SQLITE_OK) {
    sqlite3_close(raw);
    return nullptr;
  }
  std::unique_ptr<SqliteDb> db(new SqliteDb(raw));
  sqlite3_busy_timeout(raw, 10000);
  // Several processes share these files (the desktop's RAPI calls and the agent): write-ahead
  // logging lets readers go on while one writes, and commits need no flush to disk, which an
  // emulated handheld's state can do without.
  sqlite3_exec(raw, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr,
               nullptr);
  if (!schema.empty()) {
    const std::string text(schema);
    if (sqlite3_exec(raw, text.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) return nullptr;
  }
  return db;
}

SqliteDb::~SqliteDb() {
  sqlite3_close(db_);
}

bool SqliteDb::Exec(std::string_view sql, const std::vector<SqlParam>& params) {
  SqliteStatement stmt(db_, sql);
  if (!stmt.Bind(params)) return false;
  bool done = false;
  while (stmt.Step(&done)) {
  }
  return done;
}

std::optional<std::int64_t> SqliteDb::QueryInt(std::string_view sql,
                                               const std::vector<SqlParam>& params) {
  SqliteStatement stmt(db_, sql);
  if (!stmt.Bind(params) || !stmt.Step() || stmt.IsNull(0)) return std::nullopt;
  return stmt.Int(0);
}

std::optional<std::string> SqliteDb::QueryText(std::string_view sql,
                                               const std::vector<SqlParam>& params) {
  SqliteStatement stmt(db_, sql);
  if (!stmt.Bind(params) || !stmt.Step() || stmt.IsNull(0)) return std::nullopt;
  return stmt.Text(0);
}

}  // namespace velmora::handheld
