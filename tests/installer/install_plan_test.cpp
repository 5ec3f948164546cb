// Which files, folders and shortcuts a script names, and the names that may not leave the
// installation folder.
#include "installer/install_plan.h"

#include <gtest/gtest.h>

#include "installer/desktop_folders.h"
#include "installer/script_ids.h"
#include "tests/support/temp_dir.h"

namespace velmora::installer {
namespace {

using velmora::testing::TempDir;

class InstallPlanTest : public ::testing::Test {
 protected:
  SetupScript Write(const std::vector<ScriptRecord>& records) {
    velmora::testing::WriteFileBytes(dir_ / kScriptFileName, BuildScriptBytes(records));
    return SetupScript(dir_ / kScriptFileName);
  }
  static std::vector<std::string> Sources(const std::vector<PlannedCopy>& copies) {
    std::vector<std::string> out;
    for (const PlannedCopy& c : copies) out.push_back(c.source);
    return out;
  }
  TempDir dir_;
};

TEST_F(InstallPlanTest, MainFileCountOfZeroStillCopiesReadme) {
  const SetupScript script = Write({{10, "0"}, {501, "never copied"}});
  const std::vector<std::string> expected = {"readme.txt", "SampleContactsDB.mdb"};
  EXPECT_EQ(Sources(PlannedCopies(script, false, 0)), expected);
}

TEST_F(InstallPlanTest, FirstInstallFilesOnlyWhenTheInstallationIsNotKept) {
  const SetupScript script = Write({{10, "2"},
                                    {501, "tavrill"},
                                    {502, "lib/libpeltrix.so"},
                                    {17, "1"},
                                    {1151, "Orvendel.mdb"},
                                    {11, "1"},
                                    {601, "en_Guide.html"},
                                    {602, "de_Guide.html"}});
  const std::vector<std::string> fresh = {"tavrill",      "lib/libpeltrix.so",
                                          "readme.txt",   "SampleContactsDB.mdb",
                                          "Orvendel.mdb", "en_Guide.html"};
  EXPECT_EQ(Sources(PlannedCopies(script, false, 0)), fresh);
  const std::vector<std::string> kept = {"tavrill", "lib/libpeltrix.so", "readme.txt",
                                         "SampleContactsDB.mdb", "en_Guide.html"};
  EXPECT_EQ(Sources(PlannedCopies(script, true, 0)), kept);
  // The language offset picks the language files; they are installed without their prefix.
  const std::vector<PlannedCopy> german = PlannedCopies(script, true, 1);
  EXPECT_EQ(german.back(), (PlannedCopy{FileGroup::kLanguage, "de_Guide.html", "Guide.html"}));
}

TEST_F(InstallPlanTest, DamagedCountsAreCapped) {
  const SetupScript script = Write({{10, "4000000000"}, {16, "999999"}});
  EXPECT_LE(PlannedCopies(script, false, 0).size(), static_cast<std::size_t>(kMaxScriptCount) + 2);
  EXPECT_EQ(Subfolders(script).size(), static_cast<std::size_t>(kMaxScriptCount));
}

TEST_F(InstallPlanTest, ShortcutsTakeTheirTextsFromTheirRanges) {
  const SetupScript script = Write({{12, "desktop comment"},
                                    {15, "1"},
                                    {1001, "brisklet"},
                                    {1051, "Velmora"},
                                    {13, "2"},
                                    {701, "brisklet"},
                                    {801, "manager"},
                                    {901, "Velmora"},
                                    {702, "tavrill"},
                                    {802, "conduit"},
                                    {902, "Velmora Conduit"}});
  EXPECT_EQ(DesktopShortcuts(script),
            (std::vector<Shortcut>{{"Velmora", "brisklet", "desktop comment"}}));
  EXPECT_EQ(MenuShortcuts(script),
            (std::vector<Shortcut>{{"Velmora", "brisklet", "manager"},
                                   {"Velmora Conduit", "tavrill", "conduit"}}));
}

TEST_F(InstallPlanTest, AllShippedFilesListsEachSourceOnce) {
  const SetupScript script =
      Write({{10, "2"}, {501, "tavrill"}, {502, "tavrill"}, {17, "1"}, {1151, "Orvendel.mdb"}});
  const std::vector<std::string> expected = {"tavrill", "readme.txt", "SampleContactsDB.mdb",
                                             "Orvendel.mdb"};
  EXPECT_EQ(Sources(AllShippedFiles(script, 1)), expected);
}

TEST(InstallNames, ContainedNamesStayInsideTheirFolder) {
  struct Case {
    const char* name;
    bool contained;
  };
  const Case cases[] = {
      {"tavrill", true},      {"lib/libpeltrix.so", true},
      {"Backup", true},       {"", false},
      {"/etc/passwd", false}, {"../outside", false},
      {"lib/../../x", false}, {"./tavrill", false},
      {"a/./b", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsContainedName(c.name), c.contained) << c.name;
}

TEST(InstallNames, LanguageFilesLoseTheirThreeCharacterPrefix) {
  EXPECT_EQ(LanguageTargetName("en_Contacts_UserGuide.html"), "Contacts_UserGuide.html");
  EXPECT_EQ(LanguageTargetName("de-readme.txt"), "readme.txt");
  EXPECT_EQ(LanguageTargetName("en_"), "");
  EXPECT_EQ(LanguageTargetName("x"), "");
}

// An opener that cannot open the release notes is said, not passed over: xdg-open stood in by
// a script that ends as the real one would.
TEST(OpenWithDesktop, SaysWhyAFileCouldNotBeOpened) {
  TempDir dir;
  const std::filesystem::path notes = dir / "ReleaseNotes.txt";
  velmora::testing::WriteFileBytes(notes, "notes");
  const std::string old_path = std::getenv("PATH") ? std::getenv("PATH") : "";
  ::setenv("PATH", dir.path().c_str(), 1);
  const struct {
    const char* opener;
    const char* file;
    bool opened;
  } cases[] = {
      {"exit 0", "ReleaseNotes.txt", true},
      {"exit 3", "ReleaseNotes.txt", false},
      {"exit 0", "Missing.txt", false},
  };
  for (const auto& c : cases) {
    velmora::testing::WriteFileBytes(dir / "xdg-open",
                                     std::string("#!/bin/sh\n") + c.opener + "\n");
    std::filesystem::permissions(dir / "xdg-open", std::filesystem::perms::owner_all);
    std::string why;
    EXPECT_EQ(OpenWithDesktop(dir / c.file, &why), c.opened) << c.opener << " " << c.file;
    EXPECT_EQ(why.empty(), c.opened) << why;
  }
  ::setenv("PATH", old_path.c_str(), 1);
}

}  // namespace
}  // namespace velmora::installer
