// The installer's window: the wizard "Tabloom Installer" (CInstallWizard) with the language
// page, the modify page (only over an existing installation), the folder page and the last
// page, over the installer state. Used by the installer program and the wizard tests; the
// installation itself is installation.h's.
#pragma once

#include <QWizard>
#include <filesystem>
#include <functional>

#include "db/connection.h"
#include "installer/installer_state.h"
#include "installer/setup_script.h"

namespace velmora::installer {

class CLanguagePage;
class CModifyPage;
class CFinishPage;
class CLastDialog;

// Opens a file of the installation; OpenWithDesktop unless a test replaces it.
using FileOpener = std::function<void(const std::filesystem::path&)>;

class CInstallWizard : public QWizard {
  Q_OBJECT

 public:
  enum PageId { kLanguagePage, kModifyPage, kFolderPage, kLastPage };

  CInstallWizard(const SetupScript& script, InstallerState& state, FileOpener opener,
                 QWidget* parent = nullptr);

  const SetupScript& Script() const { return script_; }
  InstallerState& State() { return state_; }
  db::Connection& ProfileDatabase() { return profile_db_; }
  const FileOpener& Opener() const { return opener_; }
  // The title of the script (id 104), set on every page's entry.
  void UseScriptTitle();

  CLanguagePage* LanguagePage() const { return language_page_; }
  CModifyPage* ModifyPage() const { return modify_page_; }  // null without an installation
  CFinishPage* FolderPage() const { return folder_page_; }
  CLastDialog* LastPage() const { return last_page_; }

 private:
  const SetupScript& script_;
  InstallerState& state_;
  FileOpener opener_;
  // Opened when the sample profiles are bound; kept, with its temporary data source, until
  // the wizard ends.
  db::Connection profile_db_{db::Program::kInstaller};
  CLanguagePage* language_page_ = nullptr;
  CModifyPage* modify_page_ = nullptr;
  CFinishPage* folder_page_ = nullptr;
  CLastDialog* last_page_ = nullptr;
};

// The program's window run: state at start-up from `source_directory`, the wizard shown
// modally, exit status 0.
int RunInstallWizard(int argc, char** argv, const std::filesystem::path& source_directory);

}  // namespace velmora::installer
