// The device contacts backup: the empty file's layout, the one-pass file against the same
// records appended one by one, the append limit and refusals that leave the file unchanged.
#include "transfer/device_backup.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"
#include "tests/transfer/pdb_bytes.h"
#include "transfer/pdb_reader.h"

namespace velmora::transfer {
namespace {

using testing::Be16;
using testing::Be16At;
using testing::Be32;
using testing::Be32At;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

std::vector<std::string> FieldNames() {
  std::vector<std::string> names;
  for (int i = 1; i <= 46; ++i) names.push_back("Field " + std::to_string(i));
  return names;
}

std::vector<std::string> Contact(int n) {
  std::vector<std::string> values(46);
  values[1] = "First" + std::to_string(n);
  values[3] = std::string(n * 37 % 300, 'L');
  values[43] = "note\r\nline\ttab";
  values[44] = n % 2 ? "1/1/2008" : " ";
  return values;
}

// The creation and modification times are taken when each file is written.
std::string WithoutTimes(std::string file) {
  file.replace(68, 8, std::string(8, '\0'));
  return file;
}

TEST(DeviceBackup, TheEmptyFileHas46TextColumnsNamedByTheCaller) {
  TempDir dir;
  ASSERT_TRUE(CreateDeviceBackupPdb(dir / "DeviceContactsBackup.pdb", FieldNames()));
  std::string file = ReadFileBytes(dir / "DeviceContactsBackup.pdb");
  EXPECT_EQ(file.substr(0, 40), testing::Utf16Le("DeviceContactsBackup"));
  EXPECT_EQ(Be16At(file, 108), 0u);
  EXPECT_EQ(Be32At(file, 84), 112u);
  EXPECT_EQ(Be16At(file, 112), 46u);
  EXPECT_EQ(Be16At(file, 114), 2u + 2 * 46) << "46 slots";
  PdbReader reader;
  ASSERT_TRUE(reader.Open(dir / "DeviceContactsBackup.pdb"));
  ASSERT_EQ(reader.ColumnCount(), 46);
  for (int j = 0; j < 46; ++j) {
    EXPECT_EQ(reader.Column(j).type_code, 1);
    EXPECT_EQ(reader.Column(j).size, 32765);
    EXPECT_EQ(reader.Column(j).digits, 0);
    EXPECT_EQ(reader.ColumnName(j), "Field " + std::to_string(j + 1));
  }
  EXPECT_FALSE(FindPdbDamage(reader).has_value());
}

TEST(DeviceBackup, WrongNumberOfNamesIsRefused) {
  TempDir dir;
  EXPECT_FALSE(CreateDeviceBackupPdb(dir / "b.pdb", {"only one"}));
  EXPECT_FALSE(std::filesystem::exists(dir / "b.pdb"));
}

TEST(DeviceBackup, OnePassEqualsSuccessiveAppends) {
  TempDir dir;
  std::vector<std::vector<std::string>> contacts;
  for (int n = 0; n < 25; ++n) contacts.push_back(Contact(n));
  contacts.push_back(std::vector<std::string>(46));  // an all-empty contact

  ASSERT_TRUE(CreateDeviceBackupPdb(dir / "appended.pdb", FieldNames()));
  for (const auto& c : contacts) {
    ASSERT_TRUE(AppendPdbRecord(dir / "appended.pdb", BuildTextRecord(c, 46)));
  }
  ASSERT_TRUE(WriteDeviceBackupPdb(dir / "one_pass.pdb", FieldNames(), contacts));
  EXPECT_EQ(WithoutTimes(ReadFileBytes(dir / "one_pass.pdb")),
            WithoutTimes(ReadFileBytes(dir / "appended.pdb")));

  PdbReader reader;
  ASSERT_TRUE(reader.Open(dir / "one_pass.pdb"));
  ASSERT_EQ(reader.RecordCount(), 26);
  EXPECT_EQ(reader.ValueText(3, 1, TextForm::kFull), "First3");
  EXPECT_EQ(reader.ValueText(3, 43, TextForm::kFull), "note\r\nline     tab");
  EXPECT_EQ(reader.ValueText(25, 0, TextForm::kFull), "");
  EXPECT_FALSE(FindPdbDamage(reader).has_value());
  // Only the renamed files are left in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            2);
}

// A contact file with `n` empty records and no columns, as small as the format allows.
std::string FileWithRecords(unsigned n) {
  std::string file = std::string(92, '\0') + "KOBADBPL" + std::string(8, '\0') + Be16(n) + Be16(0);
  std::uint32_t column_list = 112 + 8 * n;
  file.replace(84, 4, Be32(column_list));
  for (unsigned r = 0; r < n; ++r) file += Be32(column_list + 2) + Be32(0);
  return file + Be16(0);
}

TEST(DeviceBackupAppend, RefusedAbove64000Records) {
  TempDir dir;
  struct Case {
    unsigned records;
    bool appended;
  } cases[] = {{0, true}, {64000, true}, {64001, false}};
  for (const Case& c : cases) {
    WriteFileBytes(dir / "f.pdb", FileWithRecords(c.records));
    std::string before = ReadFileBytes(dir / "f.pdb");
    EXPECT_EQ(AppendPdbRecord(dir / "f.pdb", BuildTextRecord({"x"}, 1)), c.appended) << c.records;
    PdbReader reader;
    ASSERT_TRUE(reader.Open(dir / "f.pdb"));
    if (c.appended) {
      EXPECT_EQ(reader.RecordCount(), static_cast<long>(c.records) + 1);
      EXPECT_EQ(Be32At(ReadFileBytes(dir / "f.pdb"), 84), 112 + 8 * (c.records + 1));
    } else {
      EXPECT_EQ(ReadFileBytes(dir / "f.pdb"), before);
    }
  }
}

TEST(DeviceBackupAppend, AppendClearsTheSortInfoOffsetAndMovesEveryEntry) {
  TempDir dir;
  std::string file = FileWithRecords(2);
  file.replace(88, 4, Be32(1234));
  WriteFileBytes(dir / "f.pdb", file);
  ASSERT_TRUE(AppendPdbRecord(dir / "f.pdb", "REC"));
  std::string after = ReadFileBytes(dir / "f.pdb");
  EXPECT_EQ(Be32At(after, 88), 0u);
  EXPECT_EQ(Be32At(after, 112), Be32At(file, 112) + 8);
  EXPECT_EQ(Be32At(after, 120), Be32At(file, 120) + 8);
  EXPECT_EQ(Be32At(after, 128), file.size() + 8);
  EXPECT_EQ(after.substr(after.size() - 3), "REC");
  EXPECT_EQ(after.size(), file.size() + 8 + 3);
}

TEST(DeviceBackupAppend, NonContactFilesAreLeftAlone) {
  TempDir dir;
  const std::string cases[] = {"", "short", std::string(200, 'x'),
                               FileWithRecords(3).substr(0, 120)};
  for (const std::string& bytes : cases) {
    WriteFileBytes(dir / "f.pdb", bytes);
    EXPECT_FALSE(AppendPdbRecord(dir / "f.pdb", "REC"));
    EXPECT_EQ(ReadFileBytes(dir / "f.pdb"), bytes);
  }
  EXPECT_FALSE(AppendPdbRecord(dir / "missing.pdb", "REC"));
  EXPECT_FALSE(std::filesystem::exists(dir / "missing.pdb"));
}

TEST(DeviceBackupRecord, TextsTooLongForOneRecordAreCutToFit) {
  std::vector<std::string> values(46, std::string(20000, 'v'));
  std::string record = BuildTextRecord(values, 46);
  EXPECT_LE(record.size(), 65535u);
  EXPECT_GT(record.size(), 65000u);
  EXPECT_EQ(Be16At(record, 0), 92u);
}

}  // namespace
}  // namespace velmora::transfer
