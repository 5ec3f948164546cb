// The last page (CLastDialog): says the installation is done; Finish opens readme.txt (and the
// script's second file) from the installation folder and reports when a copy failed.
#pragma once

#include <QLabel>
#include <QWizardPage>

namespace velmora::installer {

class CInstallWizard;

class CLastDialog : public QWizardPage {
  Q_OBJECT

 public:
  explicit CLastDialog(CInstallWizard* wizard);
  void initializePage() override;
  bool validatePage() override;  // Finish

 private:
  CInstallWizard* wizard_;
  QLabel* text_;
  QLabel* note_;
};

}  // namespace velmora::installer
