#include "desktop/grid/grid_model.h"

#include <QBrush>
#include <QDataStream>
#include <QFont>
#include <QIODevice>
#include <QMimeData>
#include <algorithm>

#include "desktop/grid/grid_roles.h"
#include "desktop/grid/row_order.h"

namespace velmora::desktop {
namespace {

const GridRow kEmptyRow;
const GridCell kEmptyCell;

}  // namespace

GridModel::GridModel(QObject* parent) : QAbstractTableModel(parent) {}

void GridModel::SetColumns(std::vector<GridColumn> columns) {
  beginResetModel();
  columns_ = std::move(columns);
  endResetModel();
}

void GridModel::SetCheckable(bool checkable) {
  if (checkable == checkable_) return;
  checkable_ = checkable;
  if (!rows_.empty() && !columns_.empty()) {
    emit dataChanged(index(0, 0), index(rowCount() - 1, 0));
  }
}

void GridModel::SetRowsMovable(bool movable) {
  rows_movable_ = movable;
}

void GridModel::SetRows(std::vector<GridRow> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
}

int GridModel::AppendRow(GridRow row) {
  const int position = rowCount();
  InsertRow(position, std::move(row));
  return position;
}

bool GridModel::InsertRow(int position, GridRow row) {
  if (position < 0 || position > rowCount()) return false;
  beginInsertRows(QModelIndex(), position, position);
  rows_.insert(rows_.begin() + position, std::move(row));
  endInsertRows();
  return true;
}

bool GridModel::RemoveRow(int row) {
  if (row < 0 || row >= rowCount()) return false;
  beginRemoveRows(QModelIndex(), row, row);
  rows_.erase(rows_.begin() + row);
  endRemoveRows();
  return true;
}

void GridModel::ClearRows() {
  SetRows({});
}

const GridRow& GridModel::Row(int row) const {
  if (row < 0 || row >= rowCount()) return kEmptyRow;
  return rows_[static_cast<size_t>(row)];
}

const GridCell& GridModel::Cell(int row, int column) const {
  const GridRow& held = Row(row);
  if (column < 0 || static_cast<size_t>(column) >= held.cells.size()) return kEmptyCell;
  return held.cells[static_cast<size_t>(column)];
}

bool GridModel::SetCell(int row, int column, GridCell cell) {
  if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return false;
  std::vector<GridCell>& cells = rows_[static_cast<size_t>(row)].cells;
  if (cells.size() <= static_cast<size_t>(column)) cells.resize(static_cast<size_t>(column) + 1);
  cells[static_cast<size_t>(column)] = std::move(cell);
  emit dataChanged(index(row, column), index(row, column));
  return true;
}

bool GridModel::SetText(int row, int column, const QString& text) {
  GridCell cell = Cell(row, column);
  cell.text = text;
  return SetCell(row, column, std::move(cell));
}

bool GridModel::SetRowData(int row, QVariant data) {
  if (row < 0 || row >= rowCount()) return false;
  rows_[static_cast<size_t>(row)].data = std::move(data);
  return true;
}

bool GridModel::SetChecked(int row, bool checked) {
  if (row < 0 || row >= rowCount()) return false;
  rows_[static_cast<size_t>(row)].checked = checked;
  if (columnCount() > 0) emit dataChanged(index(row, 0), index(row, 0), {Qt::CheckStateRole});
  return true;
}

void GridModel::SetAllChecked(bool checked) {
  for (GridRow& row : rows_) row.checked = checked;
  if (!rows_.empty() && columnCount() > 0) {
    emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::CheckStateRole});
  }
}

std::vector<int> GridModel::CheckedRows() const {
  std::vector<int> checked;
  for (int row = 0; row < rowCount(); ++row) {
    if (rows_[static_cast<size_t>(row)].checked) checked.push_back(row);
  }
  return checked;
}

bool GridModel::MoveRows(std::vector<int> rows, int destination) {
  const std::vector<int> order = OrderAfterMove(rowCount(), std::move(rows), destination);
  if (order.empty()) return false;
  if (std::is_sorted(order.begin(), order.end())) return true;

  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  std::vector<int> new_position(order.size());
  std::vector<GridRow> reordered;
  reordered.reserve(order.size());
  for (size_t position = 0; position < order.size(); ++position) {
    new_position[static_cast<size_t>(order[position])] = static_cast<int>(position);
    reordered.push_back(std::move(rows_[static_cast<size_t>(order[position])]));
  }
  rows_ = std::move(reordered);

  const QModelIndexList old_indexes = persistentIndexList();
  QModelIndexList new_indexes;
  new_indexes.reserve(old_indexes.size());
  for (const QModelIndex& old_index : old_indexes) {
    new_indexes.append(
        index(new_position[static_cast<size_t>(old_index.row())], old_index.column()));
  }
  changePersistentIndexList(old_indexes, new_indexes);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
  return true;
}

EditorKind GridModel::CellEditor(int row, int column) const {
  if (column < 0 || column >= columnCount()) return EditorKind::kNone;
  const std::optional<EditorKind>& own = Cell(row, column).editor;
  return own ? *own : columns_[static_cast<size_t>(column)].editor;
}

int GridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int GridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const int row = index.row();
  const int column = index.column();
  const GridCell& cell = Cell(row, column);
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return cell.text;
    case Qt::ToolTipRole:
      return cell.tool_tip.isEmpty() ? QVariant() : QVariant(cell.tool_tip);
    case Qt::ForegroundRole:
      return cell.foreground.isValid() ? QVariant(QBrush(cell.foreground)) : QVariant();
    case Qt::BackgroundRole:
      return cell.background.isValid() ? QVariant(QBrush(cell.background)) : QVariant();
    case Qt::FontRole: {
      if (!cell.bold) return {};
      QFont font;
      font.setBold(true);
      return font;
    }
    case Qt::CheckStateRole:
      if (!checkable_ || column != 0) return {};
      return Row(row).checked ? Qt::Checked : Qt::Unchecked;
    case kEditorKindRole:
      return static_cast<int>(CellEditor(row, column));
    case kChoicesRole:
      return columns_[static_cast<size_t>(column)].choices;
    case kMaxLengthRole:
      return columns_[static_cast<size_t>(column)].max_length;
    default:
      return {};
  }
}

bool GridModel::AcceptsEdit(int row, int column, const QString& text) const {
  const GridColumn& definition = columns_[static_cast<size_t>(column)];
  switch (CellEditor(row, column)) {
    case EditorKind::kChoice:
      return definition.choices.contains(text);
    case EditorKind::kText:
      return definition.max_length <= 0 || text.size() <= definition.max_length;
    case EditorKind::kNone:
      return false;
  }
  return false;
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || index.model() != this) return false;
  const int row = index.row();
  const int column = index.column();
  if (role == Qt::CheckStateRole) {
    if (!checkable_ || column != 0) return false;
    const bool checked = value.toInt() == Qt::Checked;
    if (checked == IsChecked(row)) return true;
    SetChecked(row, checked);
    emit RowCheckChanged(row, checked);
    return true;
  }
  if (role != Qt::EditRole) return false;
  const QString text = value.toString();
  if (!AcceptsEdit(row, column, text)) return false;
  if (text == Text(row, column)) return true;
  SetText(row, column, text);
  emit CellEdited(row, column);
  return true;
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return rows_movable_ ? Qt::ItemIsDropEnabled : Qt::NoItemFlags;
  Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (CellEditor(index.row(), index.column()) != EditorKind::kNone) result |= Qt::ItemIsEditable;
  if (checkable_ && index.column() == 0) result |= Qt::ItemIsUserCheckable;
  if (rows_movable_) result |= Qt::ItemIsDragEnabled;
  return result;
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && section >= 0 && section < columnCount()) {
    const GridColumn& column = columns_[static_cast<size_t>(section)];
    if (role == Qt::DisplayRole) return column.title;
    if (role == kColumnWidthRole) return column.width;
  }
  return QAbstractTableModel::headerData(section, orientation, role);
}

bool GridModel::moveRows(const QModelIndex& source_parent, int source_row, int count,
                         const QModelIndex& destination_parent, int destination_child) {
  if (source_parent.isValid() || destination_parent.isValid() || count <= 0) return false;
  std::vector<int> rows;
  for (int row = source_row; row < source_row + count; ++row) rows.push_back(row);
  return MoveRows(std::move(rows), destination_child);
}

Qt::DropActions GridModel::supportedDragActions() const {
  return rows_movable_ ? Qt::MoveAction : Qt::IgnoreAction;
}

Qt::DropActions GridModel::supportedDropActions() const {
  return rows_movable_ ? Qt::MoveAction : Qt::IgnoreAction;
}

QStringList GridModel::mimeTypes() const {
  return {QString::fromLatin1(kRowsMimeType)};
}

QMimeData* GridModel::mimeData(const QModelIndexList& indexes) const {
  std::vector<int> rows;
  for (const QModelIndex& index : indexes) {
    if (index.isValid() && index.model() == this) rows.push_back(index.row());
  }
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  if (rows.empty()) return nullptr;

  QByteArray payload;
  QDataStream out(&payload, QIODevice::WriteOnly);
  out << static_cast<quint64>(reinterpret_cast<quintptr>(this)) << static_cast<qint32>(rows.size());
  for (int row : rows) out << static_cast<qint32>(row);
  auto* mime = new QMimeData;
  mime->setData(QString::fromLatin1(kRowsMimeType), payload);
  return mime;
}

std::vector<int> GridModel::DraggedRows(const QMimeData* data) const {
  if (data == nullptr || !data->hasFormat(QString::fromLatin1(kRowsMimeType))) return {};
  const QByteArray payload = data->data(QString::fromLatin1(kRowsMimeType));
  QDataStream in(payload);
  quint64 source = 0;
  qint32 count = 0;
  in >> source >> count;
  // Rows dragged out of another model mean nothing here.
  if (source != static_cast<quint64>(reinterpret_cast<quintptr>(this))) return {};
  if (count <= 0 || count > rowCount()) return {};
  std::vector<int> rows;
  for (qint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
    qint32 row = -1;
    in >> row;
    if (in.status() == QDataStream::Ok) rows.push_back(row);
  }
  return rows;
}

bool GridModel::canDropMimeData(const QMimeData* data, Qt::DropAction action, int, int,
                                const QModelIndex&) const {
  return rows_movable_ && action == Qt::MoveAction && !DraggedRows(data).empty();
}

bool GridModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int,
                             const QModelIndex& parent) {
  if (action == Qt::IgnoreAction) return true;
  if (!canDropMimeData(data, action, row, 0, parent)) return false;
  int destination = rowCount();
  if (row >= 0) {
    destination = row;
  } else if (parent.isValid()) {
    destination = parent.row();
  }
  return MoveRows(DraggedRows(data), destination);
}

}  // namespace velmora::desktop
