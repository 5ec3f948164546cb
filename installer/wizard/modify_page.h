// The page shown over an existing installation (CModifyPage): replace it, or update the
// programs and keep the profile database. Next stores the choice as the keep-existing flag.
#pragma once

#include <QLabel>
#include <QRadioButton>
#include <QWizardPage>

namespace velmora::installer {

class CInstallWizard;

class CModifyPage : public QWizardPage {
  Q_OBJECT

 public:
  explicit CModifyPage(CInstallWizard* wizard);
  void initializePage() override;
  bool validatePage() override;
  QRadioButton* Choice(int index) const { return choices_[index]; }

 private:
  CInstallWizard* wizard_;
  QLabel* texts_[5] = {};
  QRadioButton* choices_[2] = {};
};

}  // namespace velmora::installer
