#include "installer/wizard/last_page.h"

#include <QVBoxLayout>

#include "installer/script_ids.h"
#include "installer/wizard/install_wizard.h"
#include "installer/wizard/page_style.h"
#include "platform/prompt/prompt.h"

namespace velmora::installer {

CLastDialog::CLastDialog(CInstallWizard* wizard) : wizard_(wizard) {
  setFinalPage(true);
  auto* layout = new QVBoxLayout(this);
  text_ = PageHeading("", this);
  note_ = PageText("", this);
  layout->addWidget(text_);
  layout->addWidget(note_);
  layout->addStretch();
}

void CLastDialog::initializePage() {
  const InstallerState& state = wizard_->State();
  const int id = state.success ? ids::kCompleted : ids::kSomethingFailed;
  text_->setText(QString::fromStdString(wizard_->Script().Text(id + state.language_offset)));
  note_->setText(QString::fromStdString("Installed in " + state.installation_folder +
                                        ". Finish opens the release notes."));
  wizard_->UseScriptTitle();
}

bool CLastDialog::validatePage() {
  const InstallerState& state = wizard_->State();
  const std::filesystem::path folder = state.installation_folder;
  wizard_->Opener()(folder / kReadmeFile);
  const std::string second = wizard_->Script().Text(ids::kOpenOnFinish);
  if (!second.empty()) wizard_->Opener()(folder / second);
  if (!state.success) {
    prompt::ShowMessage(wizard_->Script().Text(ids::kSomethingFailed + state.language_offset),
                        kMessageCaption, prompt::Icon::kInformation);
  }
  return true;
}

}  // namespace velmora::installer
