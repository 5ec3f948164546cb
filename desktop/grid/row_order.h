// Where every row goes when a block of rows is moved within a list: the arithmetic behind the
// grid's drag-and-drop reordering, kept apart so that it can be checked without a model.
// Plain C++; knows nothing of Qt.
#pragma once

#include <vector>

namespace velmora::desktop {

// The new order of rows 0..row_count-1 after moving `rows` as one block (kept in ascending
// order) so that it lands where row `destination` stood (row_count = at the end). Element i of
// the result is the old position of the row now at position i. Out-of-range and duplicate rows
// are ignored; an empty result means there is nothing valid to move.
std::vector<int> OrderAfterMove(int row_count, std::vector<int> rows, int destination);

}  // namespace velmora::desktop
