// A new user's first journey: a profile made in the wizard on each kind of data source the
// wizard offers, for each sync type, then the handheld connects and the values arrive where
// the sync type sends them: on the handheld, in the desktop table or in the exported CSV file.
// Column names carry blanks, double quotes and non-ASCII letters wherever the source allows.
#include <shapefil.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <vector>

#include "profile/sync_settings.h"
#include "tests/journey/journey_world.h"
#include "tests/support/mariadb_server.h"
#include "tests/support/pg_server.h"

namespace velmora::journey {
namespace {

namespace fs = std::filesystem;
using velmora::testing::MariaDbServer;
using velmora::testing::PgServer;
using velmora::testing::ReadFileBytes;

enum class Kind { kSqliteFile, kCsv, kDbase, kExcel, kPostgres, kMariaDb };

struct Source {
  Kind kind;
  const char* name;
  bool writable;  // workbooks and CSV files are only read
  std::array<std::string, 4> columns;
};

// Built on first use: the shared column names are another file's global.
const std::vector<Source>& Sources() {
  static const std::vector<Source> sources = {
      {Kind::kSqliteFile, "SQLite", true, kFancyColumns},
      {Kind::kCsv, "CSV", false, kFancyColumns},
      {Kind::kDbase, "dBase", true, {"FIRSTNAME", "LASTNAME", "EMAIL", "WORKTEL"}},
      {Kind::kExcel, "Excel", false, {"FirstName", "LastName", "Email", "Phone"}},
      {Kind::kPostgres, "PostgreSQL", true, kFancyColumns},
      {Kind::kMariaDb, "MariaDB", true, kFancyColumns},
  };
  return sources;
}

People TabSeparated(const std::string& text, bool header) {
  People people;
  std::istringstream lines(text);
  std::string line;
  if (header) std::getline(lines, line);
  while (std::getline(lines, line)) {
    Person p;
    std::size_t from = 0;
    for (std::size_t i = 0; i < 4; ++i) {
      const std::size_t tab = line.find('\t', from);
      p[i] = line.substr(from, tab - from);
      from = tab + 1;
    }
    people.push_back(p);
  }
  return Sorted(people);
}

void WriteDbf(const fs::path& file, const Source& source) {
  DBFHandle dbf = DBFCreate(file.c_str());
  ASSERT_NE(dbf, nullptr);
  for (const std::string& column : source.columns) {
    ASSERT_GE(DBFAddNativeFieldType(dbf, column.c_str(), 'C', 40, 0), 0);
  }
  int row = 0;
  for (const Person& p : DesktopPeople()) {
    for (int f = 0; f < 4; ++f) DBFWriteStringAttribute(dbf, row, f, p[f].c_str());
    ++row;
  }
  DBFClose(dbf);
}

People DbfPeople(const fs::path& file) {
  People people;
  DBFHandle dbf = DBFOpen(file.c_str(), "rb");
  if (dbf == nullptr) return people;
  for (int r = 0; r < DBFGetRecordCount(dbf); ++r) {
    if (DBFIsRecordDeleted(dbf, r)) continue;
    Person p;
    for (int f = 0; f < 4; ++f) {
      std::string value = DBFIsAttributeNULL(dbf, r, f) ? "" : DBFReadStringAttribute(dbf, r, f);
      value.erase(value.find_last_not_of(' ') + 1);
      p[f] = value;
    }
    people.push_back(p);
  }
  DBFClose(dbf);
  return Sorted(people);
}

std::string CsvText(const Source& source) {
  const auto field = [](const std::string& v) {
    std::string quoted = "\"";
    for (char c : v) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
  };
  std::string text;
  for (std::size_t i = 0; i < 4; ++i) text += (i ? "," : "") + field(source.columns[i]);
  text += "\r\n";
  for (const Person& p : DesktopPeople()) {
    text += field(p[0]) + "," + field(p[1]) + "," + field(p[2]) + "," + field(p[3]) + "\r\n";
  }
  return text;
}

// One desktop source, made afresh for each sync type.
class DesktopSource {
 public:
  DesktopSource(const Source& source, const fs::path& folder) : source_(source), folder_(folder) {}

  // Lays the source down with the desktop people and says how the wizard reaches it. False
  // when its server is not available here.
  bool Make(WizardChoices& choices) {
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    choices.table = "people";
    choices.columns = source_.columns;
    switch (source_.kind) {
      case Kind::kSqliteFile:
        file_ = MakeSqlitePeople(folder_);
        choices.file = file_;
        break;
      case Kind::kCsv:
        file_ = folder_ / "people.csv";
        velmora::testing::WriteFileBytes(file_, CsvText(source_));
        choices.file = file_;
        choices.table = "people.csv";
        break;
      case Kind::kDbase:
        file_ = folder_ / "people.dbf";
        WriteDbf(file_, source_);
        choices.file = file_;
        break;
      case Kind::kExcel:
        file_ = folder_ / "people.xls";
        fs::copy_file(fs::path(VELMORA_FIXTURES_DIR) / "contacts.xls", file_);
        choices.file = file_;
        choices.table = "Contacts$";
        break;
      case Kind::kPostgres: {
        PgServer& server = PgServer::Shared();
        if (!server.Available()) return false;
        EXPECT_TRUE(server.Psql("DROP TABLE IF EXISTS people;" + PeopleSql(source_.columns, '"')));
        if (!listed_) server.AddDataSource(desktop::testing::ProcessOdbc(), "JourneyPostgreSQL");
        listed_ = true;
        choices.data_source = "JourneyPostgreSQL";
        break;
      }
      case Kind::kMariaDb: {
        MariaDbServer& server = MariaDbServer::Shared();
        if (!server.Available()) return false;
        EXPECT_TRUE(server.Sql("DROP TABLE IF EXISTS people;" + PeopleSql(source_.columns, '`')));
        if (!listed_) server.AddDataSource(desktop::testing::ProcessOdbc(), "JourneyMariaDB");
        listed_ = true;
        choices.data_source = "JourneyMariaDB";
        break;
      }
    }
    if (!file_.empty()) bytes_ = ReadFileBytes(file_);
    return true;
  }

  // The four columns of every row now in the table, sorted.
  People Rows() {
    std::string out;
    switch (source_.kind) {
      case Kind::kSqliteFile:
        return SqlitePeople(file_);
      case Kind::kDbase:
        return DbfPeople(file_);
      case Kind::kPostgres:
        PgServer::Shared().Psql(
            "COPY (" + SelectPeople(source_.columns, '"', "coalesce") + ") TO STDOUT", &out);
        return TabSeparated(out, false);
      case Kind::kMariaDb:
        MariaDbServer::Shared().Sql(SelectPeople(source_.columns, '`', "ifnull"), &out);
        return TabSeparated(out, true);
      case Kind::kCsv:
      case Kind::kExcel:
        break;
    }
    return {};
  }

  bool FileUnchanged() const { return ReadFileBytes(file_) == bytes_; }

 private:
  const Source& source_;
  fs::path folder_;
  fs::path file_;
  std::string bytes_;
  bool listed_ = false;  // the data source is in the ODBC configuration
};

TEST(WizardJourney, EveryKindOfSourceAndSyncTypeMovesTheMappedValues) {
  JourneyWorld world;
  const int types[] = {profile::kDesktopAddsDevice, profile::kDesktopOverwritesDevice,
                       profile::kDeviceAddsDesktop, profile::kDeviceOverwritesDesktop};
  for (const Source& source : Sources()) {
    DesktopSource desktop(source, world.data() / source.name);
    for (int type : types) {
      SCOPED_TRACE(std::string(source.name) + ", sync type " + std::to_string(type));
      WizardChoices choices;
      if (!desktop.Make(choices)) {
        std::printf("%s: no server here, skipped\n", source.name);
        break;
      }
      world.PutOnHandheld(HandheldPeople());
      choices.sync_type = type;
      choices.name = "Ann's " + std::string(source.name) + " " + std::to_string(type);
      const std::string said = world.MakeProfile(choices);
      ASSERT_NE(said.find("Database Synchronization profile created successfully."),
                std::string::npos)
          << said;

      const int conduit = world.Connect();
      switch (type) {
        case profile::kDesktopAddsDevice:
          EXPECT_EQ(conduit, 0) << world.ConduitLog();
          EXPECT_EQ(world.OnHandheld(), Joined(HandheldPeople(), DesktopPeople()));
          break;
        case profile::kDesktopOverwritesDevice:
          EXPECT_EQ(conduit, 0) << world.ConduitLog();
          EXPECT_EQ(world.OnHandheld(), Sorted(DesktopPeople()));
          break;
        case profile::kDeviceAddsDesktop:
        case profile::kDeviceOverwritesDesktop:
          EXPECT_EQ(world.OnHandheld(), Sorted(HandheldPeople()));
          if (!source.writable) {
            EXPECT_EQ(conduit, 1) << "a read-only source reports the failed run";
            EXPECT_TRUE(desktop.FileUnchanged());
            break;
          }
          EXPECT_EQ(conduit, 0) << world.ConduitLog();
          EXPECT_EQ(desktop.Rows(), type == profile::kDeviceAddsDesktop
                                        ? Joined(DesktopPeople(), HandheldPeople())
                                        : Sorted(HandheldPeople()));
          break;
      }
      world.DeleteProfile(choices.name);
    }
  }

  // The CSV export reads no desktop source.
  world.PutOnHandheld(HandheldPeople());
  WizardChoices csv;
  csv.sync_type = profile::kExportCsv;
  csv.name = "Ann's export";
  world.MakeProfile(csv);
  EXPECT_EQ(world.Connect(), 0) << world.ConduitLog();
  EXPECT_EQ(world.Exported(), Sorted(HandheldPeople()));
  EXPECT_EQ(world.OnHandheld(), Sorted(HandheldPeople()));
}

}  // namespace
}  // namespace velmora::journey
