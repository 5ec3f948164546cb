// The plain values a GridModel is made of: column definitions, cells and rows. The wizard's
// mapping list, the filter dialog and the restore dialog describe their lists with them.
// Value types only: no Qt objects with identity, no behaviour beyond defaults.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <vector>

namespace velmora::desktop {

// How the user changes a cell in place (by double-click or the edit key).
enum class EditorKind : int {
  kNone = 0,    // read-only
  kText = 1,    // free text in a line edit
  kChoice = 2,  // one of a fixed list, picked from a drop-down list
};

struct GridColumn {
  QString title;
  int width = 0;  // pixels; 0 leaves the view's default
  EditorKind editor = EditorKind::kNone;
  QStringList choices;  // for kChoice
  int max_length = 0;   // for kText; 0 = no limit
};

struct GridCell {
  QString text;
  std::optional<EditorKind> editor;  // overrides the column's editor for this cell
  QString tool_tip;                  // empty = none
  QColor foreground;                 // invalid = the view's colour
  QColor background;                 // invalid = the view's colour
  bool bold = false;
};

struct GridRow {
  std::vector<GridCell> cells;  // missing trailing cells read as empty
  bool checked = false;         // shown only when the model is checkable
  QVariant data;                // the caller's own value for the row (an entry, an id)
};

GridColumn ReadOnlyColumn(const QString& title, int width = 0);
GridColumn ChoiceColumn(const QString& title, int width, const QStringList& choices);
GridColumn TextColumn(const QString& title, int width, int max_length = 0);

GridCell MakeGridCell(const QString& text);
// A row of plain texts, the common case.
GridRow MakeGridRow(const QStringList& texts, bool checked = false);

}  // namespace velmora::desktop
