#include "profile/profile_schema.h"

#include <sql.h>
#include <sqlext.h>

#include "db/connection.h"
#include "db/odbc_result_set.h"
#include "db/statements.h"
#include "db/transaction.h"
#include "profile/schema_text.h"
#include "profile/server_session.h"

namespace velmora::profile {
namespace {

bool Ok(SQLRETURN rc) {
  return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

// Held while it lives: one schema maker per server at a time. Engines without advisory locks
// (a file database has one writer at a time anyway) get none.
class SchemaLock {
 public:
  SchemaLock(db::Connection& connection, ServerKind kind) : connection_(connection) {
    if (kind == ServerKind::kPostgres) {
      lock_ = "SELECT pg_advisory_lock(7460117)";
      unlock_ = "SELECT pg_advisory_unlock(7460117)";
    } else if (kind == ServerKind::kMariaDb) {
      lock_ = "SELECT GET_LOCK('velmora_profile_schema', 120)";
      unlock_ = "SELECT RELEASE_LOCK('velmora_profile_schema')";
    }
    if (!lock_.empty()) {
      db::OdbcResultSet rows;  // the lock is taken once the statement has returned its row
      held_ = rows.Open(connection_, lock_);
    }
  }
  ~SchemaLock() {
    if (!held_) return;
    db::OdbcResultSet rows;
    rows.Open(connection_, unlock_);
  }
  SchemaLock(const SchemaLock&) = delete;
  SchemaLock& operator=(const SchemaLock&) = delete;

  bool Held() const { return held_ || lock_.empty(); }

 private:
  db::Connection& connection_;
  std::string lock_;
  std::string unlock_;
  bool held_ = false;
};

}  // namespace

std::vector<std::string> SqlScriptStatements(std::string_view script) {
  std::vector<std::string> statements;
  std::string current;
  while (!script.empty()) {
    const std::size_t end = script.find('\n');
    std::string_view line = script.substr(0, end);
    script = end == std::string_view::npos ? std::string_view() : script.substr(end + 1);
    if (line.rfind("--", 0) == 0) continue;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
    if (line.empty() && current.empty()) continue;
    current += std::string(line) + "\n";
    if (!line.empty() && line.back() == ';') {
      current.erase(current.find_last_of(';'));
      statements.push_back(std::move(current));
      current.clear();
    }
  }
  return statements;
}

bool HasProfileTables(db::Connection& connection) {
  db::OdbcResultSet rows;
  return rows.Open(connection, "SELECT count(*) FROM DBProfile");
}

SchemaOutcome EnsureProfileSchema(db::Connection& connection, bool with_samples,
                                  std::string* error_text) {
  if (!connection.IsConnected()) return SchemaOutcome::kFailed;
  const ServerKind kind = KindOfServer(connection);
  SchemaLock lock(connection, kind);
  if (!lock.Held()) {
    if (error_text) *error_text = "the server's lock for making the profile tables was not granted";
    return SchemaOutcome::kFailed;
  }
  if (HasProfileTables(connection)) return SchemaOutcome::kPresent;
  db::Transaction transaction(connection);
  const std::string_view scripts[] = {kSchemaSql, SchemaAdditions(kind),
                                      with_samples ? kSampleProfilesSql : ""};
  for (const std::string_view script : scripts) {
    for (const std::string& statement : SqlScriptStatements(script)) {
      if (!Ok(db::Execute(connection, statement, error_text))) return SchemaOutcome::kFailed;
    }
  }
  if (!transaction.Commit()) {
    // Another maker without a lock (an engine that has none) finished first.
    return HasProfileTables(connection) ? SchemaOutcome::kPresent : SchemaOutcome::kFailed;
  }
  return SchemaOutcome::kCreated;
}

}  // namespace velmora::profile
