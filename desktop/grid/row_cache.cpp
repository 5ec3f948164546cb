#include "desktop/grid/row_cache.h"

#include <algorithm>

namespace velmora::desktop {

RowCache::RowCache(int capacity) : slots_(static_cast<size_t>(std::max(capacity, 1))) {}

const std::vector<QString>* RowCache::Find(long row) const {
  if (row < 0) return nullptr;
  const Slot& slot = slots_[static_cast<size_t>(row) % slots_.size()];
  return slot.row == row ? &slot.texts : nullptr;
}

const std::vector<QString>& RowCache::Store(long row, std::vector<QString> texts) {
  Slot& slot = slots_[static_cast<size_t>(std::max(row, 0L)) % slots_.size()];
  slot.row = row;
  slot.texts = std::move(texts);
  return slot.texts;
}

void RowCache::Clear() {
  for (Slot& slot : slots_) {
    slot.row = -1;
    slot.texts.clear();
  }
}

}  // namespace velmora::desktop
