#include "conduit/odbc_direct.h"

#include <sqlext.h>

#include "db/diagnostics.h"
#include "db/driver_text.h"
#include "db/odbc_handles.h"
#include "platform/files/crash_point.h"
#include "platform/text/utf.h"

namespace velmora::conduit {

std::basic_string<SQLWCHAR> WideSql(std::string_view sql) {
  std::u16string units = text::Utf8ToUtf16(sql);
  return std::basic_string<SQLWCHAR>(units.begin(), units.end());
}

std::string StatementDiagnostic(SQLHSTMT statement) {
  return db::PlainReport(db::FirstDiagRecord(SQL_HANDLE_STMT, statement));
}

DirectResult ExecuteDirect(SQLHDBC connection, std::string_view sql) {
  db::StmtHandle statement;
  if (!db::Succeeded(statement.Allocate(connection))) {
    return {false, db::PlainReport(db::FirstDiagRecord(SQL_HANDLE_DBC, connection))};
  }
  // In the text the driver takes (UTF-8 for a driver without the wide calls, which the driver
  // manager would otherwise squeeze through one byte per character), past the statement
  // crash point.
  SQLRETURN rc = db::ExecDirectText(connection, statement.get(), sql);
  // A statement that changes no rows reports SQL_NO_DATA; that is no failure.
  if (db::Succeeded(rc) || rc == SQL_NO_DATA) return {true, {}};
  return {false, StatementDiagnostic(statement.get())};
}

std::optional<long> QueryCount(SQLHDBC connection, std::string_view sql) {
  db::StmtHandle statement;
  if (!db::Succeeded(statement.Allocate(connection))) return std::nullopt;
  if (!db::Succeeded(db::ExecDirectText(connection, statement.get(), sql))) return std::nullopt;
  if (!db::Succeeded(SQLFetch(statement.get()))) return std::nullopt;
  SQLBIGINT count = 0;
  SQLLEN indicator = 0;
  if (!db::Succeeded(
          SQLGetData(statement.get(), 1, SQL_C_SBIGINT, &count, sizeof count, &indicator))) {
    return std::nullopt;
  }
  return indicator == SQL_NULL_DATA ? 0 : static_cast<long>(count);
}

WriteTransaction::WriteTransaction(SQLHDBC connection) : connection_(connection) {
  SQLUSMALLINT capable = SQL_TC_NONE;
  if (!db::Succeeded(
          SQLGetInfoW(connection_, SQL_TXN_CAPABLE, &capable, sizeof capable, nullptr)) ||
      capable == SQL_TC_NONE) {
    return;
  }
  active_ = db::Succeeded(SQLSetConnectAttrW(connection_, SQL_ATTR_AUTOCOMMIT,
                                             reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF),
                                             SQL_IS_UINTEGER));
  if (!active_) return;
  // Databases that abort the whole transaction on a failed statement need a savepoint per
  // row; a driver that knows no savepoints simply runs without them.
  savepoints_ = ExecuteDirect(connection_, "SAVEPOINT velmora_row").ok &&
                ExecuteDirect(connection_, "RELEASE SAVEPOINT velmora_row").ok;
}

WriteTransaction::~WriteTransaction() {
  if (active_) Finish(SQL_ROLLBACK);
}

void WriteTransaction::BeginRow() {
  row_guarded_ = savepoints_ && ExecuteDirect(connection_, "SAVEPOINT velmora_row").ok;
}

bool WriteTransaction::EndRow(bool succeeded) {
  if (!row_guarded_) return succeeded || !active_;
  row_guarded_ = false;
  // A savepoint that is gone means the transaction it belonged to is gone too.
  const bool undone =
      succeeded || ExecuteDirect(connection_, "ROLLBACK TO SAVEPOINT velmora_row").ok;
  const bool released = ExecuteDirect(connection_, "RELEASE SAVEPOINT velmora_row").ok;
  return undone && released;
}

void WriteTransaction::Rollback() {
  if (active_) Finish(SQL_ROLLBACK);
}

bool WriteTransaction::Commit() {
  if (!active_) return true;
  bool committed = db::Succeeded(SQLEndTran(SQL_HANDLE_DBC, connection_, SQL_COMMIT));
  files::CrashPoint("commit");
  Finish(committed ? SQL_COMMIT : SQL_ROLLBACK);
  return committed;
}

void WriteTransaction::Finish(SQLSMALLINT completion) {
  if (completion == SQL_ROLLBACK) SQLEndTran(SQL_HANDLE_DBC, connection_, SQL_ROLLBACK);
  SQLSetConnectAttrW(connection_, SQL_ATTR_AUTOCOMMIT,
                     reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), SQL_IS_UINTEGER);
  active_ = false;
}

}  // namespace velmora::conduit
