// Copies into the installation folder: whole or not at all, with the source's run bits, and
// desktop entries whose values cannot add keys or arguments.
#include "installer/file_copy.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "installer/desktop_entry.h"
#include "tests/support/temp_dir.h"

namespace velmora::installer {
namespace {

using velmora::testing::ReadFileBytes;
using velmora::testing::TempDir;
using velmora::testing::WriteFileBytes;

unsigned Mode(const std::filesystem::path& file) {
  struct stat info {};
  return ::stat(file.c_str(), &info) == 0 ? (info.st_mode & 0777) : 0;
}

std::size_t EntriesIn(const std::filesystem::path& dir) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir)) ++n;
  return n;
}

TEST(CopyFileAside, CopiesBytesAndPermissionBits) {
  TempDir dir;
  for (unsigned mode : {0755u, 0644u, 0600u}) {
    WriteFileBytes(dir / "program", std::string("#!/bin/sh\n") + std::to_string(mode));
    ASSERT_EQ(::chmod((dir / "program").c_str(), mode), 0);
    std::string error;
    ASSERT_TRUE(CopyFileAside(dir / "program", dir / "copy", &error)) << error;
    EXPECT_EQ(ReadFileBytes(dir / "copy"), ReadFileBytes(dir / "program"));
    EXPECT_EQ(Mode(dir / "copy"), mode);
  }
}

TEST(CopyFileAside, AFailedCopyLeavesTheTargetAsItWasAndNoTemporaryFile) {
  TempDir dir;
  std::filesystem::create_directories(dir / "target");
  WriteFileBytes(dir / "target" / "Orvendel.mdb", "the user's profiles");
  std::filesystem::create_directories(dir / "a folder");
  const std::filesystem::path sources[] = {dir / "missing", dir / "a folder"};
  for (const auto& source : sources) {
    std::string error;
    EXPECT_FALSE(CopyFileAside(source, dir / "target" / "Orvendel.mdb", &error)) << source;
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadFileBytes(dir / "target" / "Orvendel.mdb"), "the user's profiles");
    EXPECT_EQ(EntriesIn(dir / "target"), 1u);
  }
  // A target folder that does not exist.
  WriteFileBytes(dir / "file", "x");
  std::string error;
  EXPECT_FALSE(CopyFileAside(dir / "file", dir / "nowhere" / "file", &error));
}

TEST(CopyFileAside, ReplacesAnExistingTargetWhole) {
  TempDir dir;
  WriteFileBytes(dir / "target", std::string(100000, 'o'));
  WriteFileBytes(dir / "source", "new");
  std::string error;
  ASSERT_TRUE(CopyFileAside(dir / "source", dir / "target", &error)) << error;
  EXPECT_EQ(ReadFileBytes(dir / "target"), "new");
  EXPECT_EQ(EntriesIn(dir.path()), 2u);
}

TEST(DesktopEntry, ProgramEntryRunsTheQuotedProgramInTheFolder) {
  DesktopEntry entry{"Velmora", "Keep contacts in step", "/home/ann/.local/opt/Velmora/brisklet",
                     "/home/ann/.local/opt/Velmora", true};
  EXPECT_EQ(DesktopEntryText(entry),
            "[Desktop Entry]\nVersion=1.0\nType=Application\nName=Velmora\n"
            "Comment=Keep contacts in step\n"
            "Exec=\"/home/ann/.local/opt/Velmora/brisklet\"\n"
            "Path=/home/ann/.local/opt/Velmora\nTerminal=false\n");
}

TEST(DesktopEntry, ValuesAreEscaped) {
  struct Case {
    std::string argument;
    std::string exec_value;  // as it stands in the file
  };
  const Case cases[] = {
      {"/opt/a b/x", "\"/opt/a b/x\""},           {"/opt/$HOME/x", "\"/opt/\\\\$HOME/x\""},
      {"/opt/100%/x", "\"/opt/100%%/x\""},        {"/opt/\"q\"/x", "\"/opt/\\\\\"q\\\\\"/x\""},
      {"/opt/`id`/x", "\"/opt/\\\\`id\\\\`/x\""},
  };
  for (const Case& c : cases) {
    DesktopEntry entry{"n", "", c.argument, "/opt", true};
    const std::string text = DesktopEntryText(entry);
    EXPECT_NE(text.find("\nExec=" + c.exec_value + "\n"), std::string::npos) << text;
  }
  DesktopEntry injected{"Velmora\nExec=rm -rf ~", "line\nbreak", "/opt/Velmora/guide.html",
                        "/opt/Velmora", false};
  const std::string text = DesktopEntryText(injected);
  EXPECT_NE(text.find("Name=Velmora\\nExec=rm -rf ~\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("\nExec="), std::string::npos) << text;
  EXPECT_NE(text.find("Type=Link\n"), std::string::npos);
  EXPECT_NE(text.find("URL=file:///opt/Velmora/guide.html\n"), std::string::npos);
}

}  // namespace
}  // namespace velmora::installer
