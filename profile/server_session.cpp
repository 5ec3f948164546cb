#include "profile/server_session.h"

#include <sql.h>
#include <sqlext.h>

#include "db/connection.h"
#include "db/statements.h"
#include "platform/text/utf.h"

namespace velmora::profile {

ServerKind KindOfServer(db::Connection& connection) {
  SQLCHAR name[128] = {};
  SQLSMALLINT length = 0;
  const SQLRETURN rc = SQLGetInfo(connection.Handle(), SQL_DBMS_NAME, name, sizeof name, &length);
  if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) return ServerKind::kOther;
  const std::string dbms = text::AsciiUpper(reinterpret_cast<const char*>(name));
  if (dbms.find("POSTGRES") != std::string::npos) return ServerKind::kPostgres;
  if (dbms.find("MYSQL") != std::string::npos || dbms.find("MARIA") != std::string::npos) {
    return ServerKind::kMariaDb;
  }
  return ServerKind::kOther;
}

bool ConnectProfileServer(db::Connection& connection, std::string_view dsn,
                          std::string* error_text) {
  if (!connection.Connect("", db::kDatabaseDsn, dsn, "", "", error_text, false)) return false;
  if (KindOfServer(connection) != ServerKind::kMariaDb) return true;
  const SQLRETURN rc = db::Execute(
      connection, "SET SESSION sql_mode = CONCAT(@@SESSION.sql_mode, ',ANSI_QUOTES')", error_text);
  if (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) return true;
  connection.Disconnect();
  return false;
}

std::string_view SchemaAdditions(ServerKind kind) {
  if (kind != ServerKind::kMariaDb) return {};
  return "CREATE OR REPLACE VIEW pocketmaster AS SELECT FieldID, FieldName FROM PocketMaster;\n";
}

}  // namespace velmora::profile
