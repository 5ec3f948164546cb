#include "db/transaction.h"

#include <sqlext.h>

#include <string_view>

#include "db/odbc_handles.h"
#include "db/statement.h"
#include "platform/files/crash_point.h"

namespace velmora::db {
namespace {

constexpr std::string_view kSavepoint = "SAVEPOINT velmora_row";
constexpr std::string_view kRelease = "RELEASE SAVEPOINT velmora_row";
constexpr std::string_view kRollbackTo = "ROLLBACK TO SAVEPOINT velmora_row";

bool CanDoTransactions(SQLHDBC connection) {
  SQLUSMALLINT capable = SQL_TC_NONE;
  // A driver that cannot say is tried all the same.
  if (!Succeeded(SQLGetInfoW(connection, SQL_TXN_CAPABLE, &capable, sizeof capable, nullptr))) {
    return true;
  }
  return capable != SQL_TC_NONE;
}

bool SetAutoCommit(SQLHDBC connection, bool on) {
  return Succeeded(SQLSetConnectAttrW(connection, SQL_ATTR_AUTOCOMMIT,
                                      reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(
                                          on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF)),
                                      SQL_IS_UINTEGER));
}

}  // namespace

// The savepoint statements, on handles of their own kept for the many steps of a run. They run
// directly, never prepared: PostgreSQL's driver loses track of a savepoint set by a prepared
// statement, and the undo after a failed statement would find the transaction aborted.
class Transaction::Savepoints {
 public:
  explicit Savepoints(Connection& connection) : set_(connection), end_(connection) {}

  // False when the database knows no savepoints: the steps then run without them.
  bool Start() { return Set() && Release(); }
  bool Set() { return set_.ExecuteDirect(kSavepoint); }
  bool Release() { return end_.ExecuteDirect(kRelease); }
  bool Undo() { return end_.ExecuteDirect(kRollbackTo); }

 private:
  Statement set_;
  Statement end_;
};

Transaction::Transaction(Connection& connection) : connection_(connection) {
  if (!connection_.IsConnected() || !CanDoTransactions(connection_.Handle())) return;
  active_ = SetAutoCommit(connection_.Handle(), false);
}

Transaction::~Transaction() {
  if (!ended_) End(false);
}

bool Transaction::Commit() {
  if (ended_) return false;
  if (!active_) {
    ended_ = true;
    return true;
  }
  const bool committed = Succeeded(SQLEndTran(SQL_HANDLE_DBC, connection_.Handle(), SQL_COMMIT));
  files::CrashPoint("commit");
  End(committed);
  return committed;
}

void Transaction::Rollback() {
  if (!ended_) End(false);
}

void Transaction::End(bool committed) {
  ended_ = true;
  savepoints_.reset();
  if (!active_) return;
  if (!committed) SQLEndTran(SQL_HANDLE_DBC, connection_.Handle(), SQL_ROLLBACK);
  SetAutoCommit(connection_.Handle(), true);
}

void Transaction::BeginStep() {
  step_guarded_ = false;
  if (!active_ || ended_) return;
  if (!savepoints_tried_) {
    savepoints_tried_ = true;
    savepoints_ = std::make_unique<Savepoints>(connection_);
    if (!savepoints_->Start()) savepoints_.reset();
  }
  step_guarded_ = savepoints_ && savepoints_->Set();
}

bool Transaction::EndStep(bool succeeded) {
  if (!step_guarded_) return succeeded || !active_;
  step_guarded_ = false;
  // A savepoint that is gone means the transaction it belonged to is gone too.
  const bool undone = succeeded || savepoints_->Undo();
  const bool released = savepoints_->Release();
  return undone && released;
}

}  // namespace velmora::db
