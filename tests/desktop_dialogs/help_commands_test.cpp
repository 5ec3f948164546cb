// The Sync log and Help commands: the log read as text for the log window, the guide handed to
// the desktop, and what the user is told when a file is missing, unreadable or nothing can
// open it. Also the shipped user guide.
#include "desktop/help_commands.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QThread>
#include <cstdlib>

#include "desktop/conduit_log_text.h"
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
  EXPECT_EQ(ReadSyncLog(app_.path()), std::nullopt);
  EXPECT_FALSE(OpenUserGuide(app_.path(), opener));
  EXPECT_THAT(opener.opened, IsEmpty());
  EXPECT_THAT(prompt_.Texts(), ElementsAre(MissingLogMessage(app_ / "ContactConduitlog.log"),
                                           MissingGuideMessage(app_ / "Contacts_UserGuide.html")));
  EXPECT_THAT(prompt_.Texts()[0], HasSubstr("ContactConduitlog.log"));
}

TEST_F(HelpCommandsTest, TheGuideGoesToTheDesktop) {
  testing::WriteFileBytes(app_ / "Contacts_UserGuide.html", "g");
  RecordingOpener opener(true);
  EXPECT_TRUE(OpenUserGuide(app_.path(), opener));
  EXPECT_THAT(opener.opened, ElementsAre(app_ / "Contacts_UserGuide.html"));
  EXPECT_THAT(prompt_.Texts(), IsEmpty());
}

TEST_F(HelpCommandsTest, DesktopThatCannotOpenIsReported) {
  testing::WriteFileBytes(app_ / "Contacts_UserGuide.html", "g");
  RecordingOpener opener(false);
  EXPECT_FALSE(OpenUserGuide(app_.path(), opener));
  EXPECT_THAT(prompt_.Texts(), ElementsAre(OpenFailedMessage(app_ / "Contacts_UserGuide.html")));
}

// xdg-open starts, finds nothing to open the file with and ends with a failure status: that
// is said too, once it has ended.
TEST_F(HelpCommandsTest, XdgOpenThatFailsLaterIsReported) {
  const auto bin = app_ / "bin";
  std::filesystem::create_directories(bin);
  testing::WriteFileBytes(bin / "xdg-open", "#!/bin/sh\nexit 3\n");
  std::filesystem::permissions(bin / "xdg-open", std::filesystem::perms::owner_all);
  const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
  ::setenv("PATH", (bin.string() + ":" + path).c_str(), 1);
  XdgOpener opener;
  const bool started = opener.Open(app_ / "guide.html");
  for (int i = 0; i < 200 && prompt_.Texts().empty(); ++i) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(5);
  }
  ::setenv("PATH", path.c_str(), 1);
  EXPECT_TRUE(started);
  EXPECT_THAT(prompt_.Texts(), ElementsAre(OpenFailedMessage(app_ / "guide.html")));
}

TEST(ConduitLogText, DecodesUtf16LeWithoutChangingTheWords) {
  const auto le = [](std::u16string_view text) {
    std::string bytes;
    for (const char16_t unit : text) {
      bytes.push_back(static_cast<char>(unit & 0xFF));
      bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
  };
  const struct {
    std::string bytes;
    std::string text;
  } cases[] = {
      {le(u"Run\r\n\tZoë\r\n"), "Run\n\tZoë\n"},
      {le(u"\xFEFFwith mark\rlone CR"), "with mark\nlone CR"},
      {le(u"odd") + "x", "odd"},
      {le(u"\U0001F600 \u20AC"), "\U0001F600 \u20AC"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeConduitLog(c.bytes), c.text) << c.text;
}

TEST_F(HelpCommandsTest, LogsThatCannotBeReadAreSaidAndLongOnesShowTheirEnd) {
  const auto log = app_ / "ContactConduitlog.log";
  std::filesystem::create_directory(log);
  EXPECT_EQ(ReadSyncLog(app_.path()), std::nullopt);
  ASSERT_EQ(prompt_.Texts().size(), 1u);
  EXPECT_THAT(prompt_.Texts()[0], HasSubstr(log.string()));
  std::filesystem::remove(log);
  std::string bytes;
  const std::string line = "line\r\n";
  while (bytes.size() <= kLogViewLimit) {
    for (const char c : line) bytes += {c, '\0'};
  }
  bytes += std::string("l\0a\0s\0t\0", 8);
  testing::WriteFileBytes(log, bytes);
  const auto text = ReadSyncLog(app_.path());
  ASSERT_TRUE(text);
  EXPECT_LE(text->size(), kLogViewLimit / 2);
  EXPECT_EQ(text->substr(0, 5), "line\n");
  EXPECT_EQ(text->substr(text->size() - 4), "last");
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
