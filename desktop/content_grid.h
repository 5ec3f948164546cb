// The bottom-right pane: the rows of the selected profile's query (or the wizard's preview)
// in the general grid, fetched on demand. Used by CMainFrame; it drops its result before the
// linked database closes.
#pragma once

#include <memory>

#include "db/result_set.h"
#include "desktop/grid/grid_view.h"

namespace velmora::desktop {

class ResultSetTableModel;

class CContentGrid : public GridView {
  Q_OBJECT

 public:
  explicit CContentGrid(QWidget* parent = nullptr);
  void ShowRows(std::unique_ptr<db::ResultSet> rows);
  void Clear();
  ResultSetTableModel* rows_model() const { return model_; }

 private:
  ResultSetTableModel* model_;
};

}  // namespace velmora::desktop
