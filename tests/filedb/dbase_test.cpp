#include <shapefil.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <functional>

#include "platform/filedb/file_database.h"
#include "tests/filedb/staged_query.h"
#include "tests/support/temp_dir.h"

namespace velmora::filedb {
namespace {

using testing::DeclaredColumns;
using testing::ExecuteSql;
using testing::QueryText;
using Rows = std::vector<std::vector<std::string>>;

struct Field {
  const char* name;
  char type;
  int width;
  int decimals;
};

// Writes a .dbf with shapelib; each row gives each field's text as shapelib stores it ("" for
// an empty field); a row whose first text is "*deleted*" is written and marked deleted.
void WriteDbf(const std::filesystem::path& file, const std::vector<Field>& fields,
              const Rows& rows) {
  DBFHandle dbf = DBFCreate(file.c_str());
  ASSERT_NE(dbf, nullptr);
  for (const Field& f : fields) {
    ASSERT_GE(DBFAddNativeFieldType(dbf, f.name, f.type, f.width, f.decimals), 0);
  }
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const bool deleted = rows[r][0] == "*deleted*";
    for (std::size_t f = 0; f < fields.size(); ++f) {
      const std::string& value = deleted ? std::string("x") : rows[r][f];
      const int record = static_cast<int>(r);
      const int field = static_cast<int>(f);
      if (value.empty()) {
        DBFWriteAttributeDirectly(dbf, record, field, const_cast<char*>(""));
      } else if (fields[f].type == 'L') {
        DBFWriteLogicalAttribute(dbf, record, field, value[0]);
      } else {
        DBFWriteAttributeDirectly(dbf, record, field, const_cast<char*>(value.c_str()));
      }
    }
    if (deleted) DBFMarkRecordDeleted(dbf, static_cast<int>(r), 1);
  }
  DBFClose(dbf);
}

const std::vector<Field> kContactFields = {
    {"FIRSTNAME", 'C', 20, 0}, {"VISITS", 'N', 5, 0},   {"BALANCE", 'N', 10, 2},
    {"RATING", 'F', 12, 3},    {"BIRTHDAY", 'D', 8, 0}, {"ACTIVE", 'L', 1, 0},
};

// Reads a .dbf back with shapelib: live records, each field as shapelib's string.
Rows ReadDbf(const std::filesystem::path& file) {
  Rows rows;
  DBFHandle dbf = DBFOpen(file.c_str(), "rb");
  if (dbf == nullptr) {
    ADD_FAILURE() << "shapelib cannot open " << file;
    return rows;
  }
  for (int r = 0; r < DBFGetRecordCount(dbf); ++r) {
    if (DBFIsRecordDeleted(dbf, r)) continue;
    std::vector<std::string> row;
    for (int f = 0; f < DBFGetFieldCount(dbf); ++f) {
      row.push_back(DBFIsAttributeNULL(dbf, r, f) ? "NULL" : DBFReadStringAttribute(dbf, r, f));
    }
    rows.push_back(row);
  }
  DBFClose(dbf);
  return rows;
}

class DbaseStaging : public ::testing::Test {
 protected:
  testing::PrivateTmpDir tmp_;
  velmora::testing::TempDir data_;

  std::filesystem::path File(const std::string& name) { return data_ / name; }

  void WriteContacts() {
    WriteDbf(File("contacts.dbf"), kContactFields,
             {{"Ada", "12", "1234.50", "3.250", "18151210", "T"},
              {"*deleted*"},
              {"Grace", "", "", "", "", "?"},
              {"S\xC3\xB8ren", "0", "-7.25", "0.000", "20000229", "F"}});
  }

  StagedDatabase StageOrFail() {
    std::string error;
    auto staged = Stage(kTypeDbase, data_.path(), &error);
    EXPECT_TRUE(staged) << error;
    return staged ? std::move(*staged) : StagedDatabase();
  }
};

TEST_F(DbaseStaging, StagesEachFileAsATableWithTypedColumns) {
  WriteContacts();
  WriteDbf(File("Other.DBF"), {{"CODE", 'C', 4, 0}}, {{"AB"}});
  velmora::testing::WriteFileBytes(File("notes.txt"), "not a table");
  StagedDatabase staged = StageOrFail();
  ASSERT_EQ(staged.tables.size(), 2u);
  EXPECT_EQ(staged.tables[0].name, "Other");
  EXPECT_EQ(staged.tables[1].name, "contacts");
  EXPECT_EQ(staged.tables[1].kind, TableKind::kDbf);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"FIRSTNAME", "CHAR(20)"}, {"VISITS", "INTEGER"}, {"BALANCE", "NUMERIC(10,2)"},
      {"RATING", "DOUBLE"},      {"BIRTHDAY", "DATE"},  {"ACTIVE", "BIT"}};
  EXPECT_EQ(DeclaredColumns(staged.sqlite_file, "contacts"), expected);
  EXPECT_EQ(QueryText(staged.sqlite_file, "SELECT * FROM contacts ORDER BY rowid"),
            (Rows{{"Ada", "12", "1234.5", "3.25", "1815-12-10", "1"},
                  {"Grace", "NULL", "NULL", "NULL", "NULL", "NULL"},
                  {"S\xC3\xB8ren", "0", "-7.25", "0.0", "2000-02-29", "0"}}));
  EXPECT_EQ(QueryText(staged.sqlite_file,
                      "SELECT typeof(VISITS), typeof(RATING) FROM contacts"
                      " WHERE rowid = 1"),
            (Rows{{"integer", "real"}}));
}

TEST_F(DbaseStaging, TextThatIsNotUtf8IsReadAsLatin1AndWrittenBackSo) {
  WriteDbf(File("latin.dbf"), {{"NAME", 'C', 10, 0}}, {{"S\xF8ren"}});
  StagedDatabase staged = StageOrFail();
  EXPECT_EQ(staged.tables[0].dbf_encoding, DbfEncoding::kLatin1);
  EXPECT_EQ(QueryText(staged.sqlite_file, "SELECT NAME FROM latin"), (Rows{{"S\xC3\xB8ren"}}));
  ASSERT_EQ(ExecuteSql(staged.sqlite_file, "INSERT INTO latin VALUES ('J\xC3\xBCrgen')"), "");
  std::string error;
  ASSERT_TRUE(WriteBack(staged, &error)) << error;
  EXPECT_EQ(ReadDbf(File("latin.dbf")), (Rows{{"S\xF8ren"}, {"J\xFCrgen"}}));
}

TEST_F(DbaseStaging, CodePageFileDecidesTheEncoding) {
  WriteDbf(File("declared.dbf"), {{"NAME", 'C', 10, 0}}, {{"S\xC3\xB8ren"}});
  velmora::testing::WriteFileBytes(File("declared.cpg"), "1252\n");
  StagedDatabase staged = StageOrFail();
  EXPECT_EQ(staged.tables[0].dbf_encoding, DbfEncoding::kLatin1);
  EXPECT_EQ(QueryText(staged.sqlite_file, "SELECT NAME FROM declared"),
            (Rows{{"S\xC3\x83\xC2\xB8ren"}}));
}

TEST_F(DbaseStaging, TextLongerThanItsFieldIsRefusedByTheStagedTable) {
  WriteContacts();
  StagedDatabase staged = StageOrFail();
  const std::string error =
      ExecuteSql(staged.sqlite_file,
                 "INSERT INTO contacts (FIRSTNAME) VALUES ('" + std::string(21, 'x') + "')");
  EXPECT_NE(error.find("CHECK constraint failed"), std::string::npos) << error;
  // Twenty bytes fit; ten two-byte letters are twenty bytes in a UTF-8 file.
  EXPECT_EQ(ExecuteSql(staged.sqlite_file,
                       "INSERT INTO contacts (FIRSTNAME) VALUES ('" + std::string(20, 'x') + "')"),
            "");
  std::string ten_o_slashes;
  for (int i = 0; i < 10; ++i) ten_o_slashes += "\xC3\xB8";
  EXPECT_EQ(ExecuteSql(staged.sqlite_file,
                       "INSERT INTO contacts (FIRSTNAME) VALUES ('" + ten_o_slashes + "')"),
            "");
  EXPECT_NE(ExecuteSql(staged.sqlite_file,
                       "INSERT INTO contacts (FIRSTNAME) VALUES ('" + ten_o_slashes + "x')"),
            "");
}

TEST_F(DbaseStaging, WriteBackReplacesAChangedTableKeepingItsFields) {
  WriteContacts();
  chmod(File("contacts.dbf").c_str(), 0640);
  StagedDatabase staged = StageOrFail();
  // What a device-to-desktop run of type 3 does: delete every row, then insert the contacts.
  ASSERT_EQ(ExecuteSql(staged.sqlite_file, "DELETE FROM contacts"), "");
  ASSERT_EQ(ExecuteSql(staged.sqlite_file,
                       "INSERT INTO contacts VALUES ('Grace', 42, 10.5, 1.5, '12/9/1906', 1);"
                       "INSERT INTO contacts VALUES ('Linus', NULL, NULL, NULL, NULL, NULL);"
                       "INSERT INTO contacts (FIRSTNAME, BIRTHDAY) VALUES ('Ada', '1815-12-10')"),
            "");
  std::string error;
  ASSERT_TRUE(WriteBack(staged, &error)) << error;
  EXPECT_EQ(ReadDbf(File("contacts.dbf")),
            (Rows{{"Grace", "42", "10.50", "1.500", "19061209", "T"},
                  {"Linus", "NULL", "NULL", "NULL", "", "NULL"},  // a blank date is spaces
                  {"Ada", "NULL", "NULL", "NULL", "18151210", "NULL"}}));
  DBFHandle dbf = DBFOpen(File("contacts.dbf").c_str(), "rb");
  ASSERT_NE(dbf, nullptr);
  for (std::size_t f = 0; f < kContactFields.size(); ++f) {
    char name[12];
    int width = 0, decimals = 0;
    DBFGetFieldInfo(dbf, static_cast<int>(f), name, &width, &decimals);
    EXPECT_STREQ(name, kContactFields[f].name);
    EXPECT_EQ(DBFGetNativeFieldType(dbf, static_cast<int>(f)), kContactFields[f].type);
    EXPECT_EQ(width, kContactFields[f].width);
    EXPECT_EQ(decimals, kContactFields[f].decimals);
  }
  DBFClose(dbf);
  struct stat info {};
  stat(File("contacts.dbf").c_str(), &info);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  // Only the .dbf itself is left in the folder: no temporary file, no new .cpg.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(data_.path()),
                          std::filesystem::directory_iterator()),
            1);
  // A second write-back has nothing new to write.
  const auto before = velmora::testing::ReadFileBytes(File("contacts.dbf"));
  ASSERT_TRUE(WriteBack(staged, &error)) << error;
  EXPECT_EQ(velmora::testing::ReadFileBytes(File("contacts.dbf")), before);
}

TEST_F(DbaseStaging, UnchangedTablesAreNotRewritten) {
  WriteContacts();
  const std::string original = velmora::testing::ReadFileBytes(File("contacts.dbf"));
  StagedDatabase staged = StageOrFail();
  std::string error;
  ASSERT_TRUE(WriteBack(staged, &error)) << error;
  // The deleted record would be gone from a rewritten file.
  EXPECT_EQ(velmora::testing::ReadFileBytes(File("contacts.dbf")), original);
}

TEST_F(DbaseStaging, FailedWriteBackLeavesTheOriginalAsItWas) {
  const struct {
    const char* what;
    std::function<void(const std::filesystem::path&)> change_file;
    std::string sql;
    std::string problem;
  } cases[] = {
      {"changed by another program",
       [](const std::filesystem::path& file) {
         WriteDbf(file, kContactFields, {{"Other", "1", "1", "1", "20010101", "T"}});
       },
       "INSERT INTO contacts (FIRSTNAME) VALUES ('Zed')", "changed by another program"},
      {"touched by another program",
       [](const std::filesystem::path& file) {
         std::filesystem::last_write_time(
             file, std::filesystem::last_write_time(file) + std::chrono::seconds(5));
       },
       "INSERT INTO contacts (FIRSTNAME) VALUES ('Zed')", "not overwritten"},
      {"number too wide for its field", nullptr, "INSERT INTO contacts (VISITS) VALUES (123456)",
       "field VISITS is 5 bytes wide"},
      {"text that is not a number", nullptr, "INSERT INTO contacts (VISITS) VALUES ('many')",
       "field VISITS cannot hold \"many\""},
      {"text that is not a date", nullptr, "INSERT INTO contacts (BIRTHDAY) VALUES ('soon')",
       "field BIRTHDAY cannot hold"},
      {"a date that does not exist", nullptr,
       "INSERT INTO contacts (BIRTHDAY) VALUES ('2/30/2001')", "field BIRTHDAY cannot hold"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    velmora::testing::TempDir folder;
    const std::filesystem::path file = folder / "contacts.dbf";
    WriteDbf(file, kContactFields, {{"Ada", "12", "1234.50", "3.250", "18151210", "T"}});
    std::string error;
    auto staged = Stage(kTypeDbase, folder.path(), &error);
    ASSERT_TRUE(staged) << error;
    ASSERT_EQ(ExecuteSql(staged->sqlite_file, c.sql), "");
    if (c.change_file) c.change_file(file);
    const std::string before = velmora::testing::ReadFileBytes(file);
    EXPECT_FALSE(WriteBack(*staged, &error));
    EXPECT_NE(error.find(file.string() + ": "), std::string::npos) << error;
    EXPECT_NE(error.find(c.problem), std::string::npos) << error;
    EXPECT_EQ(velmora::testing::ReadFileBytes(file), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()),
                            std::filesystem::directory_iterator()),
              1);
  }
}

TEST_F(DbaseStaging, DamagedFilesFailNamingFileAndProblem) {
  WriteContacts();
  const std::string good = velmora::testing::ReadFileBytes(File("contacts.dbf"));
  auto with_byte = [&](std::size_t at, char value) {
    std::string bytes = good;
    bytes[at] = value;
    return bytes;
  };
  const struct {
    const char* what;
    std::string bytes;
    std::string problem;
  } cases[] = {
      {"cut in the header", good.substr(0, 20), "too short for a dBase header"},
      {"cut in the field descriptors", good.substr(0, 100), "truncated"},
      {"cut in the records", good.substr(0, good.size() - 30), "truncated: the header promises 4"},
      {"not a dBase file", with_byte(0, 'P'), "wrong header: not a dBase file"},
      {"field wider than the record", with_byte(32 + 16, char(60)), "field FIRSTNAME is longer"},
      {"number field holding text",
       [&] {
         std::string bytes = good;
         const std::size_t header = 32 + 32 * kContactFields.size() + 1;
         bytes.replace(header + 1 + 20, 5, "  abc");
         return bytes;
       }(),
       "field VISITS of record 1 holds \"abc\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    velmora::testing::WriteFileBytes(File("contacts.dbf"), c.bytes);
    std::string error;
    EXPECT_FALSE(Stage(kTypeDbase, data_.path(), &error));
    EXPECT_NE(error.find(File("contacts.dbf").string() + ": "), std::string::npos) << error;
    EXPECT_NE(error.find(c.problem), std::string::npos) << error;
    EXPECT_EQ(velmora::testing::ReadFileBytes(File("contacts.dbf")), c.bytes);
    EXPECT_EQ(tmp_.StagingFolderCount(), 0u);
  }
}

}  // namespace
}  // namespace velmora::filedb
