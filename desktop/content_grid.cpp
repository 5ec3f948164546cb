#include "desktop/content_grid.h"

#include "desktop/grid/result_set_table_model.h"

namespace velmora::desktop {

CContentGrid::CContentGrid(QWidget* parent)
    : GridView(parent), model_(new ResultSetTableModel(this)) {
  setModel(model_);
}

void CContentGrid::ShowRows(std::unique_ptr<db::ResultSet> rows) {
  model_->SetResultSet(std::move(rows));
}

void CContentGrid::Clear() {
  model_->Clear();
}

}  // namespace velmora::desktop
