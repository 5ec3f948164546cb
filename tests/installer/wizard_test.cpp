// The installer wizard on the offscreen platform: the pages in order, their texts and controls,
// an installation through the folder page, and pictures of the four pages in build/screenshots.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>

#include "installer/script_ids.h"
#include "installer/wizard/finish_page.h"
#include "installer/wizard/install_wizard.h"
#include "installer/wizard/language_page.h"
#include "installer/wizard/last_page.h"
#include "installer/wizard/modify_page.h"
#include "platform/prompt/prompt.h"
#include "platform/prompt/scripted_prompt.h"
#include "platform/registry/registry.h"
#include "tests/installer/install_world.h"
#include "tests/support_qt/screenshot.h"

namespace velmora::installer {
namespace {

using testing::InstallWorld;

// The wizard finds the handheld user library relative to the current folder, as the program
// does when started in its source directory.
class ScopedCurrentFolder {
 public:
  explicit ScopedCurrentFolder(const std::filesystem::path& folder)
      : saved_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~ScopedCurrentFolder() { std::filesystem::current_path(saved_); }

 private:
  std::filesystem::path saved_;
};

class WizardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    world_.AddHandheldUser("Ann O'Neil");
    world_.AddHandheldUser("Bob");
    prompt::SetCurrentPrompt(&prompt_);
  }
  void TearDown() override { prompt::SetCurrentPrompt(nullptr); }

  std::unique_ptr<CInstallWizard> MakeWizard() {
    state_ = StartUp(script_, world_.Source());
    auto wizard = std::make_unique<CInstallWizard>(
        script_, state_, [this](const std::filesystem::path& file) { opened_.push_back(file); });
    wizard->show();
    return wizard;
  }
  static QStringList Texts(QWidget* page) {
    QStringList texts;
    for (QLabel* label : page->findChildren<QLabel*>()) texts << label->text();
    return texts;
  }

  InstallWorld world_;
  ScopedCurrentFolder current_{world_.Source()};
  SetupScript script_ = world_.Script();
  InstallerState state_;
  prompt::ScriptedPrompt prompt_;
  std::vector<std::filesystem::path> opened_;
};

TEST_F(WizardTest, FirstInstallationGoesFromLanguageToFolderToLastPage) {
  auto wizard = MakeWizard();
  EXPECT_EQ(wizard->ModifyPage(), nullptr);
  EXPECT_EQ(wizard->currentId(), CInstallWizard::kLanguagePage);
  EXPECT_EQ(wizard->windowTitle(), "Velmora Setup");
  EXPECT_TRUE(Texts(wizard->LanguagePage()).contains("Welcome to the Velmora installer"));
  velmora::testing::SaveScreenshot(wizard.get(), "installer_1_language_page");

  // Another language is refused and the first one selected again.
  wizard->LanguagePage()->Languages()->setCurrentRow(2);
  EXPECT_EQ(wizard->LanguagePage()->Languages()->currentRow(), 0);
  ASSERT_EQ(prompt_.Texts().size(), 1u);
  EXPECT_EQ(prompt_.Texts()[0], std::string(kLanguageNotSupported) + kSupportAddress);

  wizard->next();
  ASSERT_EQ(wizard->currentId(), CInstallWizard::kFolderPage);
  CFinishPage* page = wizard->FolderPage();
  ASSERT_EQ(page->Users()->count(), 2);
  EXPECT_EQ(page->Users()->currentItem()->text(), "Ann O'Neil");
  EXPECT_EQ(page->Folder()->text().toStdString(), world_.DefaultFolder());
  EXPECT_TRUE(page->Browse()->isEnabled());
  EXPECT_FALSE(page->BindSamples()->isVisible());
  EXPECT_TRUE(Texts(page).contains(kUserListCaption));
  velmora::testing::SaveScreenshot(wizard.get(), "installer_3_folder_page");

  const std::string folder = (world_.Home() / "apps" / "Velmora").string();
  page->Folder()->setText(QString::fromStdString(folder));
  page->Users()->setCurrentRow(1);
  wizard->next();
  ASSERT_EQ(wizard->currentId(), CInstallWizard::kLastPage);
  EXPECT_TRUE(state_.success);
  EXPECT_EQ(state_.installation_folder, folder);
  EXPECT_EQ(InstallWorld::ReadProfile(std::filesystem::path(folder) / "Orvendel.mdb", 1)->user_name,
            "Bob");
  velmora::testing::SaveScreenshot(wizard.get(), "installer_4_last_page");

  wizard->accept();  // Finish
  ASSERT_EQ(opened_.size(), 1u);
  EXPECT_EQ(opened_[0], std::filesystem::path(folder) / "readme.txt");
}

TEST_F(WizardTest, OverAnExistingInstallationTheModifyPageKeepsItByDefault) {
  const auto existing = world_.Home() / "old" / "Velmora";
  std::filesystem::create_directories(existing);
  ASSERT_TRUE(registry::WriteString(registry::Hive::kCurrentUser, script_.Text(ids::kRegistryKey),
                                    "AppPath", existing.string()));
  auto wizard = MakeWizard();
  ASSERT_NE(wizard->ModifyPage(), nullptr);
  wizard->next();
  ASSERT_EQ(wizard->currentId(), CInstallWizard::kModifyPage);
  EXPECT_TRUE(wizard->ModifyPage()->Choice(1)->isChecked());
  EXPECT_EQ(wizard->ModifyPage()->Choice(0)->text(), "Replace the installation");
  velmora::testing::SaveScreenshot(wizard.get(), "installer_2_modify_page");

  wizard->next();
  ASSERT_EQ(wizard->currentId(), CInstallWizard::kFolderPage);
  EXPECT_EQ(state_.keep_existing, 1);
  CFinishPage* page = wizard->FolderPage();
  EXPECT_EQ(page->Folder()->text().toStdString(), existing.string());
  EXPECT_FALSE(page->Browse()->isEnabled());
  EXPECT_TRUE(page->BindSamples()->isVisible());

  // Choosing to replace frees the folder again.
  wizard->back();
  wizard->ModifyPage()->Choice(0)->setChecked(true);
  wizard->next();
  EXPECT_EQ(state_.keep_existing, 0);
  EXPECT_TRUE(page->Browse()->isEnabled());
}

}  // namespace
}  // namespace velmora::installer
