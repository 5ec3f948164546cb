// A result set over rows held in memory: for tests of other subsystems and for staging file
// databases. Columns are described by the caller; value text follows the same rules as for a
// database column of that type. Never touches a driver.
#pragma once

#include <string>
#include <vector>

#include "db/result_set.h"
#include "db/value.h"

namespace velmora::db {

struct ColumnInfo {
  std::string name;
  int type = 1;  // normalised type code, db/type_codes.h
  int size = 0;
  int digits = 0;
};

class MemoryResultSet : public ResultSet {
 public:
  MemoryResultSet() = default;
  MemoryResultSet(std::vector<ColumnInfo> columns, std::vector<std::vector<Value>> rows);

  int ColumnCount() const override { return static_cast<int>(columns_.size()); }
  long RowCount() const override { return static_cast<long>(rows_.size()); }
  std::string ColumnName(int column) const override;
  int ColumnType(int column) const override;
  int ColumnSize(int column) const override;
  int DecimalDigits(int column) const override;

  bool MoveToRow(long row) override;
  // Empty before the first successful move, for a column outside the row, and for Null.
  std::string ValueText(long row, int column) override;
  Value GetValue(int column) override;

 private:
  const ColumnInfo* Column(int column) const;

  std::vector<ColumnInfo> columns_;
  std::vector<std::vector<Value>> rows_;
  long current_ = -1;
};

}  // namespace velmora::db
