// Statement and catalogue helpers on a connection: statements that return no rows, the row
// count of a SELECT, and the tables and columns of the database. Used by the profile store,
// the wizard pages and the sync runs. Results are returned, never thrown.
#pragma once

#include <sql.h>

#include <string>
#include <string_view>
#include <vector>

#include "db/connection.h"

namespace velmora::db {

// Prepares and executes `sql` on a statement of its own; returns SQLExecute's result (callers
// treat SQL_SUCCESS and SQL_SUCCESS_WITH_INFO as success). The statement is freed before
// returning; `error_report` (when given) gets the statement error report on failure.
SQLRETURN Execute(Connection& connection, std::string_view sql,
                  std::string* error_report = nullptr);
SQLRETURN Execute(SQLHDBC connection, std::string_view sql, std::string* error_report = nullptr);

// As Execute; true when the statement ran, also when it found no row to change (engines differ
// in reporting that).
bool RunStatement(Connection& connection, std::string_view sql,
                  std::string* error_report = nullptr);

// Runs "SELECT COUNT(*) FROM (" + sql + ") SQLRecordCountTb"; false when the driver cannot.
bool RecordCount(SQLHDBC connection, std::string_view sql, long* count);
inline bool RecordCount(Connection& connection, std::string_view sql, long* count) {
  return RecordCount(connection.Handle(), sql, count);
}

// Names of the tables (for an Excel connection also the worksheets, which drivers report as
// system tables); never the system tables of other databases.
std::vector<std::string> ListTables(Connection& connection);

// Column names of a table. Every double quote is removed from `table_name` first, and the
// cleaned name is written back.
std::vector<std::string> ListColumns(Connection& connection, std::string& table_name);

// Columns whose driver type no value rule can handle (big integers, byte strings, …): their
// names joined by "," go to `out`; returns how many. Cleans `table_name` as ListColumns does.
int UnusableColumns(Connection& connection, std::string& table_name, std::string* out);

// Names of the primary key columns of `table` (its name as the catalogue knows it, unquoted).
std::vector<std::string> PrimaryKeyColumns(Connection& connection, const std::string& table);

// Whether column `column` (from 0) of an open statement's result is numbered by the database.
bool IsAutoIncrement(SQLHSTMT statement, int column);

// True for the driver SQL types that the value rules handle.
bool IsUsableSqlType(int sql_type);

}  // namespace velmora::db
