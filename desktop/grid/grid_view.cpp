#include "desktop/grid/grid_view.h"

#include <QDrag>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QWheelEvent>
#include <algorithm>

#include "desktop/grid/grid_delegate.h"
#include "desktop/grid/grid_roles.h"

namespace velmora::desktop {

GridView::GridView(QWidget* parent) : QTableView(parent), delegate_(new GridDelegate(this)) {
  setItemDelegate(delegate_);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
  // Whether a row can actually be dragged is the model's call (Qt::ItemIsDragEnabled).
  setDragEnabled(true);
  setAcceptDrops(true);
  setDropIndicatorShown(true);
  setDragDropMode(QAbstractItemView::InternalMove);
  setDefaultDropAction(Qt::MoveAction);
  setDragDropOverwriteMode(false);
  // Fixed row heights keep a view over a very large result cheap.
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  horizontalHeader()->setHighlightSections(false);
}

void GridView::setModel(QAbstractItemModel* model) {
  disconnect(reset_connection_);
  disconnect(header_connection_);
  QTableView::setModel(model);
  if (model != nullptr) {
    reset_connection_ =
        connect(model, &QAbstractItemModel::modelReset, this, &GridView::ApplyColumnWidths);
    header_connection_ = connect(model, &QAbstractItemModel::headerDataChanged, this,
                                 [this](Qt::Orientation orientation, int, int) {
                                   if (orientation == Qt::Horizontal) ApplyColumnWidths();
                                 });
  }
  ApplyColumnWidths();
}

void GridView::ApplyColumnWidths() {
  if (model() == nullptr) return;
  for (int column = 0; column < model()->columnCount(); ++column) {
    const int width = model()->headerData(column, Qt::Horizontal, kColumnWidthRole).toInt();
    if (width > 0) setColumnWidth(column, width);
  }
}

int GridView::DropDestination(const QPoint& viewport_pos) const {
  if (model() == nullptr) return 0;
  const QModelIndex under = indexAt(viewport_pos);
  if (!under.isValid()) {
    // Above the first row (only while scrolled) counts as before it; elsewhere as the end.
    const int first_top = rowViewportPosition(0);
    return viewport_pos.y() < first_top ? 0 : model()->rowCount();
  }
  const QRect rect = visualRect(under);
  return viewport_pos.y() < rect.center().y() ? under.row() : under.row() + 1;
}

void GridView::startDrag(Qt::DropActions supported_actions) {
  // The drop moves the rows inside the model, so the view must not remove anything after the
  // drag as QAbstractItemView does for a move.
  if (!(supported_actions & Qt::MoveAction) || model() == nullptr) return;
  const QModelIndexList indexes = selectionModel()->selectedIndexes();
  QMimeData* mime = model()->mimeData(indexes);
  if (mime == nullptr) return;
  auto* drag = new QDrag(this);
  drag->setMimeData(mime);
  if (!indexes.isEmpty()) {
    QRect rows_rect;
    for (const QModelIndex& index : indexes) rows_rect |= visualRect(index);
    drag->setPixmap(viewport()->grab(rows_rect.intersected(viewport()->rect())));
  }
  drag->exec(Qt::MoveAction, Qt::MoveAction);
}

void GridView::dropEvent(QDropEvent* event) {
  QAbstractItemModel* grid = model();
  const int destination = DropDestination(event->position().toPoint());
  if (grid != nullptr &&
      grid->canDropMimeData(event->mimeData(), Qt::MoveAction, destination, 0, QModelIndex()) &&
      grid->dropMimeData(event->mimeData(), Qt::MoveAction, destination, 0, QModelIndex())) {
    event->setDropAction(Qt::MoveAction);
    event->accept();
  } else {
    event->ignore();
  }
  stopAutoScroll();
  setState(QAbstractItemView::NoState);
  viewport()->update();
}

void GridView::wheelEvent(QWheelEvent* event) {
  if (wheel_scrolling_) {
    QTableView::wheelEvent(event);
  } else {
    event->ignore();
  }
}

}  // namespace velmora::desktop
