#include <gtest/gtest.h>

#include "conduit/csv_export.h"

namespace velmora::conduit {
namespace {

transfer::PimPositionSlots OnlyLastName(const std::string& last) {
  transfer::PimPositionSlots fields;
  fields[3] = last;
  fields[44] = " ";  // a missing date reads as a single blank
  fields[45] = " ";
  return fields;
}

std::string Repeat(const std::string& piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

TEST(CsvLine, EmptyColumnsAndMissingDates) {
  std::string expected = Repeat(" ,", 3) + "Smith," + Repeat(" ,", 40) + " ," + " ";
  EXPECT_EQ(CsvLine(OnlyLastName("Smith"), std::nullopt), expected);
}

TEST(CsvLine, QuotesOnlyValuesThatNeedIt) {
  struct Case {
    const char* value;
    const char* written;
  } cases[] = {
      {"Smith, Jr.", "\"Smith, Jr.\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"two\r\nlines", "\"two\r\nlines\""},
      {"line\nfeed", "\"line\nfeed\""},
      {"O'Brien", "O'Brien"},
      {"Søren", "Søren"},
  };
  for (const Case& c : cases) {
    std::string line = CsvLine(OnlyLastName(c.value), std::nullopt);
    const std::string written = std::string(c.written) + ",";
    EXPECT_EQ(line.substr(6, written.size()), written) << c.value;
    EXPECT_EQ(line.substr(6 + written.size()), Repeat(" ,", 41) + " ") << c.value;
  }
}

TEST(CsvLine, SingleCategoryMode) {
  transfer::PimPositionSlots without = OnlyLastName("A");
  transfer::PimPositionSlots with = OnlyLastName("B");
  with[39] = "Personal";
  const std::string none = CsvLine(without, std::string("Business"));
  const std::string some = CsvLine(with, std::string("Business"));
  EXPECT_NE(none.find(",No Categories,"), std::string::npos);
  EXPECT_NE(some.find(",Business,"), std::string::npos);
  EXPECT_EQ(some.find("Personal"), std::string::npos);
  // Outside that mode the record's own categories are written.
  EXPECT_NE(CsvLine(with, std::nullopt).find(",Personal,"), std::string::npos);
}

TEST(CsvLine, AnniversaryEndsTheLineWithoutAComma) {
  transfer::PimPositionSlots fields = OnlyLastName("A");
  fields[44] = "12/31/1999";
  fields[45] = "6/20/1998";
  const std::string line = CsvLine(fields, std::nullopt);
  EXPECT_EQ(line.substr(line.size() - 20), "12/31/1999,6/20/1998");
}

TEST(CsvHeader, HasTheFortySixColumnTitles) {
  EXPECT_EQ(std::count(kCsvHeader.begin(), kCsvHeader.end(), ','), 45);
  EXPECT_TRUE(kCsvHeader.starts_with("Title,First,Middle,Last,"));
  EXPECT_TRUE(kCsvHeader.ends_with(",Note,Birthday,Anniversary"));
}

}  // namespace
}  // namespace velmora::conduit
