// Whether a SELECT can be read a window at a time by appending "LIMIT n OFFSET m", and the
// statement of one window. Text only: knows nothing of ODBC. Used by the windowed result set.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmora::db {

// True for the database engines (as a driver names itself, SQL_DBMS_NAME) whose SQL takes
// "LIMIT n OFFSET m" after a whole SELECT: SQLite, PostgreSQL, MySQL and MariaDB.
bool EngineTakesLimitOffset(std::string_view dbms_name);

// `sql` without trailing blanks and semicolons when a limit can be appended to it: one SELECT
// (or WITH … SELECT) that limits, locks or stores nothing itself at its outer level and holds
// no comment. Nothing when a limit might change what it means.
std::optional<std::string> PageableQuery(std::string_view sql);

// The statement of the `rows` rows of `query` (as PageableQuery gives it) from row `first`,
// counting from 0.
std::string WindowStatement(std::string_view query, long first, long rows);

}  // namespace velmora::db
