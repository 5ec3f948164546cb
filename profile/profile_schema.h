// The profile database made on a server: the tables and the shipped rows (device field
// catalogue, the two sample profiles) created on an empty database once. Several installers
// may do it at the same moment: each takes the server's advisory lock (PostgreSQL, MariaDB)
// and writes everything in one transaction, so the rows are made exactly once.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velmora::db {
class Connection;
}

namespace velmora::profile {

enum class SchemaOutcome { kCreated, kPresent, kFailed };

// `with_samples` adds the shipped sample profiles to the tables it makes.
SchemaOutcome EnsureProfileSchema(db::Connection& connection, bool with_samples,
                                  std::string* error_text);

// True when the connection holds a DBProfile table.
bool HasProfileTables(db::Connection& connection);

// The statements of an SQL script: comment lines dropped, split at the semicolons that end a
// line.
std::vector<std::string> SqlScriptStatements(std::string_view script);

}  // namespace velmora::profile
