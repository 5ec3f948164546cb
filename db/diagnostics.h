// Driver diagnostics turned into the fixed report texts that the programs show and log, and
// the test that tells a failed login apart from other connect failures. Used by every caller
// of the db library; reads only the first diagnostic record and never throws.
#pragma once

#include <sql.h>

#include <string>
#include <string_view>

namespace velmora::db {

// The first diagnostic record of a handle. Empty state and message, native code 0, when the
// driver has none.
struct DiagRecord {
  std::string state;
  long native_code = 0;
  std::string message;  // at most 300 characters
};

DiagRecord FirstDiagRecord(SQLSMALLINT handle_type, SQLHANDLE handle);

// "SQLSTATE:%s \n Native Error Code:%ld \n Driver Message:=' %s '" (connection handles).
std::string PlainReport(const DiagRecord& record);
// "Failed to connect to database.\n\nODBC Reports : \n\n" followed by the plain report.
std::string ConnectFailureReport(const DiagRecord& record);
// "ODBC Reports : \n\nSQLSTATE:%s \nNative Error Code:%ld \nDriver Message:=' %s '".
std::string StatementReport(const DiagRecord& record);
// "ODBC Reports : \n\n SQLSTATE:%s \n Native Error Code:%ld \n Driver Message:=' %s '".
std::string ConduitReport(const DiagRecord& record);

// The reports above, read from a handle.
std::string StatementErrorReport(SQLHSTMT statement);
std::string ConnectionReport(SQLHDBC connection);
std::string ConduitReport(SQLSMALLINT handle_type, SQLHANDLE handle);

// A login failure: the message, upper-cased, holds "PASSWORD", "USER" or "LOGIN", or the
// state holds "28000", "42000" or "37000".
bool IsLoginFailure(const DiagRecord& record);

// Reads the first record of the handle; `login_failure` and `report` (the plain report) may
// each be null. Returns the login flag.
bool ClassifyFailure(SQLSMALLINT handle_type, SQLHANDLE handle, bool* login_failure,
                     std::string* report);

}  // namespace velmora::db
