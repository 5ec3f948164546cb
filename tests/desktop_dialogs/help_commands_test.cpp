// The Sync log and Help commands: which file goes to the desktop, and what the user is told
// when it is missing or nothing can open it. Also the shipped user guide.
#include "desktop/help_commands.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/prompt/scripted_prompt.h"
#include "tests/support/temp_dir.h"

namespace velmora::desktop {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class RecordingOpener final : public FileOpener {
 public:
  explicit RecordingOpener(bool works) : works_(works) {}
  bool Open(const std::filesystem::path& file) override {
    opened.push_back(file);
    return works_;
  }
  std::vector<std::filesystem::path> opened;

 private:
  bool works_;
};

class HelpCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override { prompt::SetCurrentPrompt(&prompt_); }
  void TearDown() override { prompt::SetCurrentPrompt(nullptr); }
  testing::TempDir app_;
  prompt::ScriptedPrompt prompt_;
};

TEST_F(HelpCommandsTest, MissingFilesAreReportedAndNotHandedOn) {
  RecordingOpener opener(true);
  EXPECT_FALSE(OpenSyncLog(app_.path(), opener));
  EXPECT_FALSE(OpenUserGuide(app_.path(), opener));
  EXPECT_THAT(opener.opened, IsEmpty());
  EXPECT_THAT(prompt_.Texts(), ElementsAre(MissingLogMessage(app_ / "ContactConduitlog.log"),
                                           MissingGuideMessage(app_ / "Contacts_UserGuide.html")));
  EXPECT_THAT(prompt_.Texts()[0], HasSubstr("ContactConduitlog.log"));
}

TEST_F(HelpCommandsTest, ExistingFilesGoToTheDesktop) {
  testing::WriteFileBytes(app_ / "ContactConduitlog.log", "l");
  testing::WriteFileBytes(app_ / "Contacts_UserGuide.html", "g");
  RecordingOpener opener(true);
  EXPECT_TRUE(OpenSyncLog(app_.path(), opener));
  EXPECT_TRUE(OpenUserGuide(app_.path(), opener));
  EXPECT_THAT(opener.opened,
              ElementsAre(app_ / "ContactConduitlog.log", app_ / "Contacts_UserGuide.html"));
  EXPECT_THAT(prompt_.Texts(), IsEmpty());
}

TEST_F(HelpCommandsTest, DesktopThatCannotOpenIsReported) {
  testing::WriteFileBytes(app_ / "ContactConduitlog.log", "l");
  RecordingOpener opener(false);
  EXPECT_FALSE(OpenSyncLog(app_.path(), opener));
  EXPECT_THAT(prompt_.Texts(), ElementsAre(OpenFailedMessage(app_ / "ContactConduitlog.log")));
}

TEST(UserGuide, IsShippedAndCoversEveryTopic) {
  const std::string guide =
      testing::ReadFileBytes(testing::BuildDir() / "share" / "Contacts_UserGuide.html");
  ASSERT_FALSE(guide.empty());
  for (const char* topic :
       {"id=\"profiles\"", "id=\"wizard\"", "id=\"sync-types\"", "id=\"schedules\"",
        "id=\"backups\"", "id=\"restore\"", "id=\"categories\"", "id=\"log\""}) {
    EXPECT_THAT(guide, HasSubstr(topic));
  }
}

}  // namespace
}  // namespace velmora::desktop
