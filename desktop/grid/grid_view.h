// The desktop manager's grid widget: a QTableView with the grid's in-place editors, full-row
// selection, column widths taken from the model (kColumnWidthRole) and row reordering by drag
// and drop when the model allows it (GridModel::SetRowsMovable). Holds no data of its own.
#pragma once

#include <QTableView>

namespace velmora::desktop {

class GridDelegate;

class GridView : public QTableView {
  Q_OBJECT

 public:
  explicit GridView(QWidget* parent = nullptr);

  void setModel(QAbstractItemModel* model) override;
  GridDelegate* grid_delegate() const { return delegate_; }

  // With the wheel off, wheel events go to the parent and the grid scrolls by its scroll bars
  // and keys only.
  void SetWheelScrolling(bool enabled) { wheel_scrolling_ = enabled; }
  bool wheel_scrolling() const { return wheel_scrolling_; }

  // The position a row dropped at `viewport_pos` lands on: before the row under the point when
  // the point is in its upper half, after it otherwise, after the last row below the rows.
  int DropDestination(const QPoint& viewport_pos) const;

  // Sets each column's width from the model's kColumnWidthRole header data.
  void ApplyColumnWidths();

 protected:
  void startDrag(Qt::DropActions supported_actions) override;
  void dropEvent(QDropEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  GridDelegate* delegate_;
  bool wheel_scrolling_ = true;
  QMetaObject::Connection reset_connection_;
  QMetaObject::Connection header_connection_;
};

}  // namespace velmora::desktop
