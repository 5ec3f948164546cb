// The result-set interface that every grid and every sync run reads through. The ODBC
// result set implements it over a scrollable cursor; tests and staging code may implement it
// over memory. Rows are never loaded in bulk: callers move to one row, then read its values.
#pragma once

#include <string>

#include "db/value.h"

namespace velmora::db {

class ResultSet {
 public:
  virtual ~ResultSet() = default;

  virtual int ColumnCount() const = 0;                   // 0 when nothing is open
  virtual long RowCount() const = 0;                     // 0 when nothing is open
  virtual std::string ColumnName(int column) const = 0;  // columns count from 0
  virtual int ColumnType(int column) const = 0;          // normalised code, db/type_codes.h
  virtual int ColumnSize(int column) const = 0;
  virtual int DecimalDigits(int column) const = 0;

  // Positions on row `row` (counting from 0); true on success.
  virtual bool MoveToRow(long row) = 0;
  // Display text of a column of the current row (the row argument names the row the caller
  // moved to; the value always comes from the current row).
  virtual std::string ValueText(long row, int column) = 0;
  // Typed value of a column of the current row; Null for SQL NULL or a failed fetch.
  virtual Value GetValue(int column) = 0;
};

}  // namespace velmora::db
