#include "desktop/grid/result_set_table_model.h"

#include <algorithm>
#include <climits>

#include "desktop/grid/grid_roles.h"

namespace velmora::desktop {

ResultSetTableModel::ResultSetTableModel(QObject* parent) : QAbstractTableModel(parent) {}

ResultSetTableModel::~ResultSetTableModel() = default;

void ResultSetTableModel::SetResultSet(std::unique_ptr<db::ResultSet> result) {
  beginResetModel();
  result_ = std::move(result);
  cache_.Clear();
  column_names_.clear();
  row_count_ = 0;
  if (result_) {
    const int columns = std::max(result_->ColumnCount(), 0);
    for (int column = 0; column < columns; ++column) {
      column_names_.append(QString::fromStdString(result_->ColumnName(column)));
    }
    // A view addresses rows with int; anything beyond is out of its reach anyway.
    row_count_ = static_cast<int>(std::clamp(result_->RowCount(), 0L, static_cast<long>(INT_MAX)));
  }
  endResetModel();
}

void ResultSetTableModel::SetColumnWidth(int pixels) {
  column_width_ = std::max(pixels, 0);
  if (!column_names_.isEmpty()) {
    emit headerDataChanged(Qt::Horizontal, 0, static_cast<int>(column_names_.size()) - 1);
  }
}

QString ResultSetTableModel::Text(int row, int column) const {
  if (row < 0 || row >= row_count_ || column < 0 || column >= column_names_.size()) return {};
  const std::vector<QString>& texts = FetchRow(row);
  return static_cast<size_t>(column) < texts.size() ? texts[static_cast<size_t>(column)]
                                                    : QString();
}

const std::vector<QString>& ResultSetTableModel::FetchRow(long row) const {
  if (const std::vector<QString>* held = cache_.Find(row)) return *held;
  // A row that cannot be reached is held as empty texts, so that repainting it does not try the
  // cursor again and again.
  std::vector<QString> texts;
  if (result_->MoveToRow(row)) {
    texts.reserve(static_cast<size_t>(column_names_.size()));
    for (int column = 0; column < column_names_.size(); ++column) {
      texts.push_back(QString::fromStdString(result_->ValueText(row, column)));
    }
  }
  return cache_.Store(row, std::move(texts));
}

int ResultSetTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : row_count_;
}

int ResultSetTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(column_names_.size());
}

QVariant ResultSetTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
  return Text(index.row(), index.column());
}

QVariant ResultSetTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && section >= 0 && section < column_names_.size()) {
    if (role == Qt::DisplayRole) return column_names_[section];
    if (role == kColumnWidthRole) return column_width_;
  }
  return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags ResultSetTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

}  // namespace velmora::desktop
