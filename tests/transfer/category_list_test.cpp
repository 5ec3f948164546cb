// The category list line: which number and name a profile's category key gives, the exact
// UTF-16LE bytes, parsing them back, and replacing the file.
#include "transfer/category_list.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"
#include "tests/transfer/pdb_bytes.h"

namespace velmora::transfer {
namespace {

using testing::Utf16Le;

TEST(CategoryLineChoice, NumberAndNameFromTheProfilesKey) {
  const std::vector<CategoryRow> rows = {{2, "Business"}, {5, "Family"}, {5, "Family again"}};
  struct Case {
    int id;
    CategoryLine line;
  } cases[] = {
      {0, {0, ""}},       {-3, {-3, ""}}, {2, {1, "Business"}},
      {5, {1, "Family"}}, {9, {9, ""}},  // a deleted category: no name is taken from another row
  };
  for (const Case& c : cases) EXPECT_EQ(ChooseCategoryLine(c.id, rows), c.line) << c.id;
}

TEST(CategoryLineBytes, ExactBytesWithoutTerminatorOrLineBreak) {
  EXPECT_EQ(EncodeCategoryLine({0, ""}), Utf16Le("0:"));
  EXPECT_EQ(EncodeCategoryLine({1, "Business"}), Utf16Le("1:Business"));
  EXPECT_EQ(EncodeCategoryLine({1, "0123456789"}).size(), 24u);
  EXPECT_EQ(EncodeCategoryLine({1, std::string(150, 'n')}), Utf16Le("1:" + std::string(99, 'n')));
  EXPECT_EQ(EncodeCategoryLine({1, "\xC3\xA9"}), Utf16Le("1:") + std::string("\xE9\0", 2));
}

TEST(CategoryLineBytes, ParsingAcceptsWhatIsWrittenAndRejectsTheRest) {
  for (const CategoryLine& line : {CategoryLine{0, ""}, CategoryLine{1, "Business"},
                                   CategoryLine{-4, ""}, CategoryLine{1, "a:b"}}) {
    EXPECT_EQ(ParseCategoryLine(EncodeCategoryLine(line)), line);
  }
  const std::string bad[] = {"",
                             Utf16Le("1"),
                             Utf16Le(":x"),
                             Utf16Le("x:y"),
                             Utf16Le("1:") + "z",
                             Utf16Le("-:"),
                             Utf16Le("99999999999:a"),
                             Utf16Le("1-2:a")};
  for (const std::string& bytes : bad) EXPECT_FALSE(ParseCategoryLine(bytes).has_value());
}

TEST(CategoryListFile, EachRunReplacesTheLine) {
  testing::TempDir dir;
  ASSERT_TRUE(WriteCategoryListFile(dir / "category.css", {1, "Business"}));
  ASSERT_TRUE(WriteCategoryListFile(dir / "category.css", {0, ""}));
  EXPECT_EQ(testing::ReadFileBytes(dir / "category.css"), Utf16Le("0:"));
  EXPECT_EQ(ReadCategoryListFile(dir / "category.css"), (CategoryLine{0, ""}));
  EXPECT_FALSE(ReadCategoryListFile(dir / "none.css").has_value());
  EXPECT_FALSE(WriteCategoryListFile(dir / "no/such/folder/category.css", {0, ""}));
}

}  // namespace
}  // namespace velmora::transfer
