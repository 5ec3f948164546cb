// The editable grid model behind the desktop manager's lists (field mapping, filters and sort
// order, backup preview): rows of cells with in-place editors, an optional check box per row
// in the first column, tool tips, colours, bold text and row reordering by drag and drop.
// Holds its rows in memory; it never talks to a database.
#pragma once

#include <QAbstractTableModel>
#include <vector>

#include "desktop/grid/grid_cell.h"

namespace velmora::desktop {

class GridModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // Mime type of a row drag; the payload names the model it came from.
  static constexpr const char* kRowsMimeType = "application/x-velmora-grid-rows";

  explicit GridModel(QObject* parent = nullptr);

  // Replacing the columns keeps the rows (cells beyond the new columns are kept, not shown).
  void SetColumns(std::vector<GridColumn> columns);
  const std::vector<GridColumn>& columns() const { return columns_; }

  void SetCheckable(bool checkable);
  bool checkable() const { return checkable_; }
  // Rows may be dragged to another position (in a GridView).
  void SetRowsMovable(bool movable);
  bool rows_movable() const { return rows_movable_; }

  void SetRows(std::vector<GridRow> rows);
  int AppendRow(GridRow row);  // returns the new row's position
  bool InsertRow(int position, GridRow row);
  bool RemoveRow(int row);
  void ClearRows();

  const std::vector<GridRow>& rows() const { return rows_; }
  // Out-of-range rows and cells read as empty.
  const GridRow& Row(int row) const;
  const GridCell& Cell(int row, int column) const;
  QString Text(int row, int column) const { return Cell(row, column).text; }

  // Programmatic changes; they do not check the column's choices or length.
  bool SetCell(int row, int column, GridCell cell);
  bool SetText(int row, int column, const QString& text);
  bool SetRowData(int row, QVariant data);
  bool IsChecked(int row) const { return Row(row).checked; }
  bool SetChecked(int row, bool checked);
  void SetAllChecked(bool checked);
  std::vector<int> CheckedRows() const;  // top to bottom

  // Moves `rows` (any order, duplicates ignored) as one block, top to bottom, so that it
  // lands where row `destination` stood before the move (rowCount() = after the last row).
  // Selections and open editors follow their rows.
  bool MoveRows(std::vector<int> rows, int destination);

  EditorKind CellEditor(int row, int column) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  // Edits from a delegate: a choice cell takes only one of its choices, a text cell only a
  // text within its length; anything else is refused and the cell keeps its text.
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  bool moveRows(const QModelIndex& source_parent, int source_row, int count,
                const QModelIndex& destination_parent, int destination_child) override;

  Qt::DropActions supportedDragActions() const override;
  Qt::DropActions supportedDropActions() const override;
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                       const QModelIndex& parent) const override;
  // Moves the dragged rows; they land before `row`, before `parent`'s row when dropped on a
  // cell, or after the last row when dropped on empty space.
  bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                    const QModelIndex& parent) override;

 signals:
  // The user changed a cell's text through an editor, or a row's check box.
  void CellEdited(int row, int column);
  void RowCheckChanged(int row, bool checked);

 private:
  bool AcceptsEdit(int row, int column, const QString& text) const;
  std::vector<int> DraggedRows(const QMimeData* data) const;

  std::vector<GridColumn> columns_;
  std::vector<GridRow> rows_;
  bool checkable_ = false;
  bool rows_movable_ = false;
};

}  // namespace velmora::desktop
