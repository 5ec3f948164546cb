// A read-only table model over a db::ResultSet for the content pane and the restore dialog:
// headers from the column names, rows fetched one at a time by absolute position when a view
// asks for them. Only the last kCachedRows rows shown are held; the result is never loaded in
// bulk, so a million-row result opens at once. Owns the result set it shows.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <memory>

#include "db/result_set.h"
#include "desktop/grid/row_cache.h"

namespace velmora::desktop {

class ResultSetTableModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  static constexpr int kCachedRows = 256;

  explicit ResultSetTableModel(QObject* parent = nullptr);
  ~ResultSetTableModel() override;

  // Shows `result` (nullptr empties the grid); the previous result set is released. A result
  // set that lives on a connection must be cleared here before that connection closes.
  void SetResultSet(std::unique_ptr<db::ResultSet> result);
  void Clear() { SetResultSet(nullptr); }
  const db::ResultSet* result_set() const { return result_.get(); }

  // Width every column asks of a GridView, in pixels; 0 leaves the view's default.
  void SetColumnWidth(int pixels);

  // Display text of a cell; empty when the row cannot be reached.
  QString Text(int row, int column) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  const std::vector<QString>& FetchRow(long row) const;

  std::unique_ptr<db::ResultSet> result_;
  QStringList column_names_;
  int row_count_ = 0;
  int column_width_ = 0;
  // Filled from const data(); reading a row is not a change a view can see.
  mutable RowCache cache_{kCachedRows};
};

}  // namespace velmora::desktop
