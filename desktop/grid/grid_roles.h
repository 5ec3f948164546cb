// Item-data roles through which a grid model tells the grid's delegate and view how a cell is
// edited and how wide a column is. Any model shown in a GridView may answer them; a model that
// does not gets read-only cells and the view's default column widths.
#pragma once

#include <Qt>

namespace velmora::desktop {

enum GridRole : int {
  kEditorKindRole = Qt::UserRole + 0x100,  // int, an EditorKind
  kChoicesRole,                            // QStringList offered by a drop-down cell
  kMaxLengthRole,                          // int, longest text a free-text cell takes; 0 = any
  kColumnWidthRole,                        // header data: int pixels; 0 = view's default
};

}  // namespace velmora::desktop
