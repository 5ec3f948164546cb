// Excel workbooks, dBase folders and CSV folders through db::Connection with the stager every
// program gets: the way the wizard connects (the folder, read-only) and the way the conduit
// does (DBPath + DBDSN, read-write), the catalogue, the wizard's quoted statements, values and
// dates through OdbcResultSet, dBase write-back read with shapelib, and damaged files.
#include <shapefil.h>
#include <stdlib.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "db/connection.h"
#include "db/odbc_result_set.h"
#include "db/statements.h"
#include "tests/support/odbc_env.h"
#include "tests/support/temp_dir.h"

namespace velmora::db {
namespace {

using velmora::testing::OdbcEnvironment;
using velmora::testing::ReadFileBytes;
using velmora::testing::TempDir;
using velmora::testing::WriteFileBytes;
using Rows = std::vector<std::vector<std::string>>;

constexpr const char* kFailedConnectPrefix =
    "Failed to connect to database.\n\nODBC Reports : \n\n SQLSTATE:HY000 \n Native Error "
    "Code:0 \n Driver Message:=' [Velmora] ";

std::filesystem::path FixturesDir() {
  return std::filesystem::path(VELMORA_FIXTURES_DIR);
}

// Every value of every row as ValueText gives it.
Rows ReadAll(Connection& c, const std::string& sql) {
  OdbcResultSet rows;
  if (!rows.Open(c, sql)) {
    ADD_FAILURE() << sql << "\n" << rows.ErrorReport();
    return {};
  }
  Rows out;
  for (long r = 0; r < rows.RowCount(); ++r) {
    out.emplace_back();
    if (!rows.MoveToRow(r)) ADD_FAILURE() << "row " << r;
    for (int col = 0; col < rows.ColumnCount(); ++col) out.back().push_back(rows.ValueText(r, col));
  }
  return out;
}

std::vector<std::string> Sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

// A .dbf written by shapelib: FIRSTNAME C(20), VISITS N(5), BIRTHDAY D.
void WriteContactsDbf(const std::filesystem::path& file, const Rows& rows) {
  DBFHandle dbf = DBFCreate(file.c_str());
  ASSERT_NE(dbf, nullptr);
  ASSERT_GE(DBFAddNativeFieldType(dbf, "FIRSTNAME", 'C', 20, 0), 0);
  ASSERT_GE(DBFAddNativeFieldType(dbf, "VISITS", 'N', 5, 0), 0);
  ASSERT_GE(DBFAddNativeFieldType(dbf, "BIRTHDAY", 'D', 8, 0), 0);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t f = 0; f < rows[r].size(); ++f) {
      DBFWriteAttributeDirectly(dbf, static_cast<int>(r), static_cast<int>(f),
                                const_cast<char*>(rows[r][f].c_str()));
    }
  }
  DBFClose(dbf);
}

Rows ReadDbf(const std::filesystem::path& file) {
  Rows rows;
  DBFHandle dbf = DBFOpen(file.c_str(), "rb");
  if (dbf == nullptr) {
    ADD_FAILURE() << "shapelib cannot open " << file;
    return rows;
  }
  for (int r = 0; r < DBFGetRecordCount(dbf); ++r) {
    if (DBFIsRecordDeleted(dbf, r)) continue;
    rows.emplace_back();
    for (int f = 0; f < DBFGetFieldCount(dbf); ++f) {
      rows.back().push_back(DBFReadStringAttribute(dbf, r, f));
    }
  }
  DBFClose(dbf);
  return rows;
}

const Rows kDbfPeople = {{"Ada", "12", "18151210"}, {"Grace", "3", "19061209"}};

// Quotes, an embedded comma, a line break inside a field and non-ASCII text, CRLF rows.
const std::string kCsvText =
    "Name,Phone,Note\r\n"
    "\"O'Neil, Jr.\",555-0100,\"said \"\"hi\"\"\"\r\n"
    "S\xC3\xB8ren,+45 12,\"two\nlines\"\r\n"
    "Ada,,plain\r\n";

class FileKindsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Staging folders land here, so a test can see that a failed connect left none behind.
    const char* tmpdir = getenv("TMPDIR");
    if (tmpdir != nullptr) saved_tmpdir_ = tmpdir;
    setenv("TMPDIR", staging_.path().c_str(), 1);
    SetFileDatabaseStager(DefaultFileDatabaseStager());
  }
  void TearDown() override {
    if (saved_tmpdir_) {
      setenv("TMPDIR", saved_tmpdir_->c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
  }

  std::size_t StagingFolders() const {
    return static_cast<std::size_t>(
        std::distance(std::filesystem::directory_iterator(staging_.path()),
                      std::filesystem::directory_iterator{}));
  }

  // The folder as the conduit's DBPath stores it, ending in "/".
  std::string DbPath() const { return data_.path().string() + "/"; }

  OdbcEnvironment odbc_;
  TempDir data_;
  TempDir staging_;
  std::optional<std::string> saved_tmpdir_;
};

TEST_F(FileKindsTest, AnExcelWorkbookShowsItsWorksheetsAsTheExcelDriverNamesThem) {
  const std::filesystem::path book = data_ / "Contacts Book.xls";
  std::filesystem::copy_file(FixturesDir() / "contacts.xls", book);
  struct {
    Program program;
    std::string source;
    bool read_only;
  } connects[] = {{Program::kDesktopManager, book.string(), true},
                  {Program::kConduit, DbPath() + "Contacts Book.xls", false}};
  for (const auto& how : connects) {
    SCOPED_TRACE(how.source);
    Connection c(how.program);
    std::string error;
    ASSERT_TRUE(
        c.Connect(kCustomDsnDesktop, kDatabaseExcel, how.source, "", "", &error, how.read_only))
        << error;
    if (how.program == Program::kDesktopManager) {
      EXPECT_EQ(c.DatabaseKind(), kKindExcel);
    }
    EXPECT_EQ(Sorted(ListTables(c)), (std::vector<std::string>{"Companies$", "Contacts$"}));
    std::string table = "\"Contacts$\"";
    EXPECT_EQ(ListColumns(c, table), (std::vector<std::string>{"FirstName", "LastName", "Email",
                                                               "Phone", "Birthday", "Visits"}));
    EXPECT_EQ(table, "Contacts$");

    OdbcResultSet rows;
    ASSERT_TRUE(rows.Open(c,
                          "SELECT \"FirstName\",\"Birthday\",\"Visits\",\"Email\" FROM "
                          "\"Contacts$\" ORDER BY \"Birthday\" DESC"))
        << rows.ErrorReport();
    ASSERT_EQ(rows.RowCount(), 3);
    ASSERT_TRUE(rows.MoveToRow(0));
    EXPECT_EQ(rows.GetValue(0), Value(std::string("S\xC3\xB8ren")));
    EXPECT_EQ(rows.GetValue(1), Value(Date{2000, 2, 29}));
    ASSERT_TRUE(rows.MoveToRow(1));
    EXPECT_EQ(rows.GetValue(1), Value(Date{1906, 12, 9}));
    EXPECT_EQ(rows.GetValue(2), Value(3.5));
    EXPECT_EQ(rows.GetValue(3), Value(Null{})) << "the empty cell";
    rows.Close();

    std::string report;
    EXPECT_FALSE(Succeeded(Execute(c, "DELETE FROM \"Contacts$\"", &report)));
    EXPECT_NE(report.find(book.string() + ": the Excel workbook is read-only"), std::string::npos)
        << report;
    std::string close_error;
    EXPECT_TRUE(c.Close(&close_error)) << close_error;
  }
  EXPECT_EQ(StagingFolders(), 0u);
  EXPECT_FALSE(odbc_.UserHasDataSource(std::string(kCustomDsnDesktop)));
}

TEST_F(FileKindsTest, ACsvFolderGivesOneTextTablePerFileNamedByTheFileName) {
  WriteFileBytes(data_ / "contacts.csv", kCsvText);
  WriteFileBytes(data_ / "notes.txt", "not a table\n");
  const std::string before = ReadFileBytes(data_ / "contacts.csv");
  struct {
    Program program;
    std::string source;
    bool read_only;
  } connects[] = {{Program::kDesktopManager, data_.path().string(), true},
                  {Program::kConduit, DbPath() + "contacts.csv", false}};
  for (const auto& how : connects) {
    SCOPED_TRACE(how.source);
    Connection c(how.program);
    c.SetDefaultFolder(DbPath());
    std::string error;
    ASSERT_TRUE(
        c.Connect(kCustomDsnConduit, kDatabaseCsv, how.source, "", "", &error, how.read_only))
        << error;
    if (how.program == Program::kDesktopManager) {
      EXPECT_EQ(c.DatabaseKind(), kKindText);
    }
    EXPECT_EQ(ListTables(c), (std::vector<std::string>{"contacts.csv"}));
    std::string table = "contacts.csv";
    EXPECT_EQ(ListColumns(c, table), (std::vector<std::string>{"Name", "Phone", "Note"}));
    EXPECT_EQ(ReadAll(c,
                      "SELECT \"Name\",\"Phone\",\"Note\" FROM \"contacts.csv\" ORDER BY "
                      "\"Name\""),
              (Rows{{"Ada", "", "plain"},
                    {"O'Neil, Jr.", "555-0100", "said \"hi\""},
                    {"S\xC3\xB8ren", "+45 12", "two\nlines"}}));
    std::string report;
    EXPECT_FALSE(
        Succeeded(Execute(c, "INSERT INTO \"contacts.csv\" (\"Name\") VALUES ('x')", &report)));
    EXPECT_NE(report.find("contacts.csv: the CSV file is read-only"), std::string::npos) << report;
    EXPECT_TRUE(c.Close(nullptr));
  }
  EXPECT_EQ(ReadFileBytes(data_ / "contacts.csv"), before);
}

TEST_F(FileKindsTest, ADbaseFolderConnectsByFolderOrByFileWithTablesNamedAfterTheFiles) {
  WriteContactsDbf(data_ / "contacts.dbf", kDbfPeople);
  WriteContactsDbf(data_ / "Other.DBF", {});
  for (const std::string& source : {data_.path().string(), DbPath(), DbPath() + "contacts.dbf"}) {
    SCOPED_TRACE(source);
    Connection c;
    std::string error;
    ASSERT_TRUE(c.Connect(kCustomDsnDesktop, kDatabaseDbase, source, "", "", &error, true))
        << error;
    EXPECT_EQ(c.DatabaseKind(), kKindOther);
    EXPECT_EQ(Sorted(ListTables(c)), (std::vector<std::string>{"Other", "contacts"}));
    std::string table = "\"contacts\"";
    EXPECT_EQ(ListColumns(c, table), (std::vector<std::string>{"FIRSTNAME", "VISITS", "BIRTHDAY"}));
    OdbcResultSet rows;
    ASSERT_TRUE(rows.Open(c,
                          "SELECT \"FIRSTNAME\",\"VISITS\",\"BIRTHDAY\" FROM \"contacts\" "
                          "ORDER BY \"FIRSTNAME\""))
        << rows.ErrorReport();
    ASSERT_EQ(rows.RowCount(), 2);
    ASSERT_TRUE(rows.MoveToRow(1));
    EXPECT_EQ(rows.GetValue(0), Value(std::string("Grace")));
    EXPECT_EQ(rows.GetValue(1), Value(std::int64_t{3}));
    EXPECT_EQ(rows.GetValue(2), Value(Date{1906, 12, 9}));
    rows.Close();
    // The wizard's connection is read-only: a change would never reach the file.
    std::string report;
    EXPECT_FALSE(Succeeded(Execute(c, "DELETE FROM \"contacts\"", &report)));
    EXPECT_NE(report.find("contacts.dbf: the dBase file is open read-only"), std::string::npos)
        << report;
  }
  EXPECT_EQ(ReadDbf(data_ / "contacts.dbf"), kDbfPeople);
}

TEST_F(FileKindsTest, TheConduitsChangesToADbaseTableAreWrittenBackOnClose) {
  WriteContactsDbf(data_ / "contacts.dbf", kDbfPeople);
  WriteContactsDbf(data_ / "untouched.dbf", kDbfPeople);
  const std::string untouched = ReadFileBytes(data_ / "untouched.dbf");
  Connection c(Program::kConduit);
  c.SetDefaultFolder(DbPath());
  std::string error;
  ASSERT_TRUE(c.Connect(kCustomDsnConduit, kDatabaseDbase, DbPath() + "contacts.dbf", "", "",
                        &error, false))
      << error;
  ASSERT_TRUE(Succeeded(Execute(c, "DELETE FROM \"contacts\"", &error))) << error;
  ASSERT_TRUE(Succeeded(Execute(c,
                                "INSERT INTO \"contacts\" (\"FIRSTNAME\",\"VISITS\",\"BIRTHDAY\") "
                                "VALUES ('Zo\xC3\xAB', 7, '2001-02-03')",
                                &error)))
      << error;
  ASSERT_TRUE(
      Succeeded(Execute(c, "INSERT INTO \"contacts\" (\"FIRSTNAME\") VALUES ('Linus')", &error)))
      << error;
  EXPECT_TRUE(c.Close(&error)) << error;
  EXPECT_FALSE(c.IsConnected());
  EXPECT_EQ(ReadDbf(data_ / "contacts.dbf"),
            (Rows{{"Zo\xC3\xAB", "7", "20010203"}, {"Linus", "", ""}}));
  EXPECT_EQ(ReadFileBytes(data_ / "untouched.dbf"), untouched)
      << "unchanged tables stay as they were";
  EXPECT_EQ(StagingFolders(), 0u);
}

TEST_F(FileKindsTest, ADbaseFileChangedByAnotherProgramIsNotOverwrittenAndCloseSaysSo) {
  WriteContactsDbf(data_ / "contacts.dbf", kDbfPeople);
  Connection c(Program::kConduit);
  std::string error;
  ASSERT_TRUE(c.Connect(kCustomDsnConduit, kDatabaseDbase, DbPath() + "contacts.dbf", "", "",
                        &error, false))
      << error;
  ASSERT_TRUE(Succeeded(Execute(c, "DELETE FROM \"contacts\"", &error))) << error;
  const Rows theirs = {{"Other", "1", "19990101"}};
  WriteContactsDbf(data_ / "contacts.dbf", theirs);

  EXPECT_FALSE(c.Close(&error));
  EXPECT_EQ(error, "[Velmora] " + (data_ / "contacts.dbf").string() +
                       ": changed by another program since it was opened; not overwritten");
  EXPECT_FALSE(c.IsConnected());
  EXPECT_EQ(ReadDbf(data_ / "contacts.dbf"), theirs);
  EXPECT_EQ(StagingFolders(), 0u);
  // No file of ours is left next to it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(data_.path()),
                          std::filesystem::directory_iterator{}),
            1);
}

// A copy of `bytes` with byte `at` set to `value`.
std::string Patched(std::string bytes, std::size_t at, char value) {
  if (at < bytes.size()) bytes[at] = value;
  return bytes;
}

TEST_F(FileKindsTest, ADamagedFileFailsTheConnectNamingTheFileAndTheProblem) {
  WriteContactsDbf(staging_ / "good.dbf", kDbfPeople);
  const std::string dbf = ReadFileBytes(staging_ / "good.dbf");
  std::filesystem::remove(staging_ / "good.dbf");
  const std::string xls = ReadFileBytes(FixturesDir() / "contacts.xls");
  ASSERT_FALSE(dbf.empty());
  ASSERT_FALSE(xls.empty());
  // The first field descriptor starts at byte 32; its width is byte 16 of it.
  const struct {
    const char* what;
    int type;
    const char* file;
    std::string bytes;
    const char* problem;
  } cases[] = {
      {"truncated workbook", kDatabaseExcel, "book.xls", xls.substr(0, xls.size() / 2),
       "is damaged or not an Excel"},
      {"text as a workbook", kDatabaseExcel, "book.xls", kCsvText, "not an Excel 97-2003"},
      {"truncated dBase file", kDatabaseDbase, "contacts.dbf", dbf.substr(0, dbf.size() - 20),
       "truncated"},
      {"dBase wrong header", kDatabaseDbase, "contacts.dbf", Patched(dbf, 0, '\x00'),
       "wrong header"},
      {"dBase field longer than the header says", kDatabaseDbase, "contacts.dbf",
       Patched(dbf, 32 + 16, '\xC8'), "field FIRSTNAME is longer than the record length"},
      {"ragged CSV rows", kDatabaseCsv, "contacts.csv", "Name,Phone\r\nAda,1\r\nGrace\r\n",
       "row 3 has 1 fields, the header has 2"},
      {"CSV cut inside a quote", kDatabaseCsv, "contacts.csv", "Name,Note\r\nAda,\"open",
       "the file ends inside a quoted field"},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.what);
    const std::filesystem::path folder = data_ / k.what;
    std::filesystem::create_directories(folder);
    const std::filesystem::path file = folder / k.file;
    WriteFileBytes(file, k.bytes);
    const std::string source = k.type == kDatabaseExcel ? file.string() : folder.string();
    for (Program program : {Program::kDesktopManager, Program::kConduit}) {
      Connection c(program);
      std::string error;
      EXPECT_FALSE(c.Connect(kCustomDsnDesktop, k.type, source, "", "", &error, false));
      EXPECT_EQ(error.rfind(kFailedConnectPrefix + file.string() + ": ", 0), 0u) << error;
      EXPECT_NE(error.find(k.problem), std::string::npos) << error;
      EXPECT_FALSE(c.IsConnected());
    }
    EXPECT_EQ(ReadFileBytes(file), k.bytes) << "nothing written";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                            std::filesystem::directory_iterator{}),
              1);
    EXPECT_EQ(StagingFolders(), 0u);
  }
}

}  // namespace
}  // namespace velmora::db
