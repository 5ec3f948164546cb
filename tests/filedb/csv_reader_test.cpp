#include "platform/filedb/csv_reader.h"

#include <gtest/gtest.h>

namespace velmora::filedb {
namespace {

std::string Show(const Cell& cell) {
  if (const auto* s = std::get_if<std::string>(&cell)) return *s;
  return "<null>";
}

std::vector<std::vector<std::string>> Rows(const TableData& table) {
  std::vector<std::vector<std::string>> rows;
  for (const auto& row : table.rows) {
    std::vector<std::string> values;
    for (const Cell& cell : row) values.push_back(Show(cell));
    rows.push_back(values);
  }
  return rows;
}

std::vector<std::string> Names(const TableData& table) {
  std::vector<std::string> names;
  for (const auto& column : table.columns) names.push_back(column.name);
  return names;
}

struct GoodCase {
  const char* what;
  std::string bytes;
  std::vector<std::string> names;
  std::vector<std::vector<std::string>> rows;
};

TEST(ParseCsv, ReadsRfc4180Text) {
  const GoodCase cases[] = {
      {"plain, LF", "a,b\n1,2\n", {"a", "b"}, {{"1", "2"}}},
      {"CRLF and no final line break", "a,b\r\n1,2\r\n3,4", {"a", "b"}, {{"1", "2"}, {"3", "4"}}},
      {"quoted comma, quote and line break",
       "Name,Note\n\"O'Neil, Jr.\",\"say \"\"hi\"\"\nthere\"\n",
       {"Name", "Note"},
       {{"O'Neil, Jr.", "say \"hi\"\nthere"}}},
      {"spaces belong to the field", "a,b\n  x , y  \n", {"a", "b"}, {{"  x ", " y  "}}},
      {"empty fields are null", "a,b,c\n,\"\",z\n", {"a", "b", "c"}, {{"<null>", "", "z"}}},
      {"blank lines are skipped", "a\n\nx\n\n", {"a"}, {{"x"}}},
      {"header only", "a,b\n", {"a", "b"}, {}},
      {"unnamed and repeated columns",
       "Name,,name,F2\n1,2,3,4\n",
       {"Name", "F21", "name1", "F2"},
       {{"1", "2", "3", "4"}}},
      {"a repeated name skips suffixes that are taken",
       "a,A,a,a1,a\n1,2,3,4,5\n",
       {"a", "A2", "a3", "a1", "a4"},
       {{"1", "2", "3", "4", "5"}}},
      {"UTF-8 with byte-order mark", "\xEF\xBB\xBFS\xC3\xB8ren\nx\n", {"S\xC3\xB8ren"}, {{"x"}}},
      {"UTF-16 LE with byte-order mark",
       std::string("\xFF\xFEN\0\n\0\xF8\0\n\0", 10),
       {"N"},
       {{"\xC3\xB8"}}},
      {"UTF-16 BE with byte-order mark",
       std::string("\xFE\xFF\0N\0\n\0\xF8\0\n", 10),
       {"N"},
       {{"\xC3\xB8"}}},
      {"Latin-1 when the bytes are not UTF-8", "N\nS\xF8ren\n", {"N"}, {{"S\xC3\xB8ren"}}},
  };
  for (const GoodCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::string problem;
    const auto table = ParseCsv(c.bytes, "t.csv", &problem);
    ASSERT_TRUE(table) << problem;
    EXPECT_EQ(table->name, "t.csv");
    EXPECT_EQ(Names(*table), c.names);
    EXPECT_EQ(Rows(*table), c.rows);
  }
}

TEST(ParseCsv, AHeaderOfOneNameRepeatedGetsNumberedColumns) {
  std::string header = "x";
  for (int i = 1; i < 5000; ++i) header += ",x";
  const auto table = ParseCsv(header + "\n", "t.csv", nullptr);
  ASSERT_TRUE(table);
  const std::vector<std::string> names = Names(*table);
  ASSERT_EQ(names.size(), 5000u);
  EXPECT_EQ(names[0], "x");
  EXPECT_EQ(names[1], "x1");
  EXPECT_EQ(names[4999], "x4999");
}

TEST(ParseCsv, RefusesDamagedText) {
  const struct {
    const char* what;
    std::string bytes;
    std::string problem;
  } cases[] = {
      {"row with a field too many", "a,b\n1,2\n1,2,3\n", "row 3 has 3 fields, the header has 2"},
      {"row with a field too few", "a,b\n1\n", "row 2 has 1 fields, the header has 2"},
      {"cut inside a quoted field", "a,b\n1,\"unfinished", "the file ends inside a quoted field"},
      {"text after a closing quote", "a\n\"x\"y\n", "malformed quoting on line 2"},
      {"quote inside an unquoted field", "a\nx\"y\n", "malformed quoting on line 2"},
      {"empty file", "", "the file has no header row"},
      {"UTF-16 cut in a character",
       std::string("\xFF\xFE"
                   "a\0\n",
                   5),
       "UTF-16 text ends"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string problem;
    EXPECT_FALSE(ParseCsv(c.bytes, "t.csv", &problem));
    EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
  }
}

TEST(ParseCsv, TextColumnsAreWideEnoughForTheirLongestValue) {
  const std::string long_value(300, 'x');
  const auto table = ParseCsv("short,long\na," + long_value + "\n", "t.csv", nullptr);
  ASSERT_TRUE(table);
  EXPECT_EQ(table->columns[0].declared_type, "VARCHAR(255)");
  EXPECT_EQ(table->columns[1].declared_type, "VARCHAR(300)");
}

}  // namespace
}  // namespace velmora::filedb
