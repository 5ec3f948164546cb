// A team on one profile database on a server (PostgreSQL, MariaDB): two desktops (registries and
// application folders of their own, both naming the server in ProfileDSN) with two processes each
// creating profiles, changing their settings and stamping runs at the same moment; and two
// installers making the server's tables at the same moment.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

#include "db/connection.h"
#include "db/odbc_result_set.h"
#include "profile/profile_database.h"
#include "profile/profile_ids.h"
#include "profile/profile_schema.h"
#include "profile/profile_store.h"
#include "profile/server_session.h"
#include "tests/support/mariadb_server.h"
#include "tests/support/odbc_env.h"
#include "tests/support/pg_server.h"
#include "tests/support/temp_dir.h"

namespace velmora::testing {
namespace {

constexpr int kProcesses = 4;
constexpr int kWritesPerProcess = 250;

struct Counts {
  int done = 0;
  int refused = 0;
};

enum class Server { kPostgreSql, kMariaDb };

std::string ServerName(const ::testing::TestParamInfo<Server>& info) {
  return info.param == Server::kPostgreSql ? "PostgreSql" : "MariaDb";
}

class TeamTest : public ::testing::TestWithParam<Server> {
 protected:
  // A name of its own per server: the driver manager keeps what it read of a name per process.
  const std::string kDsn = "VelmoraTeam" + ServerName({GetParam(), 0});

  void SetUp() override {
    if (GetParam() == Server::kPostgreSql) {
      PgServer& server = PgServer::Shared();
      if (!server.Available()) GTEST_SKIP() << server.SkipReason();
      server.AddDataSource(odbc_, kDsn);
      ASSERT_TRUE(server.Psql(
          "DROP TABLE IF EXISTS DBProfile, \"Transaction\", PocketMaster, CategoryMaster, "
          "DBLinks"));
    } else {
      MariaDbServer& server = MariaDbServer::Shared();
      if (!server.Available()) GTEST_SKIP() << server.SkipReason();
      server.AddDataSource(odbc_, kDsn);
      ASSERT_TRUE(server.Sql(
          "DROP VIEW IF EXISTS pocketmaster; DROP TABLE IF EXISTS DBProfile, `Transaction`, "
          "PocketMaster, CategoryMaster, DBLinks"));
    }
    if (const char* old = std::getenv("VELMORA_REGISTRY")) saved_registry_ = old;
  }
  void TearDown() override {
    if (saved_registry_.empty()) {
      ::unsetenv("VELMORA_REGISTRY");
    } else {
      ::setenv("VELMORA_REGISTRY", saved_registry_.c_str(), 1);
    }
  }

  // The desktop's own registry, naming the server.
  void UseDesktop(int desktop) {
    const std::filesystem::path folder = dir_.path() / ("desktop" + std::to_string(desktop));
    std::filesystem::create_directories(folder / "app");
    ::setenv("VELMORA_REGISTRY", (folder / "registry").c_str(), 1);
  }

  // The single number a query gives, from the server's command-line client.
  std::string Query(const std::string& sql) {
    std::string out;
    if (GetParam() == Server::kPostgreSql) {
      PgServer::Shared().Psql(sql, &out);
    } else {
      MariaDbServer::Shared().Sql(sql, &out);
    }
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
      line.erase(0, line.find_first_not_of(' '));
      if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos) return line;
    }
    return out;
  }

  OdbcEnvironment odbc_;
  TempDir dir_;
  std::string saved_registry_;
};

// One process of a desktop: creates a profile, changes its schedule, stamps a run of a shared
// profile, in turn; every write through the programs' own profile database code.
Counts Work(int process, const std::filesystem::path& app_folder) {
  Counts counts;
  db::Connection connection(db::Program::kDesktopManager);
  if (!profile::OpenProfileDatabase(connection, db::kProfileDsnDesktop, app_folder, nullptr)) {
    counts.refused = kWritesPerProcess;
    return counts;
  }
  profile::ProfileStore store(connection);
  std::vector<long> mine;
  for (int i = 0; i < kWritesPerProcess; ++i) {
    bool ok = false;
    if (i % 3 == 0 || mine.empty()) {
      profile::ProfileRecord record;
      record.prof_name = "p" + std::to_string(process) + "-" + std::to_string(i);
      record.user_name = "Team " + std::to_string(process % 2);
      record.sync_type = 4;
      std::string error;
      ok = profile::InsertNewProfile(store, record, &error);
      if (ok) mine.push_back(record.prof_id);
    } else if (i % 3 == 1) {
      std::optional<profile::ProfileRecord> record = store.Profile(mine.back());
      if (record) {
        record->sync_on = i % 5;
        ok = store.UpdateSyncSettings(*record);
      }
    } else {
      ok = store.RecordRun(1 + process % 2, {2026, 12, 8, 17, i / 60, i % 60});
    }
    ++(ok ? counts.done : counts.refused);
  }
  return counts;
}

TEST_P(TeamTest, FourProcessesOnTwoDesktopsLoseNothing) {
  // The first installer makes the tables; then both desktops name the server.
  for (int desktop = 0; desktop < 2; ++desktop) {
    UseDesktop(desktop);
    ASSERT_TRUE(profile::WriteProfileDsn(kDsn));
  }
  {
    db::Connection setup;
    std::string error;
    ASSERT_TRUE(profile::ConnectProfileServer(setup, kDsn, &error)) << error;
    ASSERT_EQ(profile::EnsureProfileSchema(setup, true, &error), profile::SchemaOutcome::kCreated)
        << error;
  }
  std::vector<std::pair<pid_t, std::filesystem::path>> children;
  for (int process = 0; process < kProcesses; ++process) {
    const int desktop = process % 2;
    UseDesktop(desktop);
    const std::filesystem::path result = dir_.path() / ("counts" + std::to_string(process));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      const Counts counts =
          Work(process, dir_.path() / ("desktop" + std::to_string(desktop)) / "app");
      std::ofstream(result) << counts.done << " " << counts.refused;
      ::_exit(0);
    }
    children.emplace_back(child, result);
  }
  Counts total;
  for (const auto& [child, result] : children) {
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    Counts counts;
    std::ifstream(result) >> counts.done >> counts.refused;
    total.done += counts.done;
    total.refused += counts.refused;
  }
  const int created = kProcesses * ((kWritesPerProcess + 2) / 3);
  std::printf("team (%s): %d writes done, %d refused; %s profiles stored of %d created, %s ids\n",
              ServerName({GetParam(), 0}).c_str(), total.done, total.refused,
              Query("SELECT count(*) FROM DBProfile WHERE SyncType=4").c_str(), created,
              Query("SELECT count(DISTINCT ProfID) FROM DBProfile WHERE SyncType=4").c_str());
  EXPECT_EQ(total.done, kProcesses * kWritesPerProcess);
  EXPECT_EQ(total.refused, 0);
  EXPECT_EQ(Query("SELECT count(*) FROM DBProfile WHERE SyncType=4"), std::to_string(created));
  EXPECT_EQ(Query("SELECT count(DISTINCT ProfName) FROM DBProfile WHERE SyncType=4"),
            std::to_string(created));
}

TEST_P(TeamTest, TwoInstallersAtOnceMakeTheTablesOnce) {
  std::vector<std::FILE*> runs;
  for (int desktop = 0; desktop < 2; ++desktop) {
    UseDesktop(desktop);
    const std::string command =
        (BuildDir() / "bin" / "installer").string() + " --profile-dsn " + kDsn + " 2>&1";
    runs.push_back(::popen(command.c_str(), "r"));
    ASSERT_NE(runs.back(), nullptr);
  }
  int made = 0;
  for (std::FILE* run : runs) {
    std::string out;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, run) != nullptr) out += buffer;
    const int status = ::pclose(run);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << out;
    made += out.find("were made") != std::string::npos ? 1 : 0;
  }
  EXPECT_EQ(made, 1);
  EXPECT_EQ(Query("SELECT count(*) FROM PocketMaster"), "46");
  EXPECT_EQ(Query("SELECT count(*) FROM DBProfile"), "2");
  const std::string mappings =
      GetParam() == Server::kPostgreSql ? "\"Transaction\"" : "`Transaction`";
  EXPECT_EQ(Query("SELECT count(*) FROM (SELECT ProfID FROM " + mappings +
                  " GROUP BY ProfID, FieldID HAVING count(*) > 1) twice"),
            "0");
  // Each desktop now names the server.
  for (int desktop = 0; desktop < 2; ++desktop) {
    UseDesktop(desktop);
    EXPECT_EQ(profile::ReadProfileDsn(), kDsn);
  }
}

INSTANTIATE_TEST_SUITE_P(Servers, TeamTest,
                         ::testing::Values(Server::kPostgreSql, Server::kMariaDb), ServerName);

}  // namespace
}  // namespace velmora::testing
