#include "db/diagnostics.h"

#include <algorithm>
#include <cstdio>

#include "db/odbc_handles.h"
#include "db/wide.h"
#include "platform/text/utf.h"

namespace velmora::db {
namespace {

constexpr SQLSMALLINT kMessageUnits = 300;

std::string Format(const char* format, const DiagRecord& r) {
  int n = std::snprintf(nullptr, 0, format, r.state.c_str(), r.native_code, r.message.c_str());
  if (n < 0) return {};
  std::string out(static_cast<std::size_t>(n) + 1, '\0');
  std::snprintf(out.data(), out.size(), format, r.state.c_str(), r.native_code, r.message.c_str());
  out.resize(static_cast<std::size_t>(n));
  return out;
}

bool Contains(std::string_view haystack, std::string_view needle) {
  return haystack.find(needle) != std::string_view::npos;
}

}  // namespace

DiagRecord FirstDiagRecord(SQLSMALLINT handle_type, SQLHANDLE handle) {
  DiagRecord record;
  if (handle == SQL_NULL_HANDLE) return record;
  SQLWCHAR state[6] = {};
  SQLWCHAR message[kMessageUnits + 1] = {};
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  SQLRETURN rc =
      SQLGetDiagRecW(handle_type, handle, 1, state, &native, message, kMessageUnits + 1, &length);
  if (!Succeeded(rc)) return record;
  record.state = FromSqlWide(state, -1);
  record.native_code = native;
  std::u16string text(message, message + std::min<long>(length, kMessageUnits));
  text.resize(velmora::text::Utf16PrefixAtBoundary(text, text.size()));
  record.message = velmora::text::Utf16ToUtf8(text);
  return record;
}

std::string PlainReport(const DiagRecord& record) {
  return Format("SQLSTATE:%s \n Native Error Code:%ld \n Driver Message:=' %s '", record);
}

std::string ConnectFailureReport(const DiagRecord& record) {
  return Format(
      "Failed to connect to database.\n\nODBC Reports : \n\n SQLSTATE:%s \n Native Error "
      "Code:%ld \n Driver Message:=' %s '",
      record);
}

std::string StatementReport(const DiagRecord& record) {
  return Format("ODBC Reports : \n\nSQLSTATE:%s \nNative Error Code:%ld \nDriver Message:=' %s '",
                record);
}

std::string ConduitReport(const DiagRecord& record) {
  return Format(
      "ODBC Reports : \n\n SQLSTATE:%s \n Native Error Code:%ld \n Driver Message:=' %s '", record);
}

std::string StatementErrorReport(SQLHSTMT statement) {
  return StatementReport(FirstDiagRecord(SQL_HANDLE_STMT, statement));
}

std::string ConnectionReport(SQLHDBC connection) {
  return PlainReport(FirstDiagRecord(SQL_HANDLE_DBC, connection));
}

std::string ConduitReport(SQLSMALLINT handle_type, SQLHANDLE handle) {
  return ConduitReport(FirstDiagRecord(handle_type, handle));
}

bool IsLoginFailure(const DiagRecord& record) {
  std::string upper = velmora::text::AsciiUpper(record.message);
  return Contains(upper, "PASSWORD") || Contains(upper, "USER") || Contains(upper, "LOGIN") ||
         Contains(record.state, "28000") || Contains(record.state, "42000") ||
         Contains(record.state, "37000");
}

bool ClassifyFailure(SQLSMALLINT handle_type, SQLHANDLE handle, bool* login_failure,
                     std::string* report) {
  DiagRecord record = FirstDiagRecord(handle_type, handle);
  bool login = IsLoginFailure(record);
  if (login_failure != nullptr) *login_failure = login;
  if (report != nullptr) *report = PlainReport(record);
  return login;
}

}  // namespace velmora::db
