// A profile's mapping as the desktop-to-device run applies it: mapped names stored bare, or
// between double quotes as earlier profiles hold them, move the same values field by field; a
// mapping that matches none of the query's columns, or only columns without values, sends
// nothing and ends the run with the error ending.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlext.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>

#include "db/odbc_handles.h"
#include "db/sql_literal.h"
#include "db/statements.h"
#include "profile/sync_settings.h"
#include "tests/conduit/conduit_world.h"

namespace velmora::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr const char* kPeopleSql =
    "CREATE TABLE People (ID INTEGER PRIMARY KEY, FirstName VARCHAR(50), \"Last Name\" "
    "VARCHAR(50), \"E-mail\" VARCHAR(80), \"Work tel\" VARCHAR(30), Spare VARCHAR(10));"
    "INSERT INTO People (FirstName, \"Last Name\", \"E-mail\", \"Work tel\") VALUES"
    " ('Seán', 'O''Brien', 'sean@example.org', '+353 1 555 0101'),"
    " ('Mia', 'Weber', 'mia@example.de', '030 555 0199');";

// Device field index (field code - 1) and the column that feeds it.
struct Fed {
  int field;
  const char* field_id;
  const char* column;
};
const std::vector<Fed> kFed = {
    {1, "F2", "FirstName"}, {3, "F4", "Last Name"}, {19, "F20", "E-mail"}, {8, "F9", "Work tel"}};
const std::vector<std::vector<std::string>> kValues = {
    {"Seán", "O'Brien", "sean@example.org", "+353 1 555 0101"},
    {"Mia", "Weber", "mia@example.de", "030 555 0199"}};

// A world with the People table and two contacts on the handheld, and a profile over the table.
struct PeopleWorld {
  explicit PeopleWorld(int sync_type, const std::vector<Mapping>& mappings) {
    world.MakeSqliteDatabase("people.db", kPeopleSql);
    world.SetDeviceContacts({MakeContact("Old", "Friend"), MakeContact("Other", "Person")});
    profile::ProfileRecord record;
    record.prof_name = "People";
    record.db_type = profile::kAccessDatabase;
    record.db_path = (world.Root() / "data").string() + "/";
    record.db_dsn = "people.db";
    record.sync_type = sync_type;
    record.query = "SELECT * FROM \"People\"";
    record.table_name = "People";
    prof_id = world.AddProfile(record, mappings);
  }
  ConduitWorld world;
  long prof_id = 0;
};

TEST(ConduitMappingForms, BareAndQuotedNamesMoveEveryMappedField) {
  for (bool quoted : {false, true}) {
    for (int sync_type : {profile::kDesktopAddsDevice, profile::kDesktopOverwritesDevice}) {
      SCOPED_TRACE(std::string(quoted ? "quoted" : "bare") + " names, type " +
                   std::to_string(sync_type));
      std::vector<Mapping> mappings;
      for (const Fed& fed : kFed) {
        mappings.push_back(
            {fed.field_id, quoted ? db::QuoteIdentifier(fed.column) : fed.column, "SQL_CHAR"});
      }
      PeopleWorld people(sync_type, mappings);
      ConduitWorld& world = people.world;

      ConduitRun run = world.Run();
      ASSERT_EQ(run.ending, conduit::RunEnding::kSucceeded) << world.LogText();
      std::vector<handheld::Contact> contacts = world.DeviceContacts();
      const std::size_t kept = sync_type == profile::kDesktopAddsDevice ? 2 : 0;
      ASSERT_EQ(contacts.size(), kept + kValues.size());
      for (std::size_t person = 0; person < kValues.size(); ++person) {
        for (std::size_t f = 0; f < kFed.size(); ++f) {
          EXPECT_EQ(contacts[kept + person].fields[static_cast<std::size_t>(kFed[f].field)],
                    kValues[person][f])
              << kFed[f].column;
        }
      }
    }
  }
}

TEST(ConduitMappingForms, QuotedNamesBringTheHandheldContactsIntoTheTable) {
  for (int sync_type : {profile::kDeviceAddsDesktop, profile::kDeviceOverwritesDesktop}) {
    SCOPED_TRACE("type " + std::to_string(sync_type));
    std::vector<Mapping> mappings;
    for (const Fed& fed : kFed) {
      mappings.push_back({fed.field_id, db::QuoteIdentifier(fed.column), "SQL_CHAR"});
    }
    PeopleWorld people(sync_type, mappings);
    ConduitWorld& world = people.world;
    world.SetDeviceContacts({MakeContact("Zo\xC3\xAB", "\xC3\x93 Briain")});
    ConduitRun run = world.Run();
    ASSERT_EQ(run.ending, conduit::RunEnding::kSucceeded) << world.LogText();
    std::vector<std::string> expected = {"Zo\xC3\xAB|\xC3\x93 Briain"};
    if (sync_type == profile::kDeviceAddsDesktop) {
      expected.insert(expected.begin(), {"Se\xC3\xA1n|O'Brien", "Mia|Weber"});
    }
    EXPECT_EQ(SqliteRows(world.Root() / "data" / "people.db",
                         "SELECT FirstName, \"Last Name\" FROM People ORDER BY ID"),
              expected);
  }
}

TEST(ConduitMapping, QueryChoosingSomeColumnsFeedsEachFieldFromItsOwnColumn) {
  PeopleWorld people(profile::kDesktopOverwritesDevice,
                     {{"F2", "FirstName", "SQL_CHAR"}, {"F20", "E-mail", "SQL_CHAR"}});
  ConduitWorld& world = people.world;
  ASSERT_TRUE(db::Succeeded(db::Execute(
      world.ProfileDb(), "UPDATE DBProfile SET Query='SELECT \"E-mail\", FirstName FROM People'")));
  ConduitRun run = world.Run();
  ASSERT_EQ(run.ending, conduit::RunEnding::kSucceeded) << world.LogText();
  std::vector<handheld::Contact> contacts = world.DeviceContacts();
  ASSERT_EQ(contacts.size(), 2u);
  EXPECT_EQ(contacts[1].fields[1], "Mia");
  EXPECT_EQ(contacts[1].fields[19], "mia@example.de");
}

TEST(ConduitMapping, PartlyMatchingMappingLogsTheNamesItCannotFind) {
  PeopleWorld people(profile::kDesktopAddsDevice,
                     {{"F2", "FirstName", "SQL_CHAR"}, {"F4", "\"Surname\"", "SQL_CHAR"}});
  ConduitRun run = people.world.Run();
  const std::string log = people.world.LogText();
  EXPECT_EQ(run.ending, conduit::RunEnding::kSucceeded) << log;
  EXPECT_THAT(log, HasSubstr("\r\n\tMapped column not found in the query: Surname"));
  std::vector<handheld::Contact> contacts = people.world.DeviceContacts();
  ASSERT_EQ(contacts.size(), 4u);
  EXPECT_EQ(contacts[3].fields[1], "Mia");
}

TEST(ConduitMapping, MappingThatMovesNothingSendsNothing) {
  struct Case {
    const char* what;
    int sync_type;
    std::vector<Mapping> mappings;
    std::vector<std::string> logged;
  };
  const std::vector<Case> cases = {
      {"no column of the mapping is in the query",
       profile::kDesktopOverwritesDevice,
       {{"F2", "Vorname", "SQL_CHAR"}, {"F4", "\"Nachname\"", "SQL_CHAR"}},
       {"\r\n\tMapped column not found in the query: Vorname",
        "\r\n\tMapped column not found in the query: Nachname",
        "\r\n\tNone of the mapped columns is in the query: nothing is transferred"}},
      {"no mapping rows",
       profile::kDesktopAddsDevice,
       {},
       {"\r\n\tThe profile maps no column: nothing is transferred"}},
      {"the mapped column holds no values",
       profile::kDesktopOverwritesDevice,
       {{"F2", "Spare", "SQL_CHAR"}},
       {"\r\n\tEvery contact would be empty: the Pocket PC contacts are not replaced"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PeopleWorld people(c.sync_type, c.mappings);
    ConduitWorld& world = people.world;
    ConduitRun run = world.Run();
    EXPECT_EQ(run.ending, conduit::RunEnding::kFailed);
    const std::string log = world.LogText();
    for (const std::string& line : c.logged) EXPECT_THAT(log, HasSubstr(line));
    EXPECT_THAT(log, Not(HasSubstr("Transfered to Device")));
    std::vector<handheld::Contact> contacts = world.DeviceContacts();
    ASSERT_EQ(contacts.size(), 2u);
    EXPECT_EQ(contacts[0].fields[3], "Friend");
    EXPECT_EQ(world.StoredProfile(people.prof_id).prof_status, 1);
  }
}

// The statements on the profile database's tables in a driver-manager trace, without the row
// counts that a result set takes of each.
std::vector<std::string> ProfileStatements(const std::filesystem::path& trace) {
  std::vector<std::string> statements;
  std::ifstream in(trace);
  for (std::string line; std::getline(in, line);) {
    const std::size_t sql = line.find("SQL = [");
    if (sql == std::string::npos) continue;
    const std::string statement = line.substr(sql + 7);
    if (statement.starts_with("SELECT COUNT(*) FROM (")) continue;  // the trace cuts it short
    std::string lower = statement;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const bool on_profile_table = std::ranges::any_of(
        std::array{"dbprofile", "transaction", "categorymaster", "pocketmaster"},
        [&](const char* table) { return lower.find(table) != std::string::npos; });
    if (on_profile_table) statements.push_back(statement);
  }
  return statements;
}

// Statements the synchronization of a type-1 profile sends to the profile database, from the
// backup question to the stamp of the run; `fields` columns of one row, each mapped.
std::vector<std::string> StatementsOfARun(int fields) {
  ConduitWorld world;
  std::string columns;
  std::string values;
  std::vector<Mapping> mappings;
  for (int f = 1; f <= fields; ++f) {
    const std::string column = "c" + std::to_string(f);
    columns += (f > 1 ? ", " : "") + column + " TEXT";
    values += (f > 1 ? ", '" : "'") + column + "'";
    mappings.push_back({"F" + std::to_string(f), column, "SQL_CHAR"});
  }
  world.MakeSqliteDatabase(
      "wide.db", "CREATE TABLE Wide (" + columns + "); INSERT INTO Wide VALUES (" + values + ");");
  profile::ProfileRecord record;
  record.prof_name = "Wide";
  record.db_type = profile::kAccessDatabase;
  record.db_path = (world.Root() / "data").string() + "/";
  record.db_dsn = "wide.db";
  record.sync_type = profile::kDesktopOverwritesDevice;
  record.query = "SELECT * FROM \"Wide\"";
  record.table_name = "Wide";
  world.AddProfile(record, mappings);
  const std::filesystem::path trace = world.Root() / "odbc-trace.log";
  SQLHDBC connection = world.ProfileDb().Handle();
  world.before_synchronize = [&] {
    SQLSetConnectAttr(connection, SQL_ATTR_TRACEFILE, const_cast<char*>(trace.c_str()), SQL_NTS);
    SQLSetConnectAttr(connection, SQL_ATTR_TRACE, reinterpret_cast<SQLPOINTER>(SQL_OPT_TRACE_ON),
                      0);
  };
  const ConduitRun run = world.Run();
  SQLSetConnectAttr(connection, SQL_ATTR_TRACE, reinterpret_cast<SQLPOINTER>(SQL_OPT_TRACE_OFF), 0);
  EXPECT_EQ(run.ending, conduit::RunEnding::kSucceeded) << world.LogText();
  EXPECT_EQ(world.DeviceContacts().size(), 1u);
  return ProfileStatements(trace);
}

// A run reads the profile row, its mapping and the mapping's count once, whatever the number
// of fields, and writes its stamp; the backup question counts the overwriting profiles.
TEST(ConduitMapping, ARunReadsTheProfileDatabaseAFixedNumberOfTimes) {
  const std::vector<std::string> one_field = StatementsOfARun(1);
  const std::vector<std::string> every_field = StatementsOfARun(46);
  EXPECT_EQ(one_field.size(), every_field.size());
  EXPECT_LE(every_field.size(), 5u) << ::testing::PrintToString(every_field);
}

}  // namespace
}  // namespace velmora::testing
