#include "desktop/sync_type_page.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>
#include <ctime>

#include "desktop/categories_dialog.h"
#include "desktop/desktop_session.h"
#include "desktop/messages.h"
#include "desktop/profile_wizard.h"
#include "desktop/sync_page_rules.h"
#include "platform/prompt/prompt.h"
#include "profile/profile_store.h"
#include "profile/sync_settings.h"

namespace velmora::desktop {

CSyncTypePage::CSyncTypePage(CProfileWizard* wizard)
    : wizard_(wizard),
      sync_types_(new QButtonGroup(this)),
      category_check_(new QCheckBox("Sync data with specific Pocket PC Contacts category:")),
      categories_(new QComboBox) {
  auto* group = new QGroupBox("Sync Action for the profile");
  auto* radios = new QVBoxLayout(group);
  for (int type = profile::kDesktopAddsDevice; type <= profile::kExportCsv; ++type) {
    auto* radio = new QRadioButton(QString::fromUtf8(profile::SyncTypeText(type).data()));
    sync_types_->addButton(radio, type);
    radios->addWidget(radio);
  }
  categories_->setEnabled(false);
  categories_->setMinimumWidth(180);
  auto* category_row = new QHBoxLayout;
  category_row->addWidget(category_check_);
  category_row->addWidget(categories_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addLayout(category_row);
  layout->addStretch();
  connect(category_check_, &QCheckBox::toggled, this, &CSyncTypePage::CategoryTicked);
  connect(categories_, &QComboBox::activated, this, &CSyncTypePage::CategoryChosen);
  connect(categories_, &QComboBox::currentIndexChanged, this, [this](int index) {
    previous_category_ = current_category_;
    current_category_ = index;
  });
}

void CSyncTypePage::initializePage() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  wizard_->session().log().Append(LogHeaderEntry(local));
  wizard_->data().category_chosen = false;
  wizard_->data().category_id = 0;
  if (sync_types_->checkedId() < 0) {
    sync_types_->button(profile::kDesktopOverwritesDevice)->setChecked(true);
  }
}

void CSyncTypePage::FillCategories() {
  categories_->clear();
  for (const profile::Category& c : wizard_->session().store().Categories()) {
    categories_->addItem(QString::fromStdString(c.name));
  }
  categories_->addItem(QString::fromUtf8(kEditCategoriesEntry.data()));
  categories_->setCurrentIndex(-1);
}

void CSyncTypePage::CategoryTicked(bool ticked) {
  categories_->setEnabled(ticked);
  if (!ticked) {
    categories_->setCurrentIndex(-1);
    return;
  }
  FillCategories();
  categories_->setFocus();
}

// The last entry opens the Categories dialog; after OK the list is filled again with the
// category chosen there selected, after Cancel the list stays as it was before.
void CSyncTypePage::CategoryChosen(int index) {
  if (index != categories_->count() - 1) return;
  const int before = previous_category_;
  CategoriesDialog dialog(wizard_->session().store(), this);
  if (wizard_->run_dialog(dialog) != QDialog::Accepted) {
    categories_->setCurrentIndex(before);
    return;
  }
  FillCategories();
  categories_->setCurrentIndex(
      categories_->findText(QString::fromStdString(dialog.chosen_name()), Qt::MatchExactly));
}

bool CSyncTypePage::validatePage() {
  std::vector<std::string> entries;
  for (int i = 0; i < categories_->count(); ++i) {
    entries.push_back(categories_->itemText(i).toStdString());
  }
  std::optional<int> selected;
  if (categories_->currentIndex() >= 0) selected = categories_->currentIndex();
  WizardData& data = wizard_->data();
  const auto refusal = SyncTypePageNext(category_check_->isChecked(), entries, selected,
                                        wizard_->session().store().Categories(), data);
  if (refusal) {
    prompt::ShowMessage(*refusal, kCaption, prompt::Icon::kExclamation);
    categories_->setFocus();
    return false;
  }
  data.record.sync_type = sync_types_->checkedId();
  return true;
}

}  // namespace velmora::desktop
