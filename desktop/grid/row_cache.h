// The few rows of a result set that a grid showed last, as display texts, so that repainting
// the visible rows does not move the cursor again. One slot per row number modulo the
// capacity: a screenful of consecutive rows never evicts itself. Never reads a result set.
#pragma once

#include <QString>
#include <vector>

namespace velmora::desktop {

class RowCache {
 public:
  explicit RowCache(int capacity);

  // The texts of `row`, or nullptr when the row is not held.
  const std::vector<QString>* Find(long row) const;
  const std::vector<QString>& Store(long row, std::vector<QString> texts);
  void Clear();

  int capacity() const { return static_cast<int>(slots_.size()); }

 private:
  struct Slot {
    long row = -1;
    std::vector<QString> texts;
  };
  std::vector<Slot> slots_;
};

}  // namespace velmora::desktop
