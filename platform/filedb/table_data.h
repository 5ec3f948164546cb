// A table read from a source file and held in memory until it is written into the staging
// database. Produced by the CSV, dBase and workbook readers, consumed by the SQLite writer
// and by dBase write-back. Pure data; it never touches a file.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace velmora::filedb {

// Empty (SQL NULL), UTF-8 text, integer or double.
using Cell = std::variant<std::monostate, std::string, std::int64_t, double>;

struct ColumnSpec {
  std::string name;
  std::string declared_type;  // chosen so that the SQLite 3 ODBC driver reports the SQL type
  std::string check;          // a CHECK expression over the column, or empty
};

struct TableData {
  std::string name;
  std::vector<ColumnSpec> columns;
  std::vector<std::vector<Cell>> rows;  // each row has one cell per column
};

// Column names as SQLite can hold them: an empty name becomes "F" and its position from 1
// (as the Windows drivers name unnamed columns), and a name already taken (SQLite compares
// ASCII letters without case) gets the lowest free number appended.
std::vector<std::string> UniqueColumnNames(const std::vector<std::string>& raw);

// "VARCHAR(n)" wide enough for every text in the column, never below 255 characters.
std::string TextColumnType(const std::vector<std::vector<Cell>>& rows, std::size_t column);

}  // namespace velmora::filedb
