// Whole conduit runs on a PostgreSQL table and columns with hostile names, carrying hostile
// contact values both ways: every value arrives exactly and the sentinel table beside it stays
// as it was.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "profile/sync_settings.h"
#include "tests/conduit/conduit_world.h"
#include "tests/proof/hostile_values.h"
#include "tests/support/pg_server.h"

namespace velmora::testing {
namespace {

// A double quote is left out of the table name, as the conduit reads table names with them
// removed; the columns have one.
const std::string kTable = "Kontakte 'O'Reilly'; 100%_ \xF0\x9F\x98\x80 \xF0\xA0\x80\x80";
const std::vector<std::string> kColumns = {"First 'Name'; --", "Läst_% \xF0\x9F\x98\x80",
                                           "Co\"mpany\"); DROP TABLE victim; --"};

class ConduitHostilePgTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    PgServer& server = PgServer::Shared();
    if (!server.Available()) GTEST_SKIP() << server.SkipReason();
    server.AddDataSource(world_.Odbc(), "VelmoraPg");
    std::string sql = "DROP TABLE IF EXISTS victim; DROP TABLE IF EXISTS " + SqlName(kTable) +
                      "; CREATE TABLE victim (v text); INSERT INTO victim VALUES ('intact');"
                      "CREATE TABLE " +
                      SqlName(kTable) + " (id serial PRIMARY KEY, " + SqlName(kColumns[0]) +
                      " text, " + SqlName(kColumns[1]) + " text, " + SqlName(kColumns[2]) +
                      " text);";
    const std::vector<std::string> rows = GetParam() == profile::kDesktopAddsDevice
                                              ? HostileValues()
                                              : std::vector<std::string>{"old"};
    for (const std::string& v : rows) {
      sql += "INSERT INTO " + SqlName(kTable) + " (" + SqlName(kColumns[0]) + ", " +
             SqlName(kColumns[1]) + ", " + SqlName(kColumns[2]) + ") VALUES (" + SqlText(v) + ", " +
             SqlText(v) + ", " + SqlText(v) + ");";
    }
    ASSERT_TRUE(server.Psql(sql));
  }

  std::vector<std::string> Lines(const std::string& sql) {
    std::string out;
    PgServer::Shared().Psql("COPY (" + sql + ") TO STDOUT", &out);
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  ConduitWorld world_;
};

TEST_P(ConduitHostilePgTest, ValuesArriveExactlyAndNothingElseRuns) {
  const std::vector<std::string> values = HostileValues();
  std::vector<std::string> expected;
  for (const std::string& v : values) expected.push_back(v + "\t" + v + "\t" + v);
  if (GetParam() == profile::kDesktopAddsDevice) {
    world_.SetDeviceContacts({});
  } else {
    std::vector<handheld::Contact> contacts;
    for (const std::string& v : values) {
      handheld::Contact contact;
      contact.fields[1] = contact.fields[3] = contact.fields[7] = v;
      contacts.push_back(contact);
    }
    world_.SetDeviceContacts(contacts);
    if (GetParam() == profile::kDeviceAddsDesktop)
      expected.insert(expected.begin(), "old\told\told");
  }
  profile::ProfileRecord record;
  record.prof_name = "Hostile";
  record.db_type = profile::kDsnDatabase;
  record.db_path = " ";
  record.db_dsn = "VelmoraPg";
  record.db_user = PgServer::Shared().User();
  record.sync_type = GetParam();
  record.query = "SELECT * FROM " + SqlName(kTable);
  record.table_name = kTable;
  world_.AddProfile(record, {{"F2", kColumns[0], "SQL_CHAR"},
                             {"F4", kColumns[1], "SQL_CHAR"},
                             {"F8", kColumns[2], "SQL_CHAR"}});
  const ConduitRun run = world_.Run();
  ASSERT_EQ(run.ending, conduit::RunEnding::kSucceeded) << world_.LogText();
  if (GetParam() == profile::kDesktopAddsDevice) {
    std::vector<std::string> device;
    for (const handheld::Contact& c : world_.DeviceContacts()) {
      device.push_back(c.fields[1] + "\t" + c.fields[3] + "\t" + c.fields[7]);
    }
    EXPECT_EQ(device, expected);
  } else {
    // COPY writes a backslash as two; none of the values has one.
    EXPECT_EQ(Lines("SELECT " + SqlName(kColumns[0]) + ", " + SqlName(kColumns[1]) + ", " +
                    SqlName(kColumns[2]) + " FROM " + SqlName(kTable) + " ORDER BY id"),
              expected);
  }
  EXPECT_EQ(Lines("SELECT v FROM victim"), std::vector<std::string>{"intact"});
}

INSTANTIATE_TEST_SUITE_P(SyncTypes, ConduitHostilePgTest,
                         ::testing::Values(profile::kDesktopAddsDevice, profile::kDeviceAddsDesktop,
                                           profile::kDeviceOverwritesDesktop));

}  // namespace
}  // namespace velmora::testing
