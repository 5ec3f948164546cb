// The filter / sort-order dialog of the table and query page: a check-box grid of entries with
// in-place editors, "Add", OK and Cancel. OK applies the rule of filter_rows.h; a refusal keeps
// the dialog open. Used by CDBConnectionPage; changes the page's entries only on OK.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "desktop/filter_rows.h"

namespace velmora::desktop {

class GridModel;
class GridView;

class CFilterDialog : public QDialog {
  Q_OBJECT

 public:
  CFilterDialog(FilterDialogMode mode, std::vector<std::string> catalogue,
                const std::vector<FilterEntry>& filters, const std::vector<SortEntry>& sorts,
                QWidget* parent = nullptr);

  const std::vector<FilterEntry>& filters() const { return filters_; }
  const std::vector<SortEntry>& sorts() const { return sorts_; }
  GridModel* model() const { return model_; }

  void AddRow();
  void accept() override;

 private:
  void ShowRow(const FilterRow& row);
  std::vector<FilterRow> ReadRows() const;

  FilterDialogMode mode_;
  std::vector<std::string> catalogue_;
  std::vector<FilterEntry> filters_;
  std::vector<SortEntry> sorts_;
  GridModel* model_;
  GridView* view_;
};

}  // namespace velmora::desktop
