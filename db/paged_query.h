// Whether a SELECT can be read a window at a time by appending "LIMIT n OFFSET m", and the
// statements of one window: in the query's own order, or, for a query of one table, in the
// order of the table's key from either end. Text only: knows nothing of ODBC. Used by the
// windowed result set.
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

// A pageable SELECT of plain columns (no function, subquery or DISTINCT in its list) of one
// table named alone, with at most a condition and an order after it. Its rows are the table's
// rows that meet the condition, one each, whatever the columns.
struct TableSelect {
  std::string columns;    // the select list as written
  std::string table;      // the table as written, quoted or bare
  std::string condition;  // what follows WHERE; empty when none
  std::string order;      // what follows ORDER BY; empty when none
};
std::optional<TableSelect> TableSelectOf(std::string_view sql);

// The table name as the catalogue holds it: `table` without its quotes.
std::string UnquotedTable(std::string_view table);

// What the rows of a table select are drawn from, the same text for every select of the same
// rows: table and condition.
std::string RowSourceOf(const TableSelect& select);

// "SELECT COUNT(*), MAX(key) FROM table [WHERE condition]": the rows and the highest key at
// one moment. `key` is the key column as a statement names it, quoted.
std::string KeyedCountStatement(const TableSelect& select, std::string_view key);

// The statement of the `rows` rows from position `first` of `select` in the order of `key`
// (quoted as above), reading only rows whose key is at most `bound` (an SQL literal).
// Descending, the rows come last first: positions first + rows - 1 down to first of `count`.
std::string KeyedWindowStatement(const TableSelect& select, std::string_view key,
                                 std::string_view bound, long count, long first, long rows,
                                 bool descending);

}  // namespace velmora::db
