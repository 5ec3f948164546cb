#include "db/memory_result_set.h"

#include <utility>

#include "db/value_format.h"

namespace velmora::db {

MemoryResultSet::MemoryResultSet(std::vector<ColumnInfo> columns,
                                 std::vector<std::vector<Value>> rows)
    : columns_(std::move(columns)), rows_(std::move(rows)) {}

const ColumnInfo* MemoryResultSet::Column(int column) const {
  if (column < 0 || column >= ColumnCount()) return nullptr;
  return &columns_[static_cast<std::size_t>(column)];
}

std::string MemoryResultSet::ColumnName(int column) const {
  const ColumnInfo* c = Column(column);
  return c ? c->name : std::string();
}

int MemoryResultSet::ColumnType(int column) const {
  const ColumnInfo* c = Column(column);
  return c ? c->type : 0;
}

int MemoryResultSet::ColumnSize(int column) const {
  const ColumnInfo* c = Column(column);
  return c ? c->size : 0;
}

int MemoryResultSet::DecimalDigits(int column) const {
  const ColumnInfo* c = Column(column);
  return c ? c->digits : 0;
}

bool MemoryResultSet::MoveToRow(long row) {
  if (row < 0 || row >= RowCount()) return false;
  current_ = row;
  return true;
}

Value MemoryResultSet::GetValue(int column) {
  if (current_ < 0 || Column(column) == nullptr) return Null{};
  const std::vector<Value>& row = rows_[static_cast<std::size_t>(current_)];
  if (static_cast<std::size_t>(column) >= row.size()) return Null{};
  return row[static_cast<std::size_t>(column)];
}

std::string MemoryResultSet::ValueText(long /*row*/, int column) {
  return FormatValue(ColumnType(column), GetValue(column));
}

}  // namespace velmora::db
