#include "desktop/grid/row_order.h"

#include <gtest/gtest.h>

namespace velmora::desktop {
namespace {

struct MoveCase {
  const char* what;
  int row_count;
  std::vector<int> rows;
  int destination;
  std::vector<int> expected;  // old positions in their new order; empty = refused
};

const MoveCase kMoveCases[] = {
    {"one row down past its neighbour", 4, {0}, 2, {1, 0, 2, 3}},
    {"one row up to the top", 4, {3}, 0, {3, 0, 1, 2}},
    {"one row to the end", 4, {1}, 4, {0, 2, 3, 1}},
    {"onto its own place", 4, {2}, 2, {0, 1, 2, 3}},
    {"just below itself", 4, {2}, 3, {0, 1, 2, 3}},
    {"block down", 5, {0, 1}, 4, {2, 3, 0, 1, 4}},
    {"block up keeps its order", 5, {3, 4}, 1, {0, 3, 4, 1, 2}},
    {"scattered rows gather in order", 6, {4, 1}, 3, {0, 2, 1, 4, 3, 5}},
    {"destination inside the block", 5, {1, 2, 3}, 2, {0, 1, 2, 3, 4}},
    {"duplicates count once", 3, {2, 2}, 0, {2, 0, 1}},
    {"out-of-range rows ignored", 3, {-1, 7, 0}, 3, {1, 2, 0}},
    {"destination past the end clamps", 3, {0}, 99, {1, 2, 0}},
    {"negative destination clamps to the top", 3, {2}, -5, {2, 0, 1}},
    {"nothing valid to move", 3, {5}, 0, {}},
    {"empty list", 0, {0}, 0, {}},
};

TEST(OrderAfterMoveTest, PlacesTheBlockWhereTheDestinationRowStood) {
  for (const MoveCase& c : kMoveCases) {
    EXPECT_EQ(OrderAfterMove(c.row_count, c.rows, c.destination), c.expected) << c.what;
  }
}

}  // namespace
}  // namespace velmora::desktop
