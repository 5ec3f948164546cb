#include "installer/wizard/finish_page.h"

#include <QApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "installer/desktop_folders.h"
#include "installer/installation.h"
#include "installer/script_ids.h"
#include "installer/wizard/install_wizard.h"
#include "installer/wizard/link_label.h"
#include "installer/wizard/page_style.h"
#include "platform/peltrix/handheld_user_library.h"

namespace velmora::installer {
namespace {

constexpr const char* kBindSamplesText = "Also give the sample profiles to the selected user";

class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

CFinishPage::CFinishPage(CInstallWizard* wizard) : wizard_(wizard) {
  auto* layout = new QVBoxLayout(this);
  texts_[0] = PageHeading("", this);
  texts_[1] = PageText("", this);
  layout->addWidget(texts_[0]);
  layout->addWidget(texts_[1]);

  user_caption_ = new QLabel(this);
  users_ = new QListWidget(this);
  users_->setMaximumHeight(90);
  layout->addWidget(user_caption_);
  layout->addWidget(users_);
  bind_samples_ = new QCheckBox(kBindSamplesText, this);
  layout->addWidget(bind_samples_);

  auto* folder_row = new QHBoxLayout;
  folder_ = new QLineEdit(this);
  browse_ = new QPushButton("Browse...", this);
  folder_row->addWidget(folder_);
  folder_row->addWidget(browse_);
  layout->addLayout(folder_row);
  connect(browse_, &QPushButton::clicked, this, &CFinishPage::BrowseForFolder);

  link_ = new CLinkLabel("", this);
  layout->addWidget(link_);
  connect(link_, &CLinkLabel::Clicked, this,
          [this] { wizard_->Opener()(wizard_->State().source_directory / kReadmeFile); });
  layout->addStretch();
}

void CFinishPage::initializePage() {
  users_->clear();
  for (const std::string& user : peltrix::HandheldUserLibrary().ListUsers()) {
    users_->addItem(QString::fromStdString(user));
  }
  if (users_->count() > 0) users_->setCurrentRow(0);
  const InstallerState& state = wizard_->State();
  folder_->setText(QString::fromStdString(InitialFolder(state, wizard_->Script())));

  const SetupScript& script = wizard_->Script();
  const int offset = state.language_offset;
  texts_[0]->setText(QString::fromStdString(script.Text(ids::kFolderPageTexts[0] + offset)));
  texts_[1]->setText(QString::fromStdString(script.Text(ids::kFolderPageTexts[1] + offset)));
  link_->setText(QString::fromStdString(script.Text(ids::kFolderPageTexts[2] + offset)));
  user_caption_->setText(kUserListCaption);
  // A kept installation stays where it is; its profiles are bound again only when asked.
  const bool keep = state.keep_existing != 0;
  browse_->setEnabled(!keep);
  folder_->setReadOnly(keep);
  bind_samples_->setVisible(keep);
  bind_samples_->setChecked(false);
  wizard_->UseScriptTitle();
}

bool CFinishPage::validatePage() {
  InstallChoices choices;
  choices.folder = folder_->text().trimmed().toStdString();
  if (choices.folder.empty()) return false;
  if (QListWidgetItem* user = users_->currentItem()) choices.user_name = user->text().toStdString();
  InstallerState& state = wizard_->State();
  choices.bind_sample_profiles = ShouldBindSampleProfiles(state, bind_samples_->isChecked());
  WaitCursor wait;
  Install(state, wizard_->Script(), choices, wizard_->ProfileDatabase());
  return true;
}

void CFinishPage::BrowseForFolder() {
  const QString chosen = QFileDialog::getExistingDirectory(this, kBrowseTitle, folder_->text());
  if (chosen.isEmpty()) return;
  folder_->setText(QString::fromStdString(
      FolderUnder(chosen.toStdString(), wizard_->Script().Text(ids::kProductFolder))));
}

}  // namespace velmora::installer
