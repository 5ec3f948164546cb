// The folder page (CFinishPage): the handheld user list, the installation folder with its
// Browse button and a link to the release notes. Next runs the installation.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QWizardPage>

namespace velmora::installer {

class CInstallWizard;
class CLinkLabel;

inline constexpr const char* kUserListCaption = "Select PocketPC User";
inline constexpr const char* kBrowseTitle = "Choose Installation folder";

class CFinishPage : public QWizardPage {
  Q_OBJECT

 public:
  explicit CFinishPage(CInstallWizard* wizard);
  void initializePage() override;
  bool validatePage() override;

  QListWidget* Users() const { return users_; }
  QLineEdit* Folder() const { return folder_; }
  QPushButton* Browse() const { return browse_; }
  QCheckBox* BindSamples() const { return bind_samples_; }

 private:
  void BrowseForFolder();

  CInstallWizard* wizard_;
  QLabel* texts_[2] = {};
  QLabel* user_caption_;
  QListWidget* users_;
  QLineEdit* folder_;
  QPushButton* browse_;
  QCheckBox* bind_samples_;
  CLinkLabel* link_;
};

}  // namespace velmora::installer
