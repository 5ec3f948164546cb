#include "installer/wizard/language_page.h"

#include <QVBoxLayout>
#include <algorithm>

#include "installer/script_ids.h"
#include "installer/wizard/install_wizard.h"
#include "installer/wizard/page_style.h"
#include "platform/prompt/prompt.h"

namespace velmora::installer {
namespace {

const char* const kLanguages[] = {"English", "Deutsch", "Français", "Español", "Italiano"};

}  // namespace

CLanguagePage::CLanguagePage(CInstallWizard* wizard) : wizard_(wizard) {
  auto* layout = new QVBoxLayout(this);
  texts_[0] = PageHeading("", this);
  texts_[1] = PageText("", this);
  texts_[2] = PageText("", this);
  for (QLabel* text : texts_) layout->addWidget(text);
  QPalette blue = texts_[2]->palette();
  blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
  texts_[2]->setPalette(blue);
  languages_ = new QListWidget(this);
  for (const char* language : kLanguages) languages_->addItem(QString::fromUtf8(language));
  layout->addWidget(languages_);
  connect(languages_, &QListWidget::currentRowChanged, this, &CLanguagePage::LanguageChosen);
}

void CLanguagePage::initializePage() {
  languages_->setCurrentRow(0);
  const int offset = wizard_->State().language_offset;
  for (int i = 0; i < 3; ++i) {
    texts_[i]->setText(
        QString::fromStdString(wizard_->Script().Text(ids::kLanguagePageTexts[i] + offset)));
  }
  wizard_->UseScriptTitle();
}

bool CLanguagePage::validatePage() {
  wizard_->State().language_offset = std::max(0, languages_->currentRow());
  return true;
}

void CLanguagePage::LanguageChosen(int row) {
  if (row <= 0) return;
  prompt::ShowMessage(std::string(kLanguageNotSupported) + kSupportAddress, kMessageCaption,
                      prompt::Icon::kExclamation);
  languages_->setCurrentRow(0);
}

}  // namespace velmora::installer
