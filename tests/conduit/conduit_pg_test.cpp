// Whole conduit runs on a PostgreSQL data source (a DSN profile): both directions, and the
// overwrite of a table whose rows partly fail, which must still keep the delete and the good rows
// together in one transaction.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "profile/sync_settings.h"
#include "tests/conduit/conduit_world.h"
#include "tests/support/pg_server.h"

namespace velmora::testing {
namespace {

using ::testing::HasSubstr;

const std::vector<Mapping> kMappings = {{"F2", "firstname", "SQL_CHAR"},
                                        {"F4", "lastname", "SQL_CHAR"},
                                        {"F45", "birthday", "SQL_DATE"}};

class ConduitPgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PgServer& server = PgServer::Shared();
    if (!server.Available()) GTEST_SKIP() << server.SkipReason();
    server.AddDataSource(world_.Odbc(), "VelmoraPg");
    ASSERT_TRUE(server.Psql(
        "DROP TABLE IF EXISTS people; CREATE TABLE people (id serial PRIMARY KEY, "
        "firstname varchar(50), lastname varchar(50) NOT NULL, birthday date, visits integer);"
        "INSERT INTO people (firstname, lastname, birthday) VALUES "
        "('Seán', 'O''Brien', '1971-03-17'), ('Mia', 'Weber', NULL);"));
  }

  long AddProfile(const std::string& name, int sync_type) {
    profile::ProfileRecord record;
    record.prof_name = name;
    record.db_type = profile::kDsnDatabase;
    record.db_path = " ";
    record.db_dsn = "VelmoraPg";
    record.db_user = PgServer::Shared().User();
    record.sync_type = sync_type;
    record.query = "SELECT * FROM people";
    record.table_name = "people";
    return world_.AddProfile(record, kMappings);
  }

  std::vector<std::string> People() {
    std::string out;
    PgServer::Shared().Psql(
        "COPY (SELECT firstname, lastname, coalesce(birthday::text, '-') FROM people ORDER BY id)"
        " TO STDOUT",
        &out);
    std::vector<std::string> rows;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) rows.push_back(line);
    return rows;
  }

  ConduitWorld world_;
};

TEST_F(ConduitPgTest, DesktopAddsToTheHandheld) {
  AddProfile("From Postgres", profile::kDesktopAddsDevice);
  ConduitRun run = world_.Run();
  ASSERT_EQ(run.ending, conduit::RunEnding::kSucceeded) << world_.LogText();
  std::vector<handheld::Contact> contacts = world_.DeviceContacts();
  ASSERT_EQ(contacts.size(), 2u);
  EXPECT_EQ(contacts[0].fields[3], "O'Brien");
  EXPECT_EQ(contacts[0].fields[44], "1971-03-17");
  EXPECT_EQ(contacts[1].fields[1], "Mia");
}

TEST_F(ConduitPgTest, HandheldAddsToTheTable) {
  world_.SetDeviceContacts({MakeContact("Ana", "D'Souza", "", "1980-12-31")});
  AddProfile("To Postgres", profile::kDeviceAddsDesktop);
  ConduitRun run = world_.Run();
  ASSERT_EQ(run.ending, conduit::RunEnding::kSucceeded) << world_.LogText();
  EXPECT_EQ(People(), (std::vector<std::string>{"Seán\tO'Brien\t1971-03-17", "Mia\tWeber\t-",
                                                "Ana\tD'Souza\t1980-12-31"}));
}

TEST_F(ConduitPgTest, OverwriteKeepsTheGoodRowsWhenOneFails) {
  // The middle contact has no last name, which the table refuses.
  world_.SetDeviceContacts({MakeContact("Ana", "Li"), MakeContact("No", ""),
                            MakeContact("Bo", "Chen", "", "2001-02-03")});
  long id = AddProfile("Overwrite Postgres", profile::kDeviceOverwritesDesktop);
  ConduitRun run = world_.Run();
  EXPECT_EQ(run.ending, conduit::RunEnding::kFailed);
  EXPECT_EQ(People(), (std::vector<std::string>{"Ana\tLi\t-", "Bo\tChen\t2001-02-03"}));
  const std::string log = world_.LogText();
  EXPECT_THAT(log, HasSubstr("\r\n\tRecords Deleted Successfully."));
  EXPECT_THAT(log, HasSubstr("\r\n\tError in record transfer.\r\n\tTable : people \r\n\tRow : 2"));
  EXPECT_EQ(world_.StoredProfile(id).prof_status, 1);
}

TEST_F(ConduitPgTest, OverwriteWithTheStatementWriter) {
  world_.SetDeviceContacts({MakeContact("Ana", "O'Neil", "", "1980-12-31")});
  AddProfile("Statements", profile::kDeviceOverwritesDesktop);
  conduit::RunSettings settings;
  settings.force_statement_writer = true;
  ConduitRun run = world_.Run(false, settings);
  ASSERT_EQ(run.ending, conduit::RunEnding::kSucceeded) << world_.LogText();
  EXPECT_EQ(People(), std::vector<std::string>{"Ana\tO'Neil\t1980-12-31"});
}

}  // namespace
}  // namespace velmora::testing
