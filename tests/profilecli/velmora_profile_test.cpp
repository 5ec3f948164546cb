// velmora-profile as a script runs it, on the profile database file and on a PostgreSQL server
// or MariaDB server (ProfileDSN, filled by `migrate`): every command with the refusals the desktop
// manager's wizard and properties pane give, the exit statuses, and a run through the conduit that
// moves the values to the handheld.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <fstream>

#include "platform/registry/registry.h"
#include "profile/profile_database.h"
#include "profile/profile_messages.h"
#include "tests/conduit/conduit_world.h"
#include "tests/support/mariadb_server.h"
#include "tests/support/pg_server.h"

namespace velmora::testing {
namespace {

using ::testing::HasSubstr;

struct Outcome {
  int status = -1;
  std::string out;  // standard output and standard error together
};

Outcome RunProfile(const std::string& arguments) {
  Outcome outcome;
  const std::string command =
      (BuildDir() / "bin" / "velmora-profile").string() + " " + arguments + " 2>&1";
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return outcome;
  char buffer[4096];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) outcome.out.append(buffer, got);
  const int status = ::pclose(pipe);
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

enum class Store { kFile, kPostgreSql, kMariaDb };

std::string StoreName(const ::testing::TestParamInfo<Store>& info) {
  switch (info.param) {
    case Store::kFile:
      return "File";
    case Store::kPostgreSql:
      return "PostgreSql";
    case Store::kMariaDb:
      return "MariaDb";
  }
  return "";
}

class VelmoraProfileTest : public ::testing::TestWithParam<Store> {
 protected:
  void SetUp() override {
    people_ = world_.MakeSqliteDatabase(
        "people.mdb",
        "CREATE TABLE People (ID INTEGER PRIMARY KEY, FirstName TEXT, LastName TEXT, Born DATE);"
        "INSERT INTO People (FirstName, LastName) VALUES ('Seán', 'O''Brien'), ('Mia', 'Weber');");
    if (GetParam() == Store::kPostgreSql) {
      PgServer& server = PgServer::Shared();
      if (!server.Available()) GTEST_SKIP() << server.SkipReason();
      server.AddDataSource(world_.Odbc(), dsn_);
      ASSERT_TRUE(
          server.Psql("DROP TABLE IF EXISTS DBProfile, \"Transaction\", PocketMaster, "
                      "CategoryMaster, DBLinks"));
    }
    if (GetParam() == Store::kMariaDb) {
      MariaDbServer& server = MariaDbServer::Shared();
      if (!server.Available()) GTEST_SKIP() << server.SkipReason();
      server.AddDataSource(world_.Odbc(), dsn_);
      ASSERT_TRUE(server.Sql(
          "DROP VIEW IF EXISTS pocketmaster; DROP TABLE IF EXISTS DBProfile, `Transaction`, "
          "PocketMaster, CategoryMaster, DBLinks"));
    }
    if (GetParam() != Store::kFile) {
      const Outcome migrate = RunProfile("migrate --to " + dsn_);
      ASSERT_EQ(migrate.status, 0) << migrate.out;
      ASSERT_EQ(profile::ReadProfileDsn(), dsn_);
    }
  }

  std::string WriteSettings(const std::string& text) {
    const std::filesystem::path file = world_.Root() / "settings.txt";
    std::ofstream(file) << text;
    return "'" + file.string() + "'";
  }

  ConduitWorld world_;
  std::filesystem::path people_;
  // A name of its own per server: the driver manager keeps what it read of a name per process.
  const std::string dsn_ = "VelmoraProfiles" + StoreName({GetParam(), 0});
};

TEST_P(VelmoraProfileTest, EveryCommandWithTheDesktopManagersRules) {
  const std::string owner = "--user '" + world_.Owner() + "'";
  const std::string source = "--source '" + people_.string() + "'";
  const std::string settings = WriteSettings(
      "# Desktop people to the handheld\n"
      "name = People\n"
      "user = " +
      world_.Owner() +
      "\n"
      "sync-type = Desktop Database Overwrites Pocket PC Contacts\n"
      "source = " +
      people_.string() +
      "\n"
      "table = People\n"
      "map First Name = FirstName\n"
      "map Last Name = LastName\n");
  const std::string shown = "'" + (world_.Root() / "shown.txt").string() + "'";
  std::filesystem::create_directories(world_.AppFolder() / "Backup");
  const std::filesystem::path backup =
      world_.AppFolder() / "Backup" / ("Backup_1_" + world_.Owner() + "_Everyone.pdb");
  struct Step {
    std::string arguments;
    int status;
    std::string output;  // a part of what it prints
  };
  const std::string duplicate =
      "Column \"LastName\" is mapped twice to Pocket PC Contacts fields\"Last Name\" and "
      "\"Company\"";
  const Step steps[] = {
      {"list", 0, "Sample Contacts to Pocket PC"},
      {"create --settings " + settings, 0, "created profile 3 \"People\""},
      {"create --settings " + settings, 1, std::string(profile::kNameTaken)},
      {"create --settings " + settings + " --name Other", 1,
       std::string(profile::kOverwritingExists)},
      {"create --settings " + settings + " --name Other --sync-type 0 --map Company=LastName", 1,
       duplicate},
      {"create --settings " + settings + " --name Other --sync-type 0 --map Birthday=LastName", 1,
       std::string(profile::kBirthdayNotDate)},
      {"create --settings " + settings + " --name Other --sync-type 0 --map 'Home tel=Phone'", 1,
       "the query has no column \"Phone\""},
      {"show People --json", 0, "{\"field\": \"Last Name\", \"column\": \"LastName\"}"},
      {"edit 3 --sync-type 4", 1, std::string(profile::kCannotChange)},
      {"edit 3 --sync-on 'Once Weekly' --weekday friday --time 7:05", 0, "changed profile 3"},
      {"show 3", 0, "sync-on = Once Weekly\nday = 1\nweekday = Friday\ntime = 7:05\n"},
      // What show writes, edit takes back: the profile is saved again as it was.
      {"show 3 > " + shown, 0, ""},
      {"edit 3 --settings " + shown, 0, "changed profile 3"},
      {"show 3", 0, "time = 7:05\ncategory = none\nsource = " + people_.string()},
      {"create " + owner + " " + source +
           " --name Adds --sync-type 0 --table People --map "
           "'E-mail=FirstName'",
       0, "created profile 4"},
      {"rename 4 People", 1, std::string(profile::kNameTaken)},
      {"rename 3 Everyone --json", 0, "{\"id\": 3, \"name\": \"Everyone\"}"},
      {"run Everyone --backup no", 0, "Synchronization Completed Successfully"},
      {"delete Everyone", 0, "deleted profile 3"},
      {"show 3", 1, "there is no profile 3"},
      {"frobnicate", 2, "unknown command"},
      {"create --sync-type 9 " + owner, 2, "sync-type takes"},
      {"edit 4 --map 'Nickname=FirstName' --map 'Nickname'", 2, "--map takes FIELD=COLUMN"},
  };
  std::ofstream(backup) << "generation 1";
  for (const Step& step : steps) {
    const Outcome outcome = RunProfile(step.arguments);
    EXPECT_EQ(outcome.status, step.status) << step.arguments << "\n" << outcome.out;
    EXPECT_THAT(outcome.out, HasSubstr(step.output)) << step.arguments;
  }
  // The run moved the desktop rows; the delete took the profile's table backups with it.
  ASSERT_EQ(world_.DeviceContacts().size(), 2u);
  EXPECT_EQ(world_.DeviceContacts()[0].fields[3], "O'Brien");
  EXPECT_FALSE(std::filesystem::exists(backup));
}

INSTANTIATE_TEST_SUITE_P(Stores, VelmoraProfileTest,
                         ::testing::Values(Store::kFile, Store::kPostgreSql, Store::kMariaDb),
                         StoreName);

}  // namespace
}  // namespace velmora::testing
