#include "profile/profile_transaction.h"

#include <sql.h>
#include <sqlext.h>

#include "db/connection.h"

namespace velmora::profile {
namespace {

bool Ok(SQLRETURN rc) {
  return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

SQLRETURN SetAutoCommit(SQLHDBC dbc, bool on) {
  return SQLSetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT,
                           reinterpret_cast<SQLPOINTER>(
                               static_cast<SQLULEN>(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF)),
                           SQL_IS_UINTEGER);
}

}  // namespace

ProfileTransaction::ProfileTransaction(db::Connection& connection) : connection_(connection) {
  if (!connection_.IsConnected()) return;
  active_ = Ok(SetAutoCommit(connection_.Handle(), false));
}

ProfileTransaction::~ProfileTransaction() {
  if (!ended_) End(false);
}

bool ProfileTransaction::Commit() {
  if (ended_) return false;
  if (!active_) {
    ended_ = true;
    return true;
  }
  const bool ok = Ok(SQLEndTran(SQL_HANDLE_DBC, connection_.Handle(), SQL_COMMIT));
  if (!ok) SQLEndTran(SQL_HANDLE_DBC, connection_.Handle(), SQL_ROLLBACK);
  SetAutoCommit(connection_.Handle(), true);
  ended_ = true;
  return ok;
}

void ProfileTransaction::Rollback() {
  if (!ended_) End(false);
}

void ProfileTransaction::End(bool commit) {
  ended_ = true;
  if (!active_) return;
  SQLEndTran(SQL_HANDLE_DBC, connection_.Handle(), commit ? SQL_COMMIT : SQL_ROLLBACK);
  SetAutoCommit(connection_.Handle(), true);
}

}  // namespace velmora::profile
