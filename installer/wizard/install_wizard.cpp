#include "installer/wizard/install_wizard.h"

#include <QApplication>

#include "installer/desktop_folders.h"
#include "installer/script_ids.h"
#include "installer/wizard/finish_page.h"
#include "installer/wizard/language_page.h"
#include "installer/wizard/last_page.h"
#include "installer/wizard/modify_page.h"
#include "platform/prompt/prompt.h"
#include "platform/prompt/qt/qt_prompt.h"

namespace velmora::installer {

CInstallWizard::CInstallWizard(const SetupScript& script, InstallerState& state, FileOpener opener,
                               QWidget* parent)
    : QWizard(parent), script_(script), state_(state), opener_(std::move(opener)) {
  setWindowTitle(kWizardTitle);
  setWizardStyle(QWizard::ClassicStyle);
  setOption(QWizard::HaveHelpButton, false);
  setOption(QWizard::NoCancelButtonOnLastPage, true);
  setOption(QWizard::DisabledBackButtonOnLastPage, false);
  language_page_ = new CLanguagePage(this);
  folder_page_ = new CFinishPage(this);
  last_page_ = new CLastDialog(this);
  setPage(kLanguagePage, language_page_);
  if (!state_.existing_folder.empty()) {
    modify_page_ = new CModifyPage(this);
    setPage(kModifyPage, modify_page_);
  }
  setPage(kFolderPage, folder_page_);
  setPage(kLastPage, last_page_);
  setStartId(kLanguagePage);
  resize(560, 420);
}

void CInstallWizard::UseScriptTitle() {
  const std::string title = script_.Text(ids::kWindowTitle);
  if (!title.empty()) setWindowTitle(QString::fromStdString(title));
}

int RunInstallWizard(int argc, char** argv, const std::filesystem::path& source_directory) {
  QApplication app(argc, argv);
  const SetupScript script(source_directory / kScriptFileName);
  InstallerState state = StartUp(script, source_directory);
  CInstallWizard wizard(script, state, [](const std::filesystem::path& file) {
    std::string why;
    if (OpenWithDesktop(file, &why)) return;
    prompt::ShowMessage("Unable to open " + file.string() + ": " + why, kMessageCaption,
                        prompt::Icon::kExclamation);
  });
  prompt::QtPrompt windowed(&wizard);
  prompt::SetCurrentPrompt(&windowed);
  wizard.exec();
  prompt::SetCurrentPrompt(nullptr);
  return 0;
}

}  // namespace velmora::installer
