#include "installer/wizard/modify_page.h"

#include <QButtonGroup>
#include <QVBoxLayout>

#include "installer/script_ids.h"
#include "installer/wizard/install_wizard.h"
#include "installer/wizard/page_style.h"

namespace velmora::installer {
namespace {

// Ids 241 … 253: a heading and two texts, then each choice with its explanation.
constexpr int kHeading = 0, kFound = 1, kQuestion = 2;
constexpr int kChoiceText[] = {3, 5};
constexpr int kChoiceNote[] = {4, 6};

}  // namespace

CModifyPage::CModifyPage(CInstallWizard* wizard) : wizard_(wizard) {
  auto* layout = new QVBoxLayout(this);
  texts_[0] = PageHeading("", this);
  texts_[1] = PageText("", this);
  texts_[2] = PageText("", this);
  for (int i = 0; i < 3; ++i) layout->addWidget(texts_[i]);
  auto* group = new QButtonGroup(this);
  for (int i = 0; i < 2; ++i) {
    choices_[i] = new QRadioButton(this);
    group->addButton(choices_[i], i);
    texts_[3 + i] = PageText("", this);
    texts_[3 + i]->setIndent(24);
    layout->addWidget(choices_[i]);
    layout->addWidget(texts_[3 + i]);
  }
  layout->addStretch();
}

void CModifyPage::initializePage() {
  const SetupScript& script = wizard_->Script();
  const int offset = wizard_->State().language_offset;
  const auto text = [&](int index) {
    return QString::fromStdString(script.Text(ids::kModifyPageTexts[index] + offset));
  };
  texts_[0]->setText(text(kHeading));
  texts_[1]->setText(text(kFound));
  texts_[2]->setText(text(kQuestion));
  for (int i = 0; i < 2; ++i) {
    choices_[i]->setText(text(kChoiceText[i]));
    texts_[3 + i]->setText(text(kChoiceNote[i]));
  }
  choices_[1]->setChecked(true);
  wizard_->UseScriptTitle();
}

bool CModifyPage::validatePage() {
  wizard_->State().keep_existing = choices_[1]->isChecked() ? 1 : 0;
  return true;
}

}  // namespace velmora::installer
