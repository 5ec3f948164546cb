// Profiles of every sync type made through the wizard's steps on a named data source, once on
// SQLite and once on a private PostgreSQL server: sync type page, property page, table page
// with a filter and a sort, mapping page and save, each profile then read back row by row
// from the profile database; then the mapping-mode wizard re-saving one of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "db/connection.h"
#include "db/odbc_result_set.h"
#include "desktop/data_source_connect.h"
#include "desktop/mapping_saver.h"
#include "desktop/sync_page_rules.h"
#include "desktop/table_page_model.h"
#include "desktop/wizard_data.h"
#include "profile/sync_settings.h"
#include "tests/desktop/desktop_world.h"
#include "tests/support/pg_server.h"

namespace velmora::desktop {
namespace {

using testing::DesktopWorld;
using velmora::testing::PgServer;
using velmora::testing::TempDir;

constexpr const char* kOverwriting =
    "Profile already exist for this user. Please select Sync Type \"Desktop Database Adds Pocket "
    "PC Contacts\" to add another profile.";

constexpr const char* kSameTarget =
    "Profile with same target table already exist. Please select Sync Type \"Pocket PC Contacts "
    "Adds Desktop Database\" to add another profile.";

// The same table on both servers; three rows, two of them with more than two visits.
constexpr const char* kCreatePeople =
    "CREATE TABLE people (id integer PRIMARY KEY, firstname varchar(50), lastname varchar(50), "
    "birthday date, visits integer);"
    "INSERT INTO people VALUES (1, 'Se\xC3\xA1n', 'O''Brien', '1971-03-17', 5);"
    "INSERT INTO people VALUES (2, 'Mia', 'Weber', NULL, 1);"
    "INSERT INTO people VALUES (3, 'Ana', 'D''Souza', '1980-12-31', 9);";

enum class Server { kSqlite, kPostgres };

std::string ServerName(const ::testing::TestParamInfo<Server>& info) {
  return info.param == Server::kSqlite ? "SQLite" : "PostgreSQL";
}

// One row of DBProfile as text, in the order of kProfileColumns.
constexpr const char* kProfileColumns =
    "ProfName, DBPath, DBType, DBDSN, SyncType, UserType, UserName, SyncOn, Day, WeekDay, "
    "ProfStatus, Query, tablename, connectionType, ID";
using Row = std::vector<std::string>;

class WizardSourcesTest : public ::testing::TestWithParam<Server> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(world_.ConnectProfiles(profiles_));
    static int made = 0;
    dsn_ = "VelmoraWizardSource" + std::to_string(++made);
    if (GetParam() == Server::kSqlite) {
      const std::string file = (source_dir_ / "people.db").string();
      const std::string command = "sqlite3 '" + file + "' \"" + kCreatePeople + "\"";
      ASSERT_EQ(std::system(command.c_str()), 0) << command;
      testing::ProcessOdbc().AddSqliteDataSource(dsn_, file);
    } else {
      PgServer& server = PgServer::Shared();
      if (!server.Available()) GTEST_SKIP() << server.SkipReason();
      ASSERT_TRUE(server.Psql(std::string("DROP TABLE IF EXISTS people;") + kCreatePeople));
      server.AddDataSource(testing::ProcessOdbc(), dsn_);
    }
  }

  PropertyPageValues Page(const std::string& name) const {
    PropertyPageValues page;
    page.prof_name = name;
    page.users = {testing::kUser};
    page.sync_on = 2;
    page.date_index = 4;
    page.day_index = 3;
    page.time = profile::TimeOfDayOnDayZero(18, 30);
    return page;
  }

  bool Connect() {
    const ConnectResult result = ConnectDataSource(
        linked_, NamedDataSource(dsn_), []() { return std::optional<Credentials>(); }, log_);
    EXPECT_EQ(result.outcome, ConnectOutcome::kConnected) << result.error_text;
    credentials_ = result.credentials;
    return result.outcome == ConnectOutcome::kConnected;
  }

  // The first two pages. Returns the refusals of the property page's Next (or Finish).
  std::vector<std::string> PropertyPages(int sync_type, const std::string& name, WizardData& data) {
    EXPECT_FALSE(
        SyncTypePageNext(false, {std::string(kEditCategoriesEntry)}, std::nullopt, {}, data));
    data.record.sync_type = sync_type;
    if (sync_type == profile::kExportCsv) {
      const FinishResult finish = PropertyPageFinish(Page(name), store_, log_, data);
      return finish.saved ? std::vector<std::string>{} : finish.messages;
    }
    if (!Connect()) return {"not connected"};
    SetDataSource(NamedDataSource(dsn_), credentials_.user, credentials_.password, data);
    data.connection_type = linked_.DatabaseKind();
    std::vector<std::string> refusals;
    for (std::string_view m : PropertyPageNext(Page(name), linked_.IsConnected(), store_, data)) {
      refusals.emplace_back(m);
    }
    return refusals;
  }

  // The table page: every field of people; desktop-to-device profiles keep the rows with more
  // than two visits, newest birthday first. Returns the refusal of its Next, if any.
  std::optional<std::string_view> TablePage(WizardData& data) {
    TablePageModel model(linked_.DatabaseKind() == db::kKindMySql);
    ConnectionColumnSource columns(linked_);
    data.record.query = model.ChooseTables({"people"}, columns);
    const auto& catalogue = model.catalogue();
    const auto field = [&](const char* name) {
      return static_cast<int>(
          std::find(catalogue.begin(), catalogue.end(), model.builder().Quote(name)) -
          catalogue.begin());
    };
    if (data.record.sync_type <= profile::kDesktopOverwritesDevice) {
      model.SetFilters({FilterEntry{0, 3, field("visits"), "2"}});
      model.SetSorts({SortEntry{1, field("birthday")}});
      data.record.query = model.Rebuild();
    }
    data.record.table_name = model.TableNameText();
    data.table_count = 1;
    data.remembered_fields = model.RememberedFields();
    return TablePageLeaveRefusal(
        1, data.record.sync_type, [&] { return store_.NewProfileConflicts(data.record); },
        linked_.IsConnected());
  }

  MappingSaveResult SaveMapping(WizardData& data, const std::vector<MappingListRow>& rows) {
    MappingSaver saver(profiles_, store_, log_);
    return saver.Save(data, rows, linked_.DatabaseKind(),
                      LinkedColumnTypes(linked_, data.record.query));
  }

  static std::vector<MappingListRow> Mapped(std::vector<std::pair<const char*, const char*>> map) {
    std::vector<MappingListRow> rows = UnmappedRows(false);
    for (const auto& [field_id, column] : map) {
      for (MappingListRow& row : rows) {
        if (row.field_id == field_id) row.column = column;
      }
    }
    return rows;
  }

  // The whole wizard for one profile; false when a page refused it (the refusal is recorded).
  bool CreateProfile(int sync_type, const std::string& name) {
    WizardData data;
    std::vector<std::string> refusals = PropertyPages(sync_type, name, data);
    if (refusals.empty() && sync_type != profile::kExportCsv) {
      if (const auto refusal = TablePage(data)) refusals.emplace_back(*refusal);
    }
    if (refusals.empty() && sync_type != profile::kExportCsv) {
      const MappingSaveResult saved =
          SaveMapping(data, Mapped({{"F2", "firstname"}, {"F4", "lastname"}, {"F45", "birthday"}}));
      EXPECT_TRUE(saved.finished && !saved.errors) << name << ": " << saved.messages.back();
      queries_.push_back(data.record.query);
    }
    linked_.Close(nullptr);
    last_refusals_ = refusals;
    return refusals.empty();
  }

  std::vector<Row> Rows(const std::string& statement, int columns) {
    std::vector<Row> out;
    db::OdbcResultSet rows;
    EXPECT_TRUE(rows.Open(profiles_, statement)) << statement;
    for (long r = 0; r < rows.RowCount() && rows.MoveToRow(r); ++r) {
      Row row;
      for (int c = 0; c < columns; ++c) row.push_back(rows.ValueText(r, c));
      out.push_back(row);
    }
    return out;
  }
  std::vector<Row> StoredProfiles() {
    return Rows(std::string("Select ") + kProfileColumns + " from DBProfile order by ProfID", 15);
  }
  std::vector<Row> StoredMapping(const std::string& prof_name) {
    return Rows(
        "Select t.FieldID, t.DBFieldName, t.DBDataType from \"Transaction\" t, DBProfile p "
        "where t.ProfID = p.ProfID and p.ProfName = '" +
            prof_name + "' order by t.FieldID",
        3);
  }

  Row DsnProfile(const std::string& name, int sync_type, const std::string& query) const {
    return {name,
            " ",
            "0",
            dsn_,
            std::to_string(sync_type),
            "1",
            testing::kUser,
            "2",
            "5",
            "3",
            "1",
            query,
            "people",
            "0",
            "0"};
  }

  DesktopWorld world_;
  TempDir source_dir_;
  std::string dsn_;
  db::Connection profiles_;
  profile::ProfileStore store_{profiles_};
  DesktopErrorLog log_{world_.app_folder()};
  db::Connection linked_{db::Program::kDesktopManager};
  Credentials credentials_;
  std::vector<std::string> queries_;
  std::vector<std::string> last_refusals_;
};

TEST_P(WizardSourcesTest, EverySyncTypeIsSavedAndReadBackRowByRow) {
  // The order in which one user may hold all six side by side.
  const struct {
    int sync_type;
    const char* name;
  } made[] = {{1, "Overwrite device"}, {0, "Add to device"}, {3, "Overwrite table"},
              {2, "Add to table"},     {4, "Idle"},          {5, "Export"}};
  for (const auto& p : made) ASSERT_TRUE(CreateProfile(p.sync_type, p.name)) << p.name;

  ASSERT_EQ(queries_.size(), 5u);
  const std::string filtered = queries_[0];
  EXPECT_NE(filtered.find(" Where \"visits\" > 2 Order By \"birthday\" DESC"), std::string::npos)
      << filtered;
  EXPECT_EQ(queries_[2], "Select * from \"people\"");
  const std::vector<Row> expected = {
      DsnProfile("Overwrite device", 1, filtered),
      DsnProfile("Add to device", 0, filtered),
      DsnProfile("Overwrite table", 3, queries_[2]),
      DsnProfile("Add to table", 2, queries_[2]),
      DsnProfile("Idle", 4, queries_[2]),
      {"Export", " ", "20", " ", "5", "1", testing::kUser, "2", "5", "3", "1", " ", " ", "0", "0"},
  };
  EXPECT_EQ(StoredProfiles(), expected);

  const std::vector<Row> mapping = {{"F2", "firstname", "SQL_CHAR"},
                                    {"F4", "lastname", "SQL_CHAR"},
                                    {"F45", "birthday", "SQL_DATE"}};
  for (const auto& p : made) {
    EXPECT_EQ(StoredMapping(p.name), p.sync_type == 5 ? std::vector<Row>{} : mapping) << p.name;
  }

  // The filtered statement runs on the source as stored and gives the two frequent visitors.
  ASSERT_TRUE(Connect());
  db::OdbcResultSet rows;
  ASSERT_TRUE(rows.Open(linked_, filtered)) << rows.ErrorReport();
  ASSERT_EQ(rows.RowCount(), 2);
  ASSERT_TRUE(rows.MoveToRow(0));
  EXPECT_EQ(rows.ValueText(0, 1), "Ana");
  ASSERT_TRUE(rows.MoveToRow(1));
  EXPECT_EQ(rows.ValueText(1, 2), "O'Brien");
}

TEST_P(WizardSourcesTest, SecondOverwritingProfilesAreRefusedAndNothingIsStored) {
  ASSERT_TRUE(CreateProfile(1, "Overwrite device"));
  ASSERT_TRUE(CreateProfile(3, "Overwrite table"));
  const std::vector<Row> before = StoredProfiles();

  EXPECT_FALSE(CreateProfile(1, "Second overwrite"));
  EXPECT_EQ(last_refusals_, std::vector<std::string>{kOverwriting});
  EXPECT_FALSE(CreateProfile(3, "Second table overwrite"));
  EXPECT_EQ(last_refusals_, std::vector<std::string>{kSameTarget});
  EXPECT_FALSE(CreateProfile(0, "Overwrite device"));
  EXPECT_EQ(last_refusals_,
            std::vector<std::string>{"Profile already exist with the same name for this user."});
  EXPECT_EQ(StoredProfiles(), before);
}

TEST_P(WizardSourcesTest, MappingModeReplacesTheMappingOrLeavesTheProfileAlone) {
  ASSERT_TRUE(CreateProfile(0, "Add to device"));
  ASSERT_TRUE(CreateProfile(2, "Add to table"));
  const std::vector<Row> profiles = StoredProfiles();
  const std::vector<Row> other_mapping = StoredMapping("Add to table");

  WizardData data;
  data.mode = WizardMode::kFieldMapping;
  data.record = store_.AllProfiles().at(0);
  data.table_count = 1;
  ASSERT_TRUE(Connect());
  std::vector<MappingListRow> shown = UnmappedRows(false);
  ShowStoredMapping(store_, data.record.prof_id, data.record.query, shown);
  EXPECT_EQ(shown, Mapped({{"F2", "firstname"}, {"F4", "lastname"}, {"F45", "birthday"}}));

  // A number column is no birthday: refused, and the stored mapping stays.
  MappingSaveResult result = SaveMapping(data, Mapped({{"F2", "firstname"}, {"F45", "visits"}}));
  EXPECT_FALSE(result.finished);
  EXPECT_EQ(result.messages,
            std::vector<std::string>{"Not a valid field mapping for Birth date field"});
  EXPECT_EQ(StoredMapping("Add to device").size(), 3u);

  result = SaveMapping(data, Mapped({{"F2", "firstname"}, {"F16", "visits"}}));
  ASSERT_TRUE(result.finished);
  EXPECT_FALSE(result.errors);
  EXPECT_EQ(StoredProfiles(), profiles);
  EXPECT_EQ(StoredMapping("Add to device"),
            (std::vector<Row>{{"F16", "visits", "SQL_INTEGER"}, {"F2", "firstname", "SQL_CHAR"}}));
  EXPECT_EQ(StoredMapping("Add to table"), other_mapping);
}

INSTANTIATE_TEST_SUITE_P(Servers, WizardSourcesTest,
                         ::testing::Values(Server::kSqlite, Server::kPostgres), ServerName);

}  // namespace
}  // namespace velmora::desktop
