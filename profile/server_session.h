// The server engines a shared profile database may live on, and what a connection to one needs
// before the profile statements run unchanged: MariaDB reads double quotes as identifier quotes
// only in ANSI_QUOTES mode, and on a case-sensitive server the catalogue that the statements
// name in two spellings ("PocketMaster", "pocketmaster") has a second name.
#pragma once

#include <string>
#include <string_view>

namespace velmora::db {
class Connection;
}

namespace velmora::profile {

enum class ServerKind { kOther, kPostgres, kMariaDb };

ServerKind KindOfServer(db::Connection& connection);

// Connects the server data source `dsn` (user and password from its odbc.ini entry) and readies
// the session for the profile statements.
bool ConnectProfileServer(db::Connection& connection, std::string_view dsn,
                          std::string* error_text);

// Statements that follow the shipped schema on this kind of server.
std::string_view SchemaAdditions(ServerKind kind);

}  // namespace velmora::profile
