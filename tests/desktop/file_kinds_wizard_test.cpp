// The wizard's data-source and table steps on each kind of file a user can browse to: an Excel
// workbook, a dBase file and a CSV file. Each case chooses the file as Browse does, checks what
// goes into the profile, connects through the desktop manager's connect, lists the tables,
// builds a two-field statement with a sort on the table page and reads it back.
#include <shapefil.h>
#include <stdlib.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>

#include "db/connection.h"
#include "db/odbc_result_set.h"
#include "db/statements.h"
#include "desktop/data_source_connect.h"
#include "desktop/sync_page_rules.h"
#include "desktop/table_page_model.h"
#include "desktop/wizard_data.h"
#include "platform/text/utf.h"
#include "tests/support/odbc_env.h"
#include "tests/support/temp_dir.h"

namespace velmora::desktop {
namespace {

using velmora::testing::OdbcEnvironment;
using velmora::testing::ReadFileBytes;
using velmora::testing::TempDir;
using velmora::testing::WriteFileBytes;

// Quotes around a comma and around doubled quotes, and non-ASCII names, CRLF rows.
const std::string kCsvText =
    "Name,Phone,City\r\n"
    "\"O'Neil, Jr.\",555-0100,\"Cork \"\"East\"\"\"\r\n"
    "S\xC3\xB8ren,+45 12,K\xC3\xB8"
    "benhavn\r\n"
    "Ada,555-0199,London\r\n";

void CopyWorkbook(const std::filesystem::path& file) {
  std::filesystem::copy_file(std::filesystem::path(VELMORA_FIXTURES_DIR) / "contacts.xls", file);
}

// FIRSTNAME C(20), VISITS N(5), BIRTHDAY D, written by shapelib.
void WriteDbfAs(const std::filesystem::path& file) {
  DBFHandle dbf = DBFCreate(file.c_str());
  ASSERT_NE(dbf, nullptr);
  ASSERT_GE(DBFAddNativeFieldType(dbf, "FIRSTNAME", 'C', 20, 0), 0);
  ASSERT_GE(DBFAddNativeFieldType(dbf, "VISITS", 'N', 5, 0), 0);
  ASSERT_GE(DBFAddNativeFieldType(dbf, "BIRTHDAY", 'D', 8, 0), 0);
  const char* rows[][3] = {
      {"Ada", "12", "18151210"}, {"Grace", "3", "19061209"}, {"Zo\xC3\xAB", "7", "20010203"}};
  for (int r = 0; r < 3; ++r) {
    for (int f = 0; f < 3; ++f) {
      DBFWriteAttributeDirectly(dbf, r, f, const_cast<char*>(rows[r][f]));
    }
  }
  DBFClose(dbf);
}

// shapelib always names the file it creates "*.dbf": it is made under that name and then given
// the one asked for.
void WriteDbf(const std::filesystem::path& file) {
  std::filesystem::path made = file;
  made.replace_extension(".dbf");
  WriteDbfAs(made);
  if (made != file) std::filesystem::rename(made, file);
}

void WriteCsv(const std::filesystem::path& file) {
  WriteFileBytes(file, kCsvText);
}

struct FileCase {
  const char* file_name;
  std::function<void(const std::filesystem::path&)> make;
  int db_type;
  int connection_type;
  std::vector<std::string> tables;  // as the table list shows them, sorted
  std::string table;                // the one chosen
  std::string first_field;          // the two fields kept selected, in column order
  std::string second_field;
  std::string sort_field;  // sorted descending
  long rows;
  db::Value first_value;  // first field of the first row
};

std::vector<FileCase> Cases() {
  return {
      {"contacts.xls",
       CopyWorkbook,
       db::kDatabaseExcel,
       db::kKindExcel,
       {"Companies$", "Contacts$"},
       "Contacts$",
       "FirstName",
       "Birthday",
       "Birthday",
       3,
       db::Value(std::string("S\xC3\xB8ren"))},
      {"Contacts Book.XLS",
       CopyWorkbook,
       db::kDatabaseExcel,
       db::kKindExcel,
       {"Companies$", "Contacts$"},
       "Contacts$",
       "FirstName",
       "Visits",
       "Birthday",
       3,
       db::Value(std::string("S\xC3\xB8ren"))},
      {"contacts.dbf",
       WriteDbf,
       db::kDatabaseDbase,
       db::kKindOther,
       {"contacts"},
       "contacts",
       "FIRSTNAME",
       "VISITS",
       "BIRTHDAY",
       3,
       db::Value(std::string("Zo\xC3\xAB"))},
      {"People.DBF",
       WriteDbf,
       db::kDatabaseDbase,
       db::kKindOther,
       {"People"},
       "People",
       "FIRSTNAME",
       "VISITS",
       "VISITS",
       3,
       db::Value(std::string("Ada"))},
      {"contacts.csv",
       WriteCsv,
       db::kDatabaseCsv,
       db::kKindText,
       {"contacts.csv"},
       "contacts.csv",
       "Name",
       "City",
       "Name",
       3,
       db::Value(std::string("S\xC3\xB8ren"))},
      {"People.CSV",
       WriteCsv,
       db::kDatabaseCsv,
       db::kKindText,
       {"People.CSV"},
       "People.CSV",
       "Name",
       "City",
       "City",
       3,
       db::Value(std::string("Ada"))},
  };
}

std::vector<std::string> Sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

class FileKindsWizardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Staging folders land here, so the test can see that none outlives its connection.
    const char* tmpdir = getenv("TMPDIR");
    if (tmpdir != nullptr) saved_tmpdir_ = tmpdir;
    setenv("TMPDIR", staging_.path().c_str(), 1);
  }
  void TearDown() override {
    if (saved_tmpdir_) {
      setenv("TMPDIR", saved_tmpdir_->c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
  }

  bool StagingEmpty() const { return std::filesystem::is_empty(staging_.path()); }

  OdbcEnvironment odbc_;
  TempDir data_;
  TempDir staging_;
  TempDir app_;
  std::optional<std::string> saved_tmpdir_;
};

// The table page with every field but `keep` moved back to the available list and one sort.
std::string TwoFieldStatement(TablePageModel& model, db::Connection& linked, const FileCase& k) {
  ConnectionColumnSource columns(linked);
  const std::string start = model.ChooseTables({k.table}, columns);
  EXPECT_EQ(start, "Select * from \"" + k.table + "\"");
  const std::vector<std::string>& catalogue = model.catalogue();
  const auto position = [&](const std::string& field) {
    const auto at = std::find(catalogue.begin(), catalogue.end(), "\"" + field + "\"");
    EXPECT_NE(at, catalogue.end()) << field << " is not among the fields";
    return static_cast<int>(at - catalogue.begin());
  };
  std::vector<int> others;
  const int first = position(k.first_field);
  const int second = position(k.second_field);
  for (int i = 0; i < static_cast<int>(catalogue.size()); ++i) {
    if (i != first && i != second) others.push_back(i);
  }
  model.MoveToAvailable(others);
  model.SetSorts({SortEntry{1, position(k.sort_field)}});
  return model.Rebuild();
}

TEST_F(FileKindsWizardTest, EachBrowsedFileConnectsListsItsTablesAndRunsTheBuiltStatement) {
  for (const FileCase& k : Cases()) {
    SCOPED_TRACE(k.file_name);
    const std::filesystem::path folder = data_ / ("D\xC3\xA4ten " + std::string(k.file_name));
    std::filesystem::create_directory(folder);
    const std::filesystem::path file = folder / k.file_name;
    k.make(file);

    // Browse: the extension names the kind, the choice names the file and its folder.
    const std::optional<int> type = DatabaseTypeOfFile(file.string());
    ASSERT_EQ(type, k.db_type);
    const DataSourceChoice choice = FileDataSource(file.string(), *type);

    db::Connection linked(db::Program::kDesktopManager);
    const DesktopErrorLog log(app_.path());
    bool asked = false;
    const AskCredentials ask = [&asked]() -> std::optional<Credentials> {
      asked = true;
      return std::nullopt;
    };
    const ConnectResult result = ConnectDataSource(linked, choice, ask, log);
    ASSERT_EQ(result.outcome, ConnectOutcome::kConnected) << result.error_text;
    EXPECT_FALSE(asked) << "a file needs no login";
    EXPECT_FALSE(std::filesystem::exists(log.file())) << "nothing to log on success";

    WizardData data_state;
    SetDataSource(choice, result.credentials.user, result.credentials.password, data_state);
    data_state.connection_type = linked.DatabaseKind();
    EXPECT_TRUE(data_state.data_source_chosen);
    EXPECT_EQ(data_state.record.db_type, k.db_type);
    EXPECT_EQ(data_state.record.db_dsn, k.file_name);
    EXPECT_EQ(data_state.record.db_path, folder.string() + "/");
    EXPECT_EQ(data_state.connection_type, k.connection_type);

    // The table page.
    EXPECT_EQ(Sorted(db::ListTables(linked)), k.tables);
    TablePageModel model(linked.DatabaseKind() == db::kKindMySql);
    const std::string statement = TwoFieldStatement(model, linked, k);
    EXPECT_EQ(model.TableNameText(), k.table);
    EXPECT_EQ(statement, "Select  \"" + k.first_field + "\" ,  \"" + k.second_field +
                             "\"  From \"" + k.table + "\" Order By \"" + k.sort_field + "\" DESC");

    db::OdbcResultSet rows;
    ASSERT_TRUE(rows.Open(linked, statement)) << statement << "\n" << rows.ErrorReport();
    EXPECT_EQ(rows.ColumnCount(), 2);
    EXPECT_EQ(rows.ColumnName(0), k.first_field);
    EXPECT_EQ(rows.RowCount(), k.rows);
    ASSERT_TRUE(rows.MoveToRow(0));
    EXPECT_EQ(rows.GetValue(0), k.first_value);
    rows.Close();

    // The conduit finds the same file again from DBPath and DBDSN.
    EXPECT_TRUE(std::filesystem::exists(data_state.record.db_path + data_state.record.db_dsn));
    EXPECT_TRUE(linked.Close(nullptr));
    EXPECT_TRUE(StagingEmpty());
  }
  EXPECT_FALSE(odbc_.UserHasDataSource(std::string(db::kCustomDsnDesktop)));
}

TEST_F(FileKindsWizardTest, TheCsvStatementKeepsQuotedCommasAndNonAsciiText) {
  TempDir data;
  WriteCsv(data / "contacts.csv");
  const DataSourceChoice choice =
      FileDataSource((data / "contacts.csv").string(), *DatabaseTypeOfFile("contacts.csv"));
  db::Connection linked(db::Program::kDesktopManager);
  const ConnectResult result = ConnectDataSource(linked, choice, nullptr, DesktopErrorLog());
  ASSERT_EQ(result.outcome, ConnectOutcome::kConnected) << result.error_text;
  TablePageModel model;
  const FileCase k{"contacts.csv", WriteCsv, db::kDatabaseCsv, db::kKindText, {"contacts.csv"},
                   "contacts.csv", "Name",   "City",           "Name",        3,
                   db::Value()};
  const std::string statement = TwoFieldStatement(model, linked, k);
  db::OdbcResultSet rows;
  ASSERT_TRUE(rows.Open(linked, statement)) << rows.ErrorReport();
  ASSERT_EQ(rows.RowCount(), 3);
  const std::vector<std::vector<std::string>> expected = {
      {"S\xC3\xB8ren",
       "K\xC3\xB8"
       "benhavn"},
      {"O'Neil, Jr.", "Cork \"East\""},
      {"Ada", "London"},
  };
  for (long r = 0; r < 3; ++r) {
    ASSERT_TRUE(rows.MoveToRow(r));
    EXPECT_EQ(rows.ValueText(r, 0), expected[r][0]) << "row " << r;
    EXPECT_EQ(rows.ValueText(r, 1), expected[r][1]) << "row " << r;
  }
}

// The desktop error log read back as UTF-8.
std::string LogText(const DesktopErrorLog& log) {
  const std::string bytes = ReadFileBytes(log.file());
  std::u16string units;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  return text::Utf16ToUtf8(units);
}

// A damaged file is no login failure: the wizard shows the failed-connect report instead of
// asking for a user name, and the log names the file.
TEST_F(FileKindsWizardTest, ADamagedFileFailsTheConnectWithoutAskingForALogin) {
  const struct {
    const char* file_name;
    std::string bytes;
    const char* problem;
  } cases[] = {
      {"book.xls", kCsvText, "not an Excel 97-2003"},
      {"contacts.dbf", "not a dBase file at all, just text long enough for a header......",
       "wrong header"},
      {"contacts.csv", "Name,Phone\r\nAda,1\r\nGrace\r\n", "row 3 has 1 fields, the header has 2"},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.file_name);
    const std::filesystem::path folder = data_ / ("bad " + std::string(k.file_name));
    std::filesystem::create_directory(folder);
    const std::filesystem::path file = folder / k.file_name;
    WriteFileBytes(file, k.bytes);
    const std::optional<int> type = DatabaseTypeOfFile(file.string());
    ASSERT_TRUE(type.has_value());

    const std::filesystem::path app_folder = app_ / k.file_name;
    std::filesystem::create_directory(app_folder);
    const DesktopErrorLog log(app_folder);
    db::Connection linked(db::Program::kDesktopManager);
    bool asked = false;
    const ConnectResult result = ConnectDataSource(
        linked, FileDataSource(file.string(), *type),
        [&asked]() -> std::optional<Credentials> {
          asked = true;
          return Credentials{"someone", "secret"};
        },
        log);
    EXPECT_EQ(result.outcome, ConnectOutcome::kFailed);
    EXPECT_FALSE(asked);
    EXPECT_FALSE(linked.IsConnected());
    EXPECT_EQ(result.error_text.rfind("Failed to connect to database.", 0), 0u)
        << result.error_text;
    EXPECT_NE(result.error_text.find(file.string() + ": "), std::string::npos) << result.error_text;
    EXPECT_NE(result.error_text.find(k.problem), std::string::npos) << result.error_text;
    EXPECT_NE(LogText(log).find(file.string()), std::string::npos) << LogText(log);
    EXPECT_EQ(ReadFileBytes(file), k.bytes) << "nothing written";
    EXPECT_TRUE(StagingEmpty());
  }
}

}  // namespace
}  // namespace velmora::desktop
