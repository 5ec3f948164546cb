// The "Categories" dialog: the list "Select Category :" with OK, New, Delete, Rename and Help.
// Opened from the wizard's category list ("Edit Categories..."); every change is stored at
// once through CategoriesModel, and OK hands back the selected name.
#pragma once

#include <QDialog>
#include <string>

#include "desktop/categories_model.h"

class QListWidget;
class QPushButton;

namespace velmora::desktop {

class CategoriesDialog : public QDialog {
  Q_OBJECT

 public:
  explicit CategoriesDialog(profile::ProfileStore& store, QWidget* parent = nullptr);

  // The entry selected when OK was pressed; empty when none (or after Cancel).
  const std::string& chosen_name() const { return chosen_name_; }

  QListWidget* list() const { return list_; }
  CategoriesModel& model() { return model_; }
  std::string SelectedName() const;
  // Refills the list from the table and selects `name` when it is there.
  void Refill(const std::string& name = {});

 public slots:
  void NewCategory();
  void RenameCategory();
  void DeleteCategory();
  void accept() override;

 private:
  // Runs the name dialog; `old_name` empty for New.
  void RunNameDialog(const std::string& old_name);

  CategoriesModel model_;
  QListWidget* list_;
  std::string chosen_name_;
};

}  // namespace velmora::desktop
