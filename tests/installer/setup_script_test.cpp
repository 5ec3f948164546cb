// The setup script reader on compiled, damaged and hand-made files, the text source parser and
// the compiled script that ships.
#include "installer/setup_script.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "installer/script_ids.h"
#include "tests/support/temp_dir.h"

namespace velmora::installer {
namespace {

using velmora::testing::TempDir;

std::string Script(const std::vector<ScriptRecord>& records) {
  return BuildScriptBytes(records);
}

TEST(SetupScriptReader, JoinsEveryRecordOfAnIdInRecordOrder) {
  const std::string bytes = Script({{205, "first half, "}, {10, "3"}, {205, "second half"}});
  EXPECT_EQ(LookupScriptText(bytes, 205), "first half, second half");
  EXPECT_EQ(LookupScriptText(bytes, 10), "3");
  EXPECT_EQ(LookupScriptText(bytes, 11), "");
}

TEST(SetupScriptReader, LayoutIsTheNarrowPdbHeader) {
  const std::string bytes = Script({{0x1234, "x"}});
  ASSERT_GE(bytes.size(), kScriptMinimumBytes);
  EXPECT_EQ(bytes.substr(0, 12), "InstallerRes");
  EXPECT_EQ(static_cast<unsigned char>(bytes[76]), 0);
  EXPECT_EQ(static_cast<unsigned char>(bytes[77]), 1);
  const std::size_t offset =
      (static_cast<unsigned char>(bytes[80]) << 8) | static_cast<unsigned char>(bytes[81]);
  EXPECT_EQ(static_cast<unsigned char>(bytes[offset]), 0x12);
  EXPECT_EQ(static_cast<unsigned char>(bytes[offset + 1]), 0x34);
  EXPECT_EQ(bytes.substr(offset + 2), std::string("x\0", 2));
}

// Damaged files read as empty texts (or as far as they are intact), never past their end.
TEST(SetupScriptReader, DamagedFilesReadAsEmptyTexts) {
  const std::string good = Script({{10, "0"}, {102, "Velmora"}});
  struct Case {
    const char* what;
    std::string bytes;
    std::string expected_102;
  };
  std::string huge_count = good;
  huge_count[76] = '\xFF';
  huge_count[77] = '\xFF';
  std::string offset_past_end = good;
  offset_past_end[86] = '\x7F';  // the second entry's offset
  std::string no_nul = good.substr(0, good.size() - 1);
  const Case cases[] = {
      {"empty file", "", ""},
      {"80 bytes", good.substr(0, 80), ""},
      {"header only", std::string(78, '\0'), ""},
      {"count larger than the record list", huge_count, "Velmora"},
      {"record offset past the end", offset_past_end, ""},
      {"last text without its NUL", no_nul, "Velmora"},
      {"cut inside the record list", good.substr(0, 86), ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LookupScriptText(c.bytes, 102), c.expected_102) << c.what;
  }
}

TEST(SetupScriptFile, IsReadAnewForEveryLookup) {
  TempDir dir;
  const auto file = dir / kScriptFileName;
  const SetupScript script(file);
  EXPECT_EQ(script.Text(102), "");  // no file yet
  velmora::testing::WriteFileBytes(file, Script({{102, "One"}}));
  EXPECT_EQ(script.Text(102), "One");
  velmora::testing::WriteFileBytes(file, Script({{102, "Two"}}));
  EXPECT_EQ(script.Text(102), "Two");
  velmora::testing::WriteFileBytes(file, "short");
  EXPECT_EQ(script.Text(102), "");
}

TEST(SetupScriptFile, CountsReadAsLeadingDecimalNumbers) {
  TempDir dir;
  velmora::testing::WriteFileBytes(
      dir / kScriptFileName,
      Script({{10, "12"}, {11, "-3"}, {13, "abc"}, {15, "7 shortcuts"}, {17, ""}}));
  const SetupScript script(dir / kScriptFileName);
  EXPECT_EQ(script.Number(10), 12);
  EXPECT_EQ(script.Number(11), 0);
  EXPECT_EQ(script.Number(13), 0);
  EXPECT_EQ(script.Number(15), 7);
  EXPECT_EQ(script.Number(17), 0);
  EXPECT_EQ(script.Number(16), 0);
}

TEST(SetupScriptSource, ParsesLinesAndRefusesMalformedOnes) {
  std::vector<ScriptRecord> records;
  std::string error;
  ASSERT_TRUE(
      ParseScriptSource("# comment\n\n100\tSoftware\\Microsoft\\Wrenlock\r\n"
                        "205\ta text\twith a tab\n12\t\n",
                        &records, &error))
      << error;
  const std::vector<ScriptRecord> expected = {
      {100, "Software\\Microsoft\\Wrenlock"}, {205, "a text\twith a tab"}, {12, ""}};
  EXPECT_EQ(records, expected);

  const char* const bad[] = {"100 no tab\n", "x\ttext\n", "70000\ttext\n", "-1\ttext\n",
                             "\ttext\n"};
  for (const char* source : bad) {
    EXPECT_FALSE(ParseScriptSource(source, &records, &error)) << source;
    EXPECT_EQ(error.rfind("line 1: ", 0), 0u) << error;
  }
}

// The script the build compiles: the structural entries the other programs rely on.
TEST(ShippedSetupScript, NamesTheRegistryKeyConduitAndFirstInstallFiles) {
  const SetupScript script(velmora::testing::BuildDir() / "share" / kScriptFileName);
  EXPECT_EQ(script.Text(ids::kRegistryKey), "Software\\Microsoft\\Wrenlock");
  EXPECT_EQ(script.Text(ids::kConduitFile), "tavrill");
  EXPECT_EQ(script.Text(ids::kVersion), "1.0.0");
  EXPECT_EQ(script.Number(ids::kFirstInstallFileCount), 1);
  EXPECT_EQ(script.Text(ids::kFirstFirstInstallFile), "Orvendel.mdb");
  EXPECT_EQ(script.Number(ids::kSubfolderCount), 2);
  EXPECT_EQ(script.Text(ids::kFirstSubfolder) + "," + script.Text(ids::kFirstSubfolder + 1),
            "Backup,lib");
  // Every main file entry up to the count is present; the next place is readme.txt's.
  const int count = script.Number(ids::kMainFileCountMinusOne);
  ASSERT_GT(count, 0);
  for (int i = 0; i < count; ++i) EXPECT_NE(script.Text(ids::kFirstMainFile + i), "") << i;
  EXPECT_EQ(script.Text(ids::kFirstMainFile + count), "");
}

// A library the build makes but the script forgets leaves an installed program unable to start.
TEST(ShippedSetupScript, NamesEverySharedLibraryTheBuildMakes) {
  const SetupScript script(velmora::testing::BuildDir() / "share" / kScriptFileName);
  std::set<std::string> named;
  const int count = script.Number(ids::kMainFileCountMinusOne);
  for (int i = 0; i < count; ++i) named.insert(script.Text(ids::kFirstMainFile + i));
  for (const auto& entry :
       std::filesystem::directory_iterator(velmora::testing::BuildDir() / "lib")) {
    if (entry.path().extension() != ".so") continue;
    EXPECT_TRUE(named.count("lib/" + entry.path().filename().string()))
        << entry.path().filename() << " is not in the setup script";
  }
}

}  // namespace
}  // namespace velmora::installer
