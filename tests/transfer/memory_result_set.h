// An in-memory result set for the transfer tests and benchmarks: fixed column descriptions and
// values produced by a function of (row, column), so that large results cost no memory. Rows
// listed as unfetchable fail MoveToRow, as a driver's fetch error would.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "db/result_set.h"

namespace velmora::testing {

struct MemoryColumn {
  std::string name;
  int type = 0;  // normalised code, db/type_codes.h
  int size = 0;
  int digits = 0;
};

class MemoryResultSet : public db::ResultSet {
 public:
  using Generator = std::function<db::Value(long row, int column)>;

  MemoryResultSet(std::vector<MemoryColumn> columns, long rows, Generator values)
      : columns_(std::move(columns)), rows_(rows), values_(std::move(values)) {}
  MemoryResultSet(std::vector<MemoryColumn> columns, std::vector<std::vector<db::Value>> table)
      : columns_(std::move(columns)), rows_(static_cast<long>(table.size())) {
    values_ = [table = std::move(table)](long row, int column) {
      return table[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
    };
  }

  void FailRow(long row) { failing_.insert(row); }
  long fetches() const { return fetches_; }

  int ColumnCount() const override { return static_cast<int>(columns_.size()); }
  long RowCount() const override { return rows_; }
  std::string ColumnName(int c) const override { return columns_.at(c).name; }
  int ColumnType(int c) const override { return columns_.at(c).type; }
  int ColumnSize(int c) const override { return columns_.at(c).size; }
  int DecimalDigits(int c) const override { return columns_.at(c).digits; }
  bool MoveToRow(long row) override {
    ++fetches_;
    if (row < 0 || row >= rows_ || failing_.count(row)) {
      current_ = -1;
      return false;
    }
    current_ = row;
    return true;
  }
  std::string ValueText(long, int column) override {
    db::Value v = GetValue(column);
    if (auto* s = std::get_if<std::string>(&v)) return *s;
    return std::string();
  }
  db::Value GetValue(int column) override {
    if (current_ < 0) return db::Null{};
    return values_(current_, column);
  }

 private:
  std::vector<MemoryColumn> columns_;
  long rows_ = 0;
  Generator values_;
  std::set<long> failing_;
  long current_ = -1;
  long fetches_ = 0;
};

}  // namespace velmora::testing
