// Small direct statements on a custom database connection that the device-to-desktop writers
// need beyond the db library: a statement run at once with its diagnostic text, a count, and
// the transaction that keeps one run's delete and inserts together. Internal to conduit/.
#pragma once

#include <sql.h>

#include <optional>
#include <string>
#include <string_view>

namespace velmora::conduit {

struct DirectResult {
  bool ok = false;
  std::string diagnostic;  // "SQLSTATE:… Native Error Code:… Driver Message:=' … '" on failure
};

DirectResult ExecuteDirect(SQLHDBC connection, std::string_view sql);
// The first column of the first row as an integer; none when the statement fails.
std::optional<long> QueryCount(SQLHDBC connection, std::string_view sql);
// The diagnostic text of a statement handle, as ExecuteDirect reports it.
std::string StatementDiagnostic(SQLHSTMT statement);
// SQL text as the wide calls take it.
std::basic_string<SQLWCHAR> WideSql(std::string_view sql);

// Turns auto-commit off for its lifetime where the driver supports transactions; what was not
// committed is rolled back when it goes. Inside it each row is guarded by a savepoint, so that
// a failed row is undone alone and the others still commit on every database. A failure that
// cannot be undone alone (no savepoint, or the driver ended the transaction itself, as SQLite
// does on a full disk) must stop the writing: every later statement would run outside the
// transaction.
class WriteTransaction {
 public:
  explicit WriteTransaction(SQLHDBC connection);
  ~WriteTransaction();
  WriteTransaction(const WriteTransaction&) = delete;
  WriteTransaction& operator=(const WriteTransaction&) = delete;

  bool Active() const { return active_; }
  // Before a row's statement; after it, with the outcome. EndRow is false when the row failed
  // and could not be undone alone: the caller stops and rolls back.
  void BeginRow();
  bool EndRow(bool succeeded);
  bool Commit();
  void Rollback();

 private:
  void Finish(SQLSMALLINT completion);

  SQLHDBC connection_;
  bool active_ = false;
  bool savepoints_ = false;
  bool row_guarded_ = false;
};

}  // namespace velmora::conduit
