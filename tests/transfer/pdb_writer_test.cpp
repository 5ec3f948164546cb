// The contact PDB writers: exact bytes of the layout, every value encoding, the text rule, the
// limits (records, name, text, record size, column list) and the replacement of the target.
#include "transfer/pdb_writer.h"

#include <signal.h>
#include <sys/resource.h>

#include <gtest/gtest.h>

#include "db/type_codes.h"
#include "tests/support/temp_dir.h"
#include "tests/transfer/memory_result_set.h"
#include "tests/transfer/pdb_bytes.h"
#include "transfer/pdb_reader.h"

namespace velmora::transfer {
namespace {

using testing::Be16;
using testing::Be16At;
using testing::Be32;
using testing::Be32At;
using testing::MemoryColumn;
using testing::MemoryResultSet;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::Utf16Le;

std::string Zeros(std::size_t n) {
  return std::string(n, '\0');
}

TEST(PdbWriterLayout, TwoRowTransferFileHasTheExactBytes) {
  MemoryResultSet rows(
      {{"Name", db::kTypeChar, 50, 0}, {"Age", db::kTypeInteger, 10, 0}},
      {{std::string("Ann"), std::int64_t{42}}, {std::string("Bo"), std::int64_t{-1}}});
  TempDir dir;
  ASSERT_TRUE(WriteTransferPdb(rows, dir / "p.pdb", "Prof", 3, {{0, "First"}, {1, "Last"}}));
  std::string file = ReadFileBytes(dir / "p.pdb");

  std::string expected = Utf16Le("Prof") + Zeros(64 - 8);
  expected += Be16(8) + Be16(0) + file.substr(68, 8) + Zeros(8) + Be32(128) + Be32(0) + "KOBA" +
              "DBPL" + Zeros(8) + Be16(2) + Be16(0);
  expected += Be32(170) + Be32(0) + Be32(188) + Be32(0);
  // Column list: count 2, three slots (the third carries nothing), two descriptors.
  expected += Be16(2) + Be16(8) + Be16(26) + Be16(0);
  expected += Be16(1) + Be16(50) + Be16(0) + Utf16Le("First") + Zeros(2);
  expected += Be16(4) + Be16(10) + Be16(0) + Utf16Le("Last") + Zeros(2);
  // Records: three slots each, then the values.
  expected += Be16(6) + Be16(14) + Be16(0) + Utf16Le("Ann") + Zeros(2) + Be32(42);
  expected += Be16(6) + Be16(12) + Be16(0) + Utf16Le("Bo") + Zeros(2) + Be32(0xFFFFFFFF);
  EXPECT_EQ(file, expected);
  EXPECT_EQ(Be32At(file, 68), Be32At(file, 72));
  EXPECT_GT(Be32At(file, 68), 1600000000u);  // seconds since 1970, taken now
}

struct EncodingCase {
  const char* what;
  int type;
  db::Value value;
  std::string bytes;
};

TEST(PdbWriterEncoding, EveryColumnTypeStoresItsValueBytes) {
  const EncodingCase cases[] = {
      {"text rule", db::kTypeChar, std::string("a\tb\r\nc"), Utf16Le("a     b\nc") + Zeros(2)},
      {"empty text", db::kTypeChar, std::string(), Zeros(2)},
      {"null text", db::kTypeChar, db::Null{}, Zeros(2)},
      {"non-ASCII text", db::kTypeChar, std::string("\xC3\xA9"), std::string("\xE9\0\0\0", 4)},
      {"numeric as text", db::kTypeNumeric, std::string("12.50"), Utf16Le("12.50") + Zeros(2)},
      {"integer", db::kTypeInteger, std::int64_t{42}, Be32(42)},
      {"null integer", db::kTypeInteger, db::Null{}, Zeros(4)},
      {"negative smallint", db::kTypeSmallInt, std::int64_t{-2}, Be16(0xFFFE)},
      {"real", db::kTypeReal, 1.5, Be32(0x3FC00000)},
      {"double", db::kTypeDouble, 2.0, Be32(0x40000000) + Zeros(4)},
      {"null double", db::kTypeDouble, db::Null{}, Zeros(8)},
      {"date 2008-03-15", db::kTypeDate, db::Date{2008, 3, 15}, "\xD0\x6F"},
      {"date year modulo 128", db::kTypeDate, db::Date{2040, 1, 1}, Be16(0x1021)},
      {"null date", db::kTypeDate, db::Null{}, Zeros(2)},
      {"time", db::kTypeTime, db::Time{13, 45, 10}, "\x0D\x2D"},
      {"timestamp, second low byte first", db::kTypeTimestamp,
       db::Timestamp{2008, 3, 15, 13, 45, 30, 5},
       Be16(2008) + Be16(3) + Be16(15) + Be16(13) + Be16(45) + "\x1E" + Zeros(1) + Be32(5)},
      {"null timestamp", db::kTypeTimestamp, db::Null{}, Zeros(16)},
      {"tinyint", db::kTypeTinyInt, std::int64_t{200}, "\xC8"},
      {"signed tinyint", db::kTypeSTinyInt, std::int64_t{-1}, "\xFF"},
      {"bit", db::kTypeBit, std::int64_t{5}, "\x01"},
      {"bit zero", db::kTypeBit, std::int64_t{0}, Zeros(1)},
      {"integer delivered as text", db::kTypeInteger, std::string("77"), Be32(77)},
      {"date delivered as timestamp", db::kTypeDate, db::Timestamp{2008, 3, 15, 1, 2, 3, 0},
       "\xD0\x6F"},
  };
  TempDir dir;
  for (const EncodingCase& c : cases) {
    MemoryResultSet rows({{"c", c.type, 10, 0}}, {{c.value}});
    ASSERT_TRUE(WriteTablePdb(rows, dir / "t.pdb", "T")) << c.what;
    std::string file = ReadFileBytes(dir / "t.pdb");
    std::uint32_t record = Be32At(file, 112);
    EXPECT_EQ(Be16At(file, record), 2u) << c.what;
    EXPECT_EQ(file.substr(record + 2), c.bytes) << c.what;
  }
}

TEST(PdbWriterEncoding, TypesWithoutACodeAreLeftOutButKeepTheirSlots) {
  MemoryResultSet rows({{"Name", db::kTypeChar, 20, 0},
                        {"Blob", db::kTypeUnknown, 20, 0},
                        {"Zip", db::kTypeChar, 20, 0}},
                       {{std::string("a"), std::string("zz"), std::string("b")}});
  TempDir dir;
  ASSERT_TRUE(
      WriteTransferPdb(rows, dir / "p.pdb", "P", 3, {{0, "First"}, {1, "Notes"}, {2, "Hzip"}}));
  PdbReader reader;
  ASSERT_TRUE(reader.Open(dir / "p.pdb"));
  ASSERT_EQ(reader.ColumnCount(), 2);
  EXPECT_EQ(reader.ColumnName(1), "Hzip");
  EXPECT_EQ(reader.ValueText(0, 1, TextForm::kFull), "b");
  std::string file = ReadFileBytes(dir / "p.pdb");
  std::uint32_t record = Be32At(file, 112);
  EXPECT_EQ(Be16At(file, record), 6u) << "three slots reserved, values after them";
  EXPECT_EQ(Be16At(file, record + 4), 0u);
}

TEST(PdbWriterEncoding, SlotCountBelowTheWrittenColumnsIsRaised) {
  MemoryResultSet rows({{"A", db::kTypeChar, 5, 0}, {"B", db::kTypeChar, 5, 0}},
                       {{std::string("x"), std::string("y")}});
  TempDir dir;
  ASSERT_TRUE(WriteTransferPdb(rows, dir / "p.pdb", "P", 1, {{0, "First"}, {1, "Last"}}));
  PdbReader reader;
  ASSERT_TRUE(reader.Open(dir / "p.pdb"));
  EXPECT_EQ(reader.ValueText(0, 0, TextForm::kFull), "x");
  EXPECT_EQ(reader.ValueText(0, 1, TextForm::kFull), "y");
}

TEST(PdbWriterText, LongTextsAreCutAtTheLimitAndNeverInsideASurrogatePair) {
  const std::string emoji = "\xF0\x9F\x98\x80";  // one character, two code units
  struct Case {
    const char* what;
    std::string text;
    std::size_t units;
  } cases[] = {
      {"20000 characters", std::string(20000, 'x'), 16382},
      {"exactly the limit", std::string(16382, 'x'), 16382},
      {"pair across the limit", std::string(16381, 'x') + emoji, 16381},
      {"tab grows past the limit", std::string(16380, 'x') + "\t", 16382},
      {"carriage returns do not count", std::string(16382, 'x') + "\r\r", 16382},
  };
  TempDir dir;
  for (const Case& c : cases) {
    MemoryResultSet rows({{"c", db::kTypeChar, 32766, 0}}, {{c.text}});
    ASSERT_TRUE(WriteTablePdb(rows, dir / "t.pdb", "T")) << c.what;
    std::string file = ReadFileBytes(dir / "t.pdb");
    std::uint32_t record = Be32At(file, 112);
    EXPECT_EQ(file.size() - record - 2, 2 * c.units + 2) << c.what;
    EXPECT_EQ(file.substr(file.size() - 2), Zeros(2)) << c.what;
  }
}

TEST(PdbWriterText, ARowTooLongForItsOffsetsHasItsLongestTextsCut) {
  MemoryResultSet rows(
      {{"a", db::kTypeChar, 32766, 0},
       {"b", db::kTypeChar, 32766, 0},
       {"c", db::kTypeChar, 32766, 0},
       {"d", db::kTypeInteger, 10, 0},
       {"e", db::kTypeChar, 100, 0}},
      {{std::string(16000, 'a'), std::string(16000, 'b'), std::string(12000, 'c'), std::int64_t{7},
        std::string(100, 'e')},
       {std::string("next"), std::string(), std::string(), std::int64_t{8}, std::string()}});
  TempDir dir;
  ASSERT_TRUE(WriteTablePdb(rows, dir / "t.pdb", "T"));
  PdbReader reader;
  ASSERT_TRUE(reader.Open(dir / "t.pdb"));
  std::uint32_t first = *reader.RecordOffset(0);
  std::uint32_t second = *reader.RecordOffset(1);
  EXPECT_LE(second - first, 65535u);
  std::size_t a = reader.ValueText(0, 0, TextForm::kFull).size();
  std::size_t b = reader.ValueText(0, 1, TextForm::kFull).size();
  std::size_t c = reader.ValueText(0, 2, TextForm::kFull).size();
  EXPECT_EQ(a, b);
  EXPECT_EQ(b, c) << "the cut levels the longest texts";
  EXPECT_LT(a, 12000u);
  EXPECT_GT(a, 10000u);
  EXPECT_EQ(reader.ValueText(0, 3, TextForm::kFull), "7");
  EXPECT_EQ(reader.ValueText(0, 4, TextForm::kFull), std::string(100, 'e'));
  EXPECT_EQ(reader.ValueText(1, 0, TextForm::kFull), "next");
}

TEST(PdbWriterLimits, EdgeSizes) {
  TempDir dir;
  {
    SCOPED_TRACE("no rows: header, then the column list at 112");
    MemoryResultSet rows({{"A", db::kTypeChar, 5, 0}}, 0, nullptr);
    ASSERT_TRUE(WriteTransferPdb(rows, dir / "e.pdb", "P", 1, {{0, "First"}}));
    std::string file = ReadFileBytes(dir / "e.pdb");
    EXPECT_EQ(Be16At(file, 108), 0u);
    EXPECT_EQ(Be32At(file, 84), 112u);
    EXPECT_EQ(file.size(), 112u + 2 + 2 + 6 + 12);
  }
  {
    SCOPED_TRACE("70000 rows: 65535 records");
    MemoryResultSet rows({{"N", db::kTypeInteger, 10, 0}}, 70000,
                         [](long row, int) { return db::Value(std::int64_t{row}); });
    ASSERT_TRUE(WriteTablePdb(rows, dir / "big.pdb", "P"));
    PdbReader reader;
    ASSERT_TRUE(reader.Open(dir / "big.pdb"));
    EXPECT_EQ(reader.RecordCount(), 65535);
    EXPECT_EQ(reader.ValueText(65534, 0, TextForm::kFull), "65534");
    EXPECT_EQ(rows.fetches(), 65535);
  }
  {
    SCOPED_TRACE("a 40-character name keeps 31 and a 0");
    MemoryResultSet rows({{"A", db::kTypeChar, 5, 0}}, 0, nullptr);
    ASSERT_TRUE(WriteTablePdb(rows, dir / "n.pdb", std::string(40, 'N')));
    std::string file = ReadFileBytes(dir / "n.pdb");
    EXPECT_EQ(file.substr(0, 64), Utf16Le(std::string(31, 'N')) + Zeros(2));
  }
}

TEST(PdbWriterLimits, AColumnListBeyondItsOffsetsIsRefusedAndTheOldFileKept) {
  std::vector<MemoryColumn> columns;
  for (int i = 0; i < 300; ++i) columns.push_back({std::string(129, 'c'), db::kTypeChar, 5, 0});
  MemoryResultSet rows(columns, 1, [](long, int) { return db::Value(std::string("v")); });
  TempDir dir;
  testing::WriteFileBytes(dir / "t.pdb", "old");
  EXPECT_FALSE(WriteTablePdb(rows, dir / "t.pdb", "T"));
  EXPECT_EQ(ReadFileBytes(dir / "t.pdb"), "old");
}

class RecordingProgress : public TransferProgress {
 public:
  void RowCount(long rows) override { events.push_back("rows " + std::to_string(rows)); }
  void ColumnWritten(const PdbColumnChoice& c, int code) override {
    events.push_back("column " + c.name + " " + std::to_string(code));
  }
  void RowStarted(long row, long rows) override {
    events.push_back("row " + std::to_string(row) + "/" + std::to_string(rows));
  }
  void RowFetchFailed(long row) override { events.push_back("failed " + std::to_string(row)); }
  std::vector<std::string> events;
};

TEST(PdbWriterRows, AnUnfetchableRowBecomesAnEmptyRecordSharingTheNextOffset) {
  MemoryResultSet rows({{"A", db::kTypeChar, 5, 0}, {"B", db::kTypeDate, 10, 0}},
                       {{std::string("r0"), db::Date{2001, 2, 3}},
                        {std::string("r1"), db::Date{2001, 2, 4}},
                        {std::string("r2"), db::Date{2001, 2, 5}}});
  rows.FailRow(1);
  RecordingProgress progress;
  TempDir dir;
  ASSERT_TRUE(
      WriteTransferPdb(rows, dir / "p.pdb", "P", 2, {{0, "First"}, {1, "Birthday"}}, &progress));
  EXPECT_EQ(progress.events,
            (std::vector<std::string>{"rows 3", "column First 1", "column Birthday 8", "row 0/3",
                                      "row 1/3", "failed 1", "row 2/3"}));
  PdbReader reader;
  ASSERT_TRUE(reader.Open(dir / "p.pdb"));
  EXPECT_EQ(*reader.RecordOffset(1), *reader.RecordOffset(2));
  EXPECT_EQ(reader.ValueText(2, 0, TextForm::kFull), "r2");
  EXPECT_EQ(reader.ValueText(2, 1, TextForm::kFull), "2001-02-05");
}

TEST(PdbWriterReplacement, AFailedWriteLeavesTheOldFileAndNoScratchFile) {
  TempDir dir;
  testing::WriteFileBytes(dir / "p.pdb", "old contents");
  MemoryResultSet rows({{"A", db::kTypeChar, 32766, 0}}, 100,
                       [](long, int) { return db::Value(std::string(5000, 'x')); });
  // A file size limit makes the write fail half way, as a full disk would.
  signal(SIGXFSZ, SIG_IGN);
  rlimit old_limit;
  getrlimit(RLIMIT_FSIZE, &old_limit);
  rlimit small = old_limit;
  small.rlim_cur = 64 * 1024;
  setrlimit(RLIMIT_FSIZE, &small);
  bool written = WriteTablePdb(rows, dir / "p.pdb", "P");
  setrlimit(RLIMIT_FSIZE, &old_limit);

  EXPECT_FALSE(written);
  EXPECT_EQ(ReadFileBytes(dir / "p.pdb"), "old contents");
  std::size_t entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
    ++entries;
    EXPECT_EQ(e.path().filename(), "p.pdb");
  }
  EXPECT_EQ(entries, 1u);
}

TEST(PdbWriterReplacement, ATargetInAMissingFolderFails) {
  TempDir dir;
  MemoryResultSet rows({{"A", db::kTypeChar, 5, 0}}, 0, nullptr);
  EXPECT_FALSE(WriteTablePdb(rows, dir / "missing/p.pdb", "P"));
  EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

}  // namespace
}  // namespace velmora::transfer
