// The small name dialog of the Categories dialog: "Enter new category name", an edit, OK and
// Cancel, captioned "New Category" or "Rename Category". Used by CategoriesDialog; its OK runs
// the CategoriesModel rule and stays open while the name is refused.
#pragma once

#include <QDialog>
#include <string>

#include "desktop/categories_model.h"

class QLineEdit;

namespace velmora::desktop {

class CategoryNameDialog : public QDialog {
  Q_OBJECT

 public:
  // An empty `old_name` means New; otherwise the category of that name is renamed.
  CategoryNameDialog(CategoriesModel& model, std::string old_name, QWidget* parent = nullptr);

  QLineEdit* edit() const { return edit_; }
  // The name stored by OK; empty when nothing was stored.
  const std::string& stored_name() const { return stored_name_; }

 public slots:
  void accept() override;

 private:
  CategoriesModel& model_;
  std::string old_name_;
  QLineEdit* edit_;
  std::string stored_name_;
};

}  // namespace velmora::desktop
