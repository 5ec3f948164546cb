// A result set made up on the fly for the grid tests: any number of rows, the text of a cell
// derived from its position unless set, every cursor move counted, chosen rows failing to fetch.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "db/result_set.h"

namespace velmora::testing {

class FakeResultSet : public db::ResultSet {
 public:
  struct Counters {
    long moves = 0;
    long value_reads = 0;
  };

  FakeResultSet(long rows, std::vector<std::string> columns, Counters* counters)
      : rows_(rows), columns_(std::move(columns)), counters_(counters) {}

  void FailRow(long row) { failing_.insert(row); }
  void SetText(long row, int column, std::string text) { texts_[{row, column}] = std::move(text); }

  int ColumnCount() const override { return static_cast<int>(columns_.size()); }
  long RowCount() const override { return rows_; }
  std::string ColumnName(int column) const override { return columns_.at(column); }
  int ColumnType(int) const override { return 1; }
  int ColumnSize(int) const override { return 50; }
  int DecimalDigits(int) const override { return 0; }

  bool MoveToRow(long row) override {
    ++counters_->moves;
    if (row < 0 || row >= rows_ || failing_.count(row) > 0) {
      current_ = -1;
      return false;
    }
    current_ = row;
    return true;
  }

  // Like a real cursor, the text comes from the current row whatever row is named.
  std::string ValueText(long, int column) override {
    ++counters_->value_reads;
    if (current_ < 0) return {};
    if (auto own = texts_.find({current_, column}); own != texts_.end()) return own->second;
    return "r" + std::to_string(current_) + "c" + std::to_string(column);
  }

  db::Value GetValue(int column) override { return ValueText(current_, column); }

 private:
  long rows_;
  std::vector<std::string> columns_;
  Counters* counters_;
  std::set<long> failing_;
  std::map<std::pair<long, int>, std::string> texts_;
  long current_ = -1;
};

}  // namespace velmora::testing
