// The PIM export file: the writer's layout, both readers with the edge cases of empty texts,
// dates, fields out of order and unknown codes, and files that are missing, short or damaged.
#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"
#include "tests/transfer/pdb_bytes.h"
#include "transfer/automation_date.h"
#include "transfer/pim_reader.h"
#include "transfer/pim_writer.h"

namespace velmora::transfer {
namespace {

using testing::Le16;
using testing::Le16At;
using testing::Le32;
using testing::Le32At;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

PimContact Ann() {
  PimContact c;
  c.texts[1] = "Ann";
  c.texts[3] = "Lee";
  c.texts[39] = "Business";
  c.birthday = 39448.0;  // 1 January 2008
  return c;
}

TEST(PimWriter, RecordsHold46FieldsInCodeOrderBehindAnAbsoluteIndex) {
  std::string file = *EncodePimFile({Ann(), PimContact()});
  EXPECT_EQ(Le16At(file, 0), 2u);
  std::uint32_t first = Le32At(file, 2);
  std::uint32_t second = Le32At(file, 8);
  EXPECT_EQ(first, 14u);
  EXPECT_EQ(second, first + Le16At(file, 6));
  EXPECT_EQ(file.size(), second + Le16At(file, 12));

  std::size_t at = first;
  for (int code = 1; code <= 46; ++code) {
    ASSERT_EQ(static_cast<unsigned char>(file[at]), code);
    unsigned length = Le16At(file, at + 1);
    if (code == 2) {
      EXPECT_EQ(file.substr(at + 3, length), testing::Utf16Le("Ann") + Le16(0));
    }
    if (code == 5) {
      EXPECT_EQ(length, 2u) << "an empty text is just its terminator";
    }
    if (code >= 45) {
      EXPECT_EQ(length, 8u);
    }
    at += 3 + length;
  }
  EXPECT_EQ(at, second);
  EXPECT_FALSE(FindPimDamage(file).has_value());
}

TEST(PimWriter, RefusesMoreThan5461ContactsAndKeepsTheIndexInTheFirst32768Bytes) {
  EXPECT_FALSE(EncodePimFile(std::vector<PimContact>(5462)).has_value());
  std::string file = *EncodePimFile(std::vector<PimContact>(5461));
  EXPECT_EQ(Le32At(file, 2), 32768u) << "records start right after the index";
  EXPECT_EQ(PimRecordCount(file), 5461);
}

TEST(PimWriter, LongTextsAreCutSoTheRecordLengthFits) {
  PimContact c;
  c.texts.fill(std::string(20000, 'x'));
  std::string file = *EncodePimFile({c});
  EXPECT_FALSE(FindPimDamage(file).has_value());
  EXPECT_LE(Le16At(file, 6), 65535u);
  PimPositionSlots slots;
  ASSERT_TRUE(PimRecordByPosition(file, 1, slots));
  EXPECT_GT(slots[0].size(), 600u);
  EXPECT_EQ(slots[0].size(), slots[43].size());
}

struct ReadCase {
  const char* what;
  std::string record;                // field bytes
  std::vector<std::string> by_code;  // slots for {"First", "Birthday", "Notes"}
  std::vector<std::string> by_position_first3;
};

TEST(PimReaders, ByCodeAndByPosition) {
  const std::vector<std::string> mapped = {"First", "Birthday", "Notes"};
  auto text = [](int code, const char* t) {
    return EncodePimTextField(code, std::u16string(t, t + std::strlen(t)));
  };
  auto date = [](int code, double d) { return EncodePimDateField(code, d); };
  auto empty0 = [](int code) { return std::string(1, static_cast<char>(code)) + Le16(0); };
  const ReadCase cases[] = {
      {"in order",
       text(2, "Ann") + date(45, 39448.0) + text(44, "n"),
       {"Ann", "1/1/2008", "n"},
       {"Ann", "1/1/2008", "n"}},
      {"length-2 text is empty",
       text(2, "") + date(45, 0.0) + text(44, "n"),
       {"NULL", "NULL", "n"},
       {"", " ", "n"}},
      {"length-0 text is empty",
       empty0(2) + date(45, 39448.5) + empty0(44),
       {"NULL", "1/1/2008", "NULL"},
       {"", "1/1/2008", ""}},
      {"out of code order",
       text(44, "n") + text(2, "Ann") + date(45, 36526.0),
       {"Ann", "1/1/2000", "n"},
       {"n", "Ann", "1/1/2000"}},
      {"code 47 is skipped by code",
       text(47, "zz") + text(2, "Ann"),
       {"Ann", "old", "old"},
       {"zz", "Ann", "old"}},
      {"a date before 1900",
       date(45, -1.25),
       {"old", "12/29/1899", "old"},
       {"12/29/1899", "old", "old"}},
      {"a date that is not a number",
       date(45, std::nan("")),
       {"old", "NULL", "old"},
       {" ", "old", "old"}},
  };
  for (const ReadCase& c : cases) {
    std::string file = *EncodePimFileFromRecords({c.record});
    std::vector<std::string> slots(3, "old");
    ASSERT_TRUE(PimRecordByCode(file, 1, mapped, slots)) << c.what;
    EXPECT_EQ(slots, c.by_code) << c.what;
    PimPositionSlots positions;
    positions.fill("old");
    ASSERT_TRUE(PimRecordByPosition(file, 1, positions)) << c.what;
    EXPECT_EQ(std::vector<std::string>(positions.begin(), positions.begin() + 3),
              c.by_position_first3)
        << c.what;
  }
}

TEST(PimReaders, TheFileFormsAgreeWithTheByteForms) {
  TempDir dir;
  ASSERT_TRUE(WritePimFile(dir / "Contact1.pim", {PimContact(), Ann()}));
  std::string bytes = ReadFileBytes(dir / "Contact1.pim");
  EXPECT_EQ(ReadPimRecordCount(dir / "Contact1.pim"), 2);
  PimPositionSlots from_file, from_bytes;
  ASSERT_TRUE(ReadPimRecordByPosition(dir / "Contact1.pim", 2, from_file));
  ASSERT_TRUE(PimRecordByPosition(bytes, 2, from_bytes));
  EXPECT_EQ(from_file, from_bytes);
  EXPECT_EQ(from_file[3], "Lee");
  EXPECT_EQ(from_file[44], "1/1/2008");
  EXPECT_EQ(from_file[45], " ");
  std::vector<std::string> slots;
  ASSERT_TRUE(ReadPimRecordByCode(dir / "Contact1.pim", 2, {"Categories", "Anniversary"}, slots));
  EXPECT_EQ(slots, (std::vector<std::string>{"Business", "NULL"}));
}

TEST(PimReaders, AMissingFileHasNoRecordsAndIsNotCreated) {
  TempDir dir;
  PimPositionSlots slots;
  slots.fill("kept");
  std::vector<std::string> by_code = {"kept"};
  EXPECT_EQ(ReadPimRecordCount(dir / "Contact1.pim"), 0);
  EXPECT_FALSE(ReadPimRecordByPosition(dir / "Contact1.pim", 1, slots));
  EXPECT_FALSE(ReadPimRecordByCode(dir / "Contact1.pim", 1, {"First"}, by_code));
  EXPECT_FALSE(std::filesystem::exists(dir / "Contact1.pim"));
  EXPECT_EQ(slots[0], "kept");
  EXPECT_EQ(by_code[0], "kept");
  EXPECT_EQ(ReadPimRecordCount(dir.path()), 0) << "a folder is not a file";
}

TEST(PimReaders, ShortAndLyingFiles) {
  TempDir dir;
  std::string one = *EncodePimFile({Ann()});
  struct Case {
    const char* what;
    std::string bytes;
    long count;
  } cases[] = {
      {"empty", "", 0},
      {"one byte", "\x01", 0},
      {"count without index", Le16(3), 0},
      {"count larger than the index", Le16(5000) + one.substr(2),
       static_cast<long>((one.size() - 2) / 6)},
      // A count of 3 over one record and two index entries left empty.
      {"empty index entries", Le16(3) + one.substr(2, 6) + std::string(12, '\0') + one.substr(8),
       3},
      {"a record inside the index", Le16(1) + Le32(2) + Le16(6), 1},
  };
  for (const Case& c : cases) {
    WriteFileBytes(dir / "f.pim", c.bytes);
    EXPECT_EQ(ReadPimRecordCount(dir / "f.pim"), c.count) << c.what;
    EXPECT_EQ(PimRecordCount(c.bytes), c.count) << c.what;
    EXPECT_TRUE(FindPimDamage(c.bytes).has_value()) << c.what;
  }
  PimPositionSlots slots;
  for (long record : {0L, 2L, -1L}) EXPECT_FALSE(PimRecordByPosition(one, record, slots));
}

TEST(PimReaders, DamagedRecordsAreReadOnlyAsFarAsTheyHold) {
  std::string good = EncodePimTextField(2, u"Ann") + EncodePimTextField(4, u"Lee");
  auto file_with = [](const std::string& record, unsigned length) {
    return Le16(1) + Le32(8) + Le16(length) + record;
  };
  std::string negative = good;
  negative.replace(1, 2, Le16(0x8000));  // a negative data length
  struct Case {
    const char* what;
    std::string bytes;
    std::string first;
  } cases[] = {
      {"negative length stops the record",
       file_with(negative, static_cast<unsigned>(negative.size())), "old"},
      {"record length shorter than its fields", file_with(good, 5), "old"},
      {"record length past the end of the file", file_with(good, 60000), "Ann"},
      {"field longer than the record", file_with(good.substr(0, 12), 12), "Ann"},
      {"position past the end", Le16(1) + Le32(0xFFFFFF00) + Le16(10), "old"},
  };
  for (const Case& c : cases) {
    PimPositionSlots slots;
    slots.fill("old");
    PimRecordByPosition(c.bytes, 1, slots);
    EXPECT_EQ(slots[0], c.first) << c.what;
    EXPECT_TRUE(FindPimDamage(c.bytes).has_value()) << c.what;
  }
}

TEST(AutomationDates, CalendarConversions) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {{39448.0, "1/1/2008"},     {39448.99, "1/1/2008"}, {60.0, "2/28/1900"},
               {61.0, "3/1/1900"},        {1.0, "12/31/1899"},    {0.0, ""},
               {2958465.0, "12/31/9999"}, {2958466.0, ""},        {-657435.0, ""}};
  for (const Case& c : cases) EXPECT_EQ(AutomationDateText(c.value), c.text) << c.value;
  EXPECT_EQ(DateToAutomationDate({2008, 1, 1}), 39448.0);
}

}  // namespace
}  // namespace velmora::transfer
