#include <gtest/gtest.h>

#include "platform/filedb/biff_numbers.h"
#include "platform/filedb/file_database.h"
#include "platform/filedb/xls_serial_dates.h"
#include "tests/filedb/staged_query.h"
#include "tests/support/temp_dir.h"

namespace velmora::filedb {
namespace {

using testing::DeclaredColumns;
using testing::QueryText;
using Rows = std::vector<std::vector<std::string>>;

const std::filesystem::path kWorkbook =
    std::filesystem::path(VELMORA_FIXTURES_DIR) / "contacts.xls";

class ExcelStaging : public ::testing::Test {
 protected:
  testing::PrivateTmpDir tmp_;
};

TEST_F(ExcelStaging, EachWorksheetIsATableNamedWithADollar) {
  std::string error;
  auto staged = Stage(kTypeExcel, kWorkbook, &error);
  ASSERT_TRUE(staged) << error;
  ASSERT_EQ(staged->tables.size(), 2u);
  EXPECT_EQ(staged->tables[0].name, "Contacts$");
  EXPECT_EQ(staged->tables[1].name, "Companies$");
  for (const StagedTable& table : staged->tables) {
    EXPECT_EQ(table.kind, TableKind::kWorksheet);
    EXPECT_EQ(table.source_file, kWorkbook);
  }
  ASSERT_NE(staged->FindTable("contacts$"), nullptr);
  EXPECT_EQ(staged->FindTable("contacts$")->name, "Contacts$");
}

TEST_F(ExcelStaging, CellTypesGiveColumnTypesAndValues) {
  auto staged = Stage(kTypeExcel, kWorkbook, nullptr);
  ASSERT_TRUE(staged);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"FirstName", "VARCHAR(255)"}, {"LastName", "VARCHAR(255)"}, {"Email", "VARCHAR(255)"},
      {"Phone", "VARCHAR(255)"},     {"Birthday", "DATE"},         {"Visits", "DOUBLE"}};
  EXPECT_EQ(DeclaredColumns(staged->sqlite_file, "Contacts$"), expected);
  EXPECT_EQ(QueryText(staged->sqlite_file, "SELECT * FROM \"Contacts$\" ORDER BY rowid"),
            (Rows{{"Ada", "Lovelace", "ada@example.org", "(555) 123-4567", "1815-12-10", "12.0"},
                  {"Grace", "Hopper", "NULL", "555-0100", "1906-12-09", "3.5"},
                  {"S\xC3\xB8ren", "O'Neil, Jr.", "soren@example.org", "+45 12 34 56 78",
                   "2000-02-29", "0.0"}}));
  EXPECT_EQ(QueryText(staged->sqlite_file, "SELECT * FROM \"Companies$\""),
            (Rows{{"Analytical Engines Ltd", "London"}}));
}

TEST(SerialDates, FollowTheSpreadsheetCalendars) {
  const struct {
    double serial;
    bool mode_1904;
    bool with_time;
    const char* text;
  } cases[] = {
      {-30701, false, false, "1815-12-10"},  // before 1900: counted back from 1899-12-30
      {0, false, false, "1899-12-30"},
      {1, false, false, "1900-01-01"},
      {59, false, false, "1900-02-28"},
      {60, false, false, "1900-02-28"},  // the 29 February 1900 that never was
      {61, false, false, "1900-03-01"},
      {2535, false, false, "1906-12-09"},
      {36585, false, false, "2000-02-29"},
      {36585.75, false, true, "2000-02-29 18:00:00"},
      {36585.9999999, false, true, "2000-03-01 00:00:00"},  // rounds up into the next day
      {0, true, false, "1904-01-01"},
      {35123, true, false, "2000-02-29"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.serial);
    EXPECT_EQ(SerialDates::SerialText(c.serial, c.mode_1904, c.with_time), c.text);
  }
}

TEST_F(ExcelStaging, DamagedWorkbooksFailNamingFileAndProblem) {
  const std::string good = velmora::testing::ReadFileBytes(kWorkbook);
  ASSERT_FALSE(good.empty());
  const struct {
    const char* what;
    std::string bytes;
    std::string problem;
  } cases[] = {
      {"empty file", "", "is damaged or not an Excel 97-2003 workbook"},
      {"not a workbook", "FirstName,LastName\nAda,Lovelace\n", "not an Excel 97-2003 workbook"},
      {"cut in half", good.substr(0, good.size() / 2), "is damaged or not an Excel"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    velmora::testing::TempDir folder;
    const std::filesystem::path file = folder / "book.xls";
    velmora::testing::WriteFileBytes(file, c.bytes);
    std::string error;
    EXPECT_FALSE(Stage(kTypeExcel, file, &error));
    EXPECT_NE(error.find(file.string() + ": "), std::string::npos) << error;
    EXPECT_NE(error.find(c.problem), std::string::npos) << error;
    EXPECT_EQ(tmp_.StagingFolderCount(), 0u);
  }
}

// Little-endian header fields of the compound file that holds the workbook.
void Put16(std::string& bytes, std::size_t at, unsigned value) {
  bytes[at] = static_cast<char>(value & 0xFF);
  bytes[at + 1] = static_cast<char>(value >> 8);
}

void Put32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

TEST(BiffNumbers, DamagedContainersGiveNoNumbersOrTheSameOnes) {
  const std::string good = velmora::testing::ReadFileBytes(kWorkbook);
  ASSERT_GE(good.size(), 1024u);
  const std::vector<BiffNumber> numbers = ReadSheetNumbersFromBytes(good, "Contacts");
  ASSERT_FALSE(numbers.empty());

  // A header that declares 4096-byte sectors on a file shorter than one sector.
  std::string short_file = good.substr(0, 600);
  Put16(short_file, 0x1E, 12);
  EXPECT_TRUE(ReadSheetNumbersFromBytes(short_file, "Contacts").empty());

  // Every header slot names the first FAT sector again and the DIFAT chain loops on itself:
  // the repeats are ignored and the cells read as before.
  std::string repeats = good;
  const std::uint32_t first_fat = static_cast<unsigned char>(good[0x4C]) |
                                  static_cast<unsigned char>(good[0x4D]) << 8;
  for (std::size_t slot = 1; slot < 109; ++slot) Put32(repeats, 0x4C + 4 * slot, first_fat);
  Put32(repeats, 0x44, first_fat);
  const std::vector<BiffNumber> again = ReadSheetNumbersFromBytes(repeats, "Contacts");
  ASSERT_EQ(again.size(), numbers.size());
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    EXPECT_EQ(again[i].row, numbers[i].row);
    EXPECT_EQ(again[i].column, numbers[i].column);
    EXPECT_EQ(again[i].value, numbers[i].value);
  }
}

}  // namespace
}  // namespace velmora::filedb
