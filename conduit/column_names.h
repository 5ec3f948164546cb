// The column-name list of a desktop-to-device run: the names of the desktop columns in the
// order the profile's query is taken to deliver them, from the profile's table text and the
// catalogue of the custom database. Used by the transfer; reads the catalogue, writes nothing.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::db {
class Connection;
}

namespace velmora::conduit {

inline constexpr std::size_t kMaxTables = 20;
inline constexpr std::size_t kMaxColumnNames = 256;

// The table text trimmed at both ends and split at every comma (pieces are not trimmed again),
// at most kMaxTables pieces.
std::vector<std::string> SplitTableText(std::string_view table_text);

// Entries for the tables in order: a column name alone for a single table, "table.column"
// (table without double quotes) for several; at most kMaxColumnNames entries. `columns_of`
// gets a table name and returns its columns in catalogue order.
std::vector<std::string> ColumnNameEntries(
    const std::vector<std::string>& tables,
    const std::function<std::vector<std::string>(std::string& table)>& columns_of);

std::vector<std::string> BuildColumnNameList(db::Connection& custom_db,
                                             std::string_view table_text);

// The entry each result column stands for, from the list `entries` and the names the driver
// reports for the result (`reported`, one per result column). The entry at the column's
// position when it names the reported column (the query delivers the table's columns in
// catalogue order, as "SELECT *" does); otherwise the entry that names the reported column, so
// that a query choosing some columns still feeds each device field from its own column;
// otherwise the entry at the position, or the reported name past the end of the list.
std::vector<std::string> ResultColumnEntries(const std::vector<std::string>& entries,
                                             const std::vector<std::string>& reported);

}  // namespace velmora::conduit
