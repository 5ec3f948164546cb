#include "desktop/grid/row_order.h"

#include <algorithm>

namespace velmora::desktop {

std::vector<int> OrderAfterMove(int row_count, std::vector<int> rows, int destination) {
  std::erase_if(rows, [row_count](int row) { return row < 0 || row >= row_count; });
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  if (rows.empty()) return {};
  destination = std::clamp(destination, 0, row_count);

  std::vector<bool> moving(static_cast<size_t>(row_count), false);
  for (int row : rows) moving[static_cast<size_t>(row)] = true;

  std::vector<int> order;
  order.reserve(static_cast<size_t>(row_count));
  for (int row = 0; row < row_count; ++row) {
    if (row == destination) order.insert(order.end(), rows.begin(), rows.end());
    if (!moving[static_cast<size_t>(row)]) order.push_back(row);
  }
  if (destination == row_count) order.insert(order.end(), rows.begin(), rows.end());
  return order;
}

}  // namespace velmora::desktop
