// The contact PDB reader: both text forms of every column type code (including those no
// writer here produces), typed values, the failure values, and damaged bytes of every kind.
#include "transfer/pdb_reader.h"

#include <gtest/gtest.h>

#include "db/type_codes.h"
#include "tests/support/temp_dir.h"
#include "tests/transfer/memory_result_set.h"
#include "tests/transfer/pdb_bytes.h"
#include "transfer/pdb_writer.h"

namespace velmora::transfer {
namespace {

using testing::Be16;
using testing::Be32;
using testing::TempDir;
using testing::Utf16Le;

// A contact file with one record holding one value of `code` stored as `value`.
std::string OneValueFile(int code, const std::string& value, std::string name = "c") {
  std::string file = std::string(92, '\0') + "KOBADBPL" + std::string(8, '\0') + Be16(1) + Be16(0);
  file.replace(84, 4, Be32(120));
  std::string column_list =
      Be16(1) + Be16(4) + Be16(code) + Be16(0) + Be16(0) + Utf16Le(name) + std::string(2, '\0');
  std::uint32_t record = static_cast<std::uint32_t>(120 + column_list.size());
  file += Be32(record) + Be32(0) + column_list + Be16(2) + value;
  return file;
}

struct TextCase {
  const char* what;
  int code;
  std::string stored;
  std::string display;
  std::string full;
};

TEST(PdbReaderText, EveryCodeInBothForms) {
  std::string long_text = Utf16Le(std::string(300, 'x')) + std::string(2, '\0');
  const TextCase cases[] = {
      {"text line feed", 1, Utf16Le("a     b\nc") + std::string(2, '\0'), "a     b  c",
       "a     b\r\nc"},
      {"text display cut at 256", 1, long_text, std::string(256, 'x'), std::string(300, 'x')},
      {"text without terminator stops at the end", 1, Utf16Le("ab"), "ab", "ab"},
      {"text odd trailing byte", 1, Utf16Le("ab") + "c", "ab", "ab"},
      {"number as text", 11, Utf16Le("12.5\n") + std::string(2, '\0'), "12.5\n", "12.5\n"},
      {"double 12345678", 2, Be32(0x41678C29) + Be32(0xC0000000), "1.234568e+07",
       "12345678.000000"},
      {"double 9999998.5", 2, Be32(0x416312CF) + Be32(0xD0000000), "9999998.500000",
       "9999998.500000"},
      {"double 9999999", 2, Be32(0x416312CF) + Be32(0xE0000000), "9.999999e+06", "9999999.000000"},
      {"real 1.5", 3, Be32(0x3FC00000), "1.500000", "1.500000"},
      {"int32 negative", 4, Be32(0xFFFFFFFE), "-2", "-2"},
      {"int16 negative keeps its sign", 5, Be16(0xFFFF), "-1", "-1"},
      {"timestamp", 6,
       Be16(2008) + Be16(3) + Be16(15) + Be16(13) + Be16(45) + "\x1E" + std::string(1, '\0') +
           Be32(0),
       "2008-03-15 13:45:30", "2008-03-15 13:45:30"},
      {"timestamp all zero is empty", 6, std::string(16, '\0'), "", ""},
      {"timestamp 31 February is empty", 6, Be16(2008) + Be16(2) + Be16(31) + std::string(10, '\0'),
       "", ""},
      {"time", 7, "\x0D\x05", "13:5", "13:5"},
      {"date", 8, "\xD0\x6F", "2008-03-15", "2008-03-15"},
      {"date zero is empty", 8, Be16(0), "", ""},
      {"date 29 February 2008", 8, Be16((104 << 9) | (2 << 5) | 29), "2008-02-29", "2008-02-29"},
      {"int8 negative", 9, "\xFE", "-2", "-2"},
      {"bit set", 10, "\x07", "TRUE", "TRUE"},
      {"bit clear", 10, std::string(1, '\0'), "FALSE", "FALSE"},
      {"uint32", 12, Be32(0xFFFFFFFF), "4294967295", "4294967295"},
      {"uint16", 13, Be16(0xFFFF), "65535", "65535"},
      {"tiny", 14, "\xC8", "200", "200"},
      {"unknown code", 99, Be32(1), "", ""},
      {"int32 cut short by the end of the file", 4, Be16(1), "", ""},
      {"double cut short", 2, Be32(1), "", ""},
  };
  for (const TextCase& c : cases) {
    PdbReader reader;
    ASSERT_TRUE(reader.OpenBytes(OneValueFile(c.code, c.stored))) << c.what;
    ASSERT_EQ(reader.ColumnCount(), 1) << c.what;
    EXPECT_EQ(reader.ColumnType(0), c.code) << c.what;
    EXPECT_EQ(reader.ValueText(0, 0, TextForm::kDisplay), c.display) << c.what;
    EXPECT_EQ(reader.ValueText(0, 0, TextForm::kFull), c.full) << c.what;
  }
}

TEST(PdbReaderTyped, ValuesComeBackAsTheTypesTheyWereWrittenFrom) {
  using testing::MemoryResultSet;
  MemoryResultSet rows({{"t", db::kTypeChar, 9, 0},
                        {"i", db::kTypeInteger, 9, 0},
                        {"d", db::kTypeDouble, 9, 0},
                        {"da", db::kTypeDate, 9, 0},
                        {"ti", db::kTypeTime, 9, 0},
                        {"ts", db::kTypeTimestamp, 9, 0},
                        {"nd", db::kTypeDate, 9, 0}},
                       {{std::string("x\ny"), std::int64_t{-7}, 0.25, db::Date{1999, 12, 31},
                         db::Time{23, 59, 0}, db::Timestamp{2000, 1, 2, 3, 4, 5, 6}, db::Null{}}});
  TempDir dir;
  ASSERT_TRUE(WriteTablePdb(rows, dir / "t.pdb", "T"));
  PdbReader reader;
  ASSERT_TRUE(reader.Open(dir / "t.pdb"));
  EXPECT_EQ(reader.TypedValue(0, 0), db::Value(std::string("x\ny")));
  EXPECT_EQ(reader.TypedValue(0, 1), db::Value(std::int64_t{-7}));
  EXPECT_EQ(reader.TypedValue(0, 2), db::Value(0.25));
  EXPECT_EQ(reader.TypedValue(0, 3), db::Value(db::Date{1999, 12, 31}));
  EXPECT_EQ(reader.TypedValue(0, 4), db::Value(db::Time{23, 59, 0}));
  EXPECT_EQ(reader.TypedValue(0, 5), db::Value(db::Timestamp{2000, 1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(reader.TypedValue(0, 6), db::Value(db::Null{}));
  EXPECT_FALSE(reader.TypedValue(1, 0).has_value());
}

TEST(PdbReaderFailureValues, IndexesOutsideTheFile) {
  PdbReader reader;
  ASSERT_TRUE(reader.OpenBytes(OneValueFile(1, Utf16Le("v") + std::string(2, '\0'))));
  for (int column : {-1, 1, 1000}) {
    EXPECT_EQ(reader.ColumnType(column), -1);
    EXPECT_EQ(reader.ColumnName(column), "field");
    EXPECT_EQ(reader.Column(column).size, 0);
    EXPECT_EQ(reader.ValueText(0, column, TextForm::kFull), "");
  }
  for (long record : {-1L, 1L, 70000L}) {
    EXPECT_FALSE(reader.RecordOffset(record).has_value());
    EXPECT_EQ(reader.ValueText(record, 0, TextForm::kFull), "");
  }
  EXPECT_EQ(reader.ValueText(0, 0, TextForm::kFull), "v");
}

TEST(PdbReaderFailureValues, MissingFileAndForeignBytes) {
  TempDir dir;
  PdbReader reader;
  EXPECT_FALSE(reader.Open(dir / "none.pdb"));
  EXPECT_FALSE(std::filesystem::exists(dir / "none.pdb"));
  EXPECT_FALSE(reader.OpenBytes(std::string(111, 'x')));
  // The right size but another type and creator: open, with no columns.
  std::string foreign = OneValueFile(1, Utf16Le("v") + std::string(2, '\0'));
  foreign.replace(92, 4, "DATA");
  ASSERT_TRUE(reader.OpenBytes(foreign));
  EXPECT_FALSE(reader.IsContactFile());
  EXPECT_EQ(reader.ColumnCount(), 0);
  EXPECT_EQ(reader.ValueText(0, 0, TextForm::kFull), "");
  EXPECT_TRUE(FindPdbDamage(reader).has_value());
}

TEST(PdbReaderFailureValues, OpeningASecondFileForgetsTheFirst) {
  PdbReader reader;
  ASSERT_TRUE(reader.OpenBytes(OneValueFile(1, Utf16Le("v") + std::string(2, '\0'), "first")));
  ASSERT_TRUE(reader.OpenBytes(OneValueFile(4, Be32(5), "second")));
  EXPECT_EQ(reader.ColumnName(0), "second");
  EXPECT_EQ(reader.ValueText(0, 0, TextForm::kFull), "5");
}

struct DamageCase {
  const char* what;
  std::string bytes;
};

// Every kind of damage: reads give failure values, never touch memory outside the bytes (the
// sanitizer build checks that), and the damage finder names a problem.
TEST(PdbReaderDamage, DamagedFilesGiveFailureValues) {
  const std::string good = OneValueFile(1, Utf16Le("value") + std::string(2, '\0'));
  auto with = [&](std::size_t at, const std::string& bytes) {
    std::string b = good;
    b.replace(at, bytes.size(), bytes);
    return b;
  };
  const DamageCase cases[] = {
      {"record count lies", with(108, Be16(500))},
      {"column list offset past the end", with(84, Be32(0xFFFFFFF0))},
      {"column list offset zero", with(84, Be32(0))},
      {"column count lies", with(120, Be16(9000))},
      {"descriptor slot past the end", with(122, Be16(0xFFFF))},
      {"record offset past the end", with(112, Be32(0x7FFFFFFF))},
      {"value slot past the end", with(good.size() - 14, Be16(0xFFF0))},
      {"truncated inside the column list", good.substr(0, 125)},
      {"truncated inside the record", good.substr(0, good.size() - 7)},
      {"header only", good.substr(0, 112)},
  };
  for (const DamageCase& c : cases) {
    PdbReader reader;
    ASSERT_TRUE(reader.OpenBytes(c.bytes)) << c.what;
    EXPECT_TRUE(FindPdbDamage(reader).has_value()) << c.what;
    for (long r = -1; r <= reader.RecordCount() + 1; ++r) {
      for (int j = -1; j <= reader.ColumnCount() + 1; ++j) {
        reader.ValueText(r, j, TextForm::kDisplay);
        reader.ValueText(r, j, TextForm::kFull);
        reader.TypedValue(r, j);
      }
    }
  }
  PdbReader reader;
  ASSERT_TRUE(reader.OpenBytes(good));
  EXPECT_FALSE(FindPdbDamage(reader).has_value());
}

TEST(PdbReaderDamage, ZeroLengthNamesAndCountsThatLieAreBounded) {
  std::string file = OneValueFile(1, Utf16Le("v") + std::string(2, '\0'), "");
  PdbReader reader;
  ASSERT_TRUE(reader.OpenBytes(file));
  EXPECT_EQ(reader.ColumnName(0), "");
  file.replace(108, 2, Be16(0xFFFF));
  ASSERT_TRUE(reader.OpenBytes(file));
  EXPECT_EQ(reader.Header().record_count, 0xFFFF);
  EXPECT_EQ(reader.RecordCount(), static_cast<long>((file.size() - 112) / 8));
}

}  // namespace
}  // namespace velmora::transfer
