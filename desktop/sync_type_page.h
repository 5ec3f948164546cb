// The wizard's first page: the sync action (six choices) and the optional device category.
// Used by CProfileWizard; its rule is SyncTypePageNext.
#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QWizardPage>

namespace velmora::desktop {

class CProfileWizard;

class CSyncTypePage : public QWizardPage {
  Q_OBJECT

 public:
  explicit CSyncTypePage(CProfileWizard* wizard);

  void initializePage() override;
  bool validatePage() override;

  QButtonGroup* sync_types() const { return sync_types_; }
  QCheckBox* category_check() const { return category_check_; }
  QComboBox* categories() const { return categories_; }

 private:
  void FillCategories();
  void CategoryTicked(bool ticked);
  void CategoryChosen(int index);

  CProfileWizard* wizard_;
  QButtonGroup* sync_types_;
  QCheckBox* category_check_;
  QComboBox* categories_;
  // The list's selection now and the one before it, so that a cancelled Categories dialog
  // can give back the entry chosen before "Edit Categories...".
  int current_category_ = -1;
  int previous_category_ = -1;
};

}  // namespace velmora::desktop
