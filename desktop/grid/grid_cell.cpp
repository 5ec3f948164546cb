#include "desktop/grid/grid_cell.h"

namespace velmora::desktop {

GridColumn ReadOnlyColumn(const QString& title, int width) {
  GridColumn column;
  column.title = title;
  column.width = width;
  return column;
}

GridColumn ChoiceColumn(const QString& title, int width, const QStringList& choices) {
  GridColumn column = ReadOnlyColumn(title, width);
  column.editor = EditorKind::kChoice;
  column.choices = choices;
  return column;
}

GridColumn TextColumn(const QString& title, int width, int max_length) {
  GridColumn column = ReadOnlyColumn(title, width);
  column.editor = EditorKind::kText;
  column.max_length = max_length;
  return column;
}

GridCell MakeGridCell(const QString& text) {
  GridCell cell;
  cell.text = text;
  return cell;
}

GridRow MakeGridRow(const QStringList& texts, bool checked) {
  GridRow row;
  row.checked = checked;
  row.cells.reserve(static_cast<size_t>(texts.size()));
  for (const QString& text : texts) row.cells.push_back(MakeGridCell(text));
  return row;
}

}  // namespace velmora::desktop
