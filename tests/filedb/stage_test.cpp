#include <sys/stat.h>

#include <gtest/gtest.h>

#include "platform/filedb/file_database.h"
#include "tests/filedb/staged_query.h"
#include "tests/support/temp_dir.h"

namespace velmora::filedb {
namespace {

using testing::DeclaredColumns;
using testing::QueryText;
using velmora::testing::TempDir;
using velmora::testing::WriteFileBytes;
using Rows = std::vector<std::vector<std::string>>;

class Staging : public ::testing::Test {
 protected:
  testing::PrivateTmpDir tmp_;
  TempDir data_;
};

TEST_F(Staging, CsvFolderGivesOneTextTablePerFileNamedByTheFileName) {
  WriteFileBytes(data_ / "contacts.csv",
                 "FirstName,LastName,Note\n"
                 "S\xC3\xB8ren,\"O'Neil, Jr.\",\"two\nlines\"\n"
                 "Ada,Lovelace,12\n");
  WriteFileBytes(data_ / "OTHER.CSV", "x\n1\n");
  WriteFileBytes(data_ / "notes.txt", "not,a,table\n");
  std::filesystem::create_directory(data_ / "sub.csv");
  std::string error;
  auto staged = Stage(kTypeCsv, data_.path(), &error);
  ASSERT_TRUE(staged) << error;
  ASSERT_EQ(staged->tables.size(), 2u);
  EXPECT_EQ(staged->tables[0].name, "OTHER.CSV");
  EXPECT_EQ(staged->tables[1].name, "contacts.csv");
  EXPECT_EQ(staged->tables[1].kind, TableKind::kCsv);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"FirstName", "VARCHAR(255)"}, {"LastName", "VARCHAR(255)"}, {"Note", "VARCHAR(255)"}};
  EXPECT_EQ(DeclaredColumns(staged->sqlite_file, "contacts.csv"), expected);
  // The quoted statement of the wizard works on the staged table.
  EXPECT_EQ(QueryText(staged->sqlite_file,
                      "SELECT \"FirstName\", \"LastName\", \"Note\", typeof(\"Note\") "
                      "FROM \"contacts.csv\" ORDER BY rowid"),
            (Rows{{"S\xC3\xB8ren", "O'Neil, Jr.", "two\nlines", "text"},
                  {"Ada", "Lovelace", "12", "text"}}));
}

TEST_F(Staging, AFileInTheFolderStandsForTheFolder) {
  WriteFileBytes(data_ / "contacts.csv", "a\n1\n");
  auto staged = Stage(kTypeCsv, data_ / "contacts.csv", nullptr);
  ASSERT_TRUE(staged);
  EXPECT_EQ(staged->tables.size(), 1u);
}

TEST_F(Staging, StagingFolderIsPrivateAndRemovedOnce) {
  WriteFileBytes(data_ / "contacts.csv", "a\n1\n");
  auto staged = Stage(kTypeCsv, data_.path(), nullptr);
  ASSERT_TRUE(staged);
  EXPECT_EQ(staged->sqlite_file.parent_path(), staged->folder);
  EXPECT_EQ(staged->folder.parent_path(), tmp_.path());
  struct stat info {};
  ASSERT_EQ(stat(staged->folder.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  StagedDatabase moved = std::move(*staged);
  EXPECT_EQ(tmp_.StagingFolderCount(), 1u);
  Remove(moved);
  Remove(moved);
  EXPECT_EQ(tmp_.StagingFolderCount(), 0u);
  std::string error;
  EXPECT_TRUE(WriteBack(moved, &error));  // nothing to write for a CSV folder
}

TEST_F(Staging, DestructorRemovesAForgottenStagingFolder) {
  WriteFileBytes(data_ / "contacts.csv", "a\n1\n");
  { auto staged = Stage(kTypeCsv, data_.path(), nullptr); }
  EXPECT_EQ(tmp_.StagingFolderCount(), 0u);
}

TEST_F(Staging, FailuresNameTheSourceAndLeaveNothingBehind) {
  WriteFileBytes(data_ / "good.csv", "a\n1\n");
  WriteFileBytes(data_ / "ragged.csv", "a,b\n1,2\n3\n");
  TempDir twins;
  WriteFileBytes(twins / "contacts.csv", "a\n");
  WriteFileBytes(twins / "Contacts.csv", "a\n");
  const struct {
    const char* what;
    int type;
    std::filesystem::path source;
    std::string error;
  } cases[] = {
      {"ragged CSV", kTypeCsv, data_.path(),
       (data_ / "ragged.csv").string() + ": row 3 has 1 fields, the header has 2"},
      {"missing folder", kTypeDbase, data_ / "missing",
       (data_ / "missing").string() + ": no such folder"},
      {"missing workbook", kTypeExcel, data_ / "book.xls",
       (data_ / "book.xls").string() + ": no such file"},
      {"names SQLite cannot tell apart", kTypeCsv, twins.path(),
       (twins / "contacts.csv").string() + ": gives the same table name as " +
           (twins / "Contacts.csv").string()},
      {"not a file database", 1, data_.path(), "database type 1 is not staged"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string error;
    EXPECT_FALSE(Stage(c.type, c.source, &error));
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(tmp_.StagingFolderCount(), 0u);
  }
}

TEST_F(Staging, EmptyFolderStagesNoTables) {
  auto staged = Stage(kTypeDbase, data_.path(), nullptr);
  ASSERT_TRUE(staged);
  EXPECT_TRUE(staged->tables.empty());
  EXPECT_TRUE(std::filesystem::is_regular_file(staged->sqlite_file));
}

}  // namespace
}  // namespace velmora::filedb
