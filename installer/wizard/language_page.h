// The first page: the language list and the welcome texts. Only the first language is
// available; choosing another says so and goes back to it. Next stores the language offset.
#pragma once

#include <QLabel>
#include <QListWidget>
#include <QWizardPage>

namespace velmora::installer {

class CInstallWizard;

inline constexpr const char* kLanguageNotSupported =
    "This Language version currently not supported. Please contact ";
inline constexpr const char* kSupportAddress = "support@velmora.example";

class CLanguagePage : public QWizardPage {
  Q_OBJECT

 public:
  explicit CLanguagePage(CInstallWizard* wizard);
  void initializePage() override;
  bool validatePage() override;
  QListWidget* Languages() const { return languages_; }

 private:
  void LanguageChosen(int row);

  CInstallWizard* wizard_;
  QListWidget* languages_;
  QLabel* texts_[3] = {};
};

}  // namespace velmora::installer
