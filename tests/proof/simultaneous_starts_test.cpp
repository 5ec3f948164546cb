// Programs started at the same moment, many times over: conduits of one user, of which exactly
// one may run at a time while the others end with a clear status; and handhelds of many owners
// connecting at once, every one of which keeps its partnership.
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "handheld/store/attachment.h"
#include "handheld/store/handheld_layout.h"
#include "platform/registry/registry.h"
#include "profile/sync_settings.h"
#include "tests/conduit/conduit_world.h"

namespace velmora::testing {
namespace {

constexpr int kConduitRounds = 12;
constexpr int kConduitsAtOnce = 8;
constexpr int kConnectRounds = 5;
constexpr int kOwnersAtOnce = 12;

// Starts every command line at once (each child waits for the same gate, then execs) and
// returns their exit statuses in order; -1 for a child that did not exit normally.
std::vector<int> RunTogether(const std::vector<std::vector<std::string>>& commands) {
  // Every argument vector is made before the first fork: a child only reads, execs or exits.
  std::vector<std::vector<char*>> argvs;
  for (const auto& command : commands) {
    std::vector<char*>& argv = argvs.emplace_back();
    for (const auto& arg : command) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
  }
  int gate[2];
  if (::pipe(gate) != 0) return {};
  std::vector<pid_t> children;
  for (auto& argv : argvs) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::close(gate[1]);
      char byte;
      (void)!::read(gate[0], &byte, 1);  // returns when the parent closes its end
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    children.push_back(pid);
  }
  ::close(gate[0]);
  ::close(gate[1]);  // go
  std::vector<int> statuses;
  for (const pid_t pid : children) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    statuses.push_back(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
  }
  return statuses;
}

// The run markers of the log in order: 'S' where a conduit started, 'E' where its run ended.
std::string RunMarkers(const std::string& log) {
  std::vector<std::pair<std::size_t, char>> found;
  for (const auto& [text, mark] :
       {std::pair{"Before Sync : Start", 'S'}, std::pair{"Contact Conduit Ended", 'E'}}) {
    for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) {
      found.emplace_back(at, mark);
    }
  }
  std::sort(found.begin(), found.end());
  std::string marks;
  for (const auto& entry : found) marks += entry.second;
  return marks;
}

TEST(SimultaneousStarts, OneConduitRunsAtATimeAndTheOthersSaySo) {
  ConduitWorld world;
  auto people = world.MakeSqliteDatabase(
      "people.db",
      "CREATE TABLE People (ID INTEGER PRIMARY KEY, FirstName TEXT, LastName TEXT);"
      "INSERT INTO People (FirstName, LastName) VALUES ('Ann', 'Lee'), ('Bo', 'Ng');");
  profile::ProfileRecord record;
  record.prof_name = "Add to device";
  record.db_type = profile::kAccessDatabase;
  record.db_path = people.parent_path().string() + "/";
  record.db_dsn = "people.db";
  record.sync_type = profile::kDesktopAddsDevice;
  record.query = "SELECT * FROM People";
  record.table_name = "People";
  world.AddProfile(record, {{"F2", "FirstName", "SQL_CHAR"}, {"F4", "LastName", "SQL_CHAR"}});

  const std::vector<std::string> start = {(BuildDir() / "bin" / "tavrill").string(),
                                          "--unattended"};
  int runs = 0;
  for (int round = 0; round < kConduitRounds; ++round) {
    const std::vector<int> statuses =
        RunTogether(std::vector<std::vector<std::string>>(kConduitsAtOnce, start));
    ASSERT_EQ(statuses.size(), static_cast<std::size_t>(kConduitsAtOnce));
    int ran = 0;
    for (const int status : statuses) {
      EXPECT_THAT(status, ::testing::AnyOf(0, 2)) << "round " << round;  // ran, or refused
      if (status == 0) ++ran;
    }
    EXPECT_GE(ran, 1) << "round " << round;
    runs += ran;
  }
  std::string alternating;
  for (int i = 0; i < runs; ++i) alternating += "SE";
  EXPECT_EQ(RunMarkers(world.LogText()), alternating) << "two conduit runs overlapped";
  EXPECT_EQ(world.DeviceContacts().size(), static_cast<std::size_t>(2 * runs));
}

TEST(SimultaneousStarts, EveryOwnerConnectingAtOnceKeepsItsPartnership) {
  const std::string tool = (BuildDir() / "bin" / "velmora-device").string();
  for (int round = 0; round < kConnectRounds; ++round) {
    TempDir dir;
    ::setenv("VELMORA_REGISTRY", (dir.path() / "registry").c_str(), 1);
    std::vector<std::vector<std::string>> commands;
    std::set<std::string> owners;
    for (int i = 1; i <= kOwnersAtOnce; ++i) {
      const std::string owner = "Owner " + std::to_string(i);
      const auto folder = dir.path() / ("hh" + std::to_string(i));
      std::string error;
      ASSERT_TRUE(handheld::CreateHandheld(folder, owner, std::nullopt, &error)) << error;
      commands.push_back({tool, "connect", folder.string()});
      owners.insert(owner);
    }
    for (const int status : RunTogether(commands)) EXPECT_EQ(status, 0) << "round " << round;
    std::set<std::string> recorded;
    for (const auto& partner :
         registry::ListSubkeys(registry::Hive::kCurrentUser, handheld::kPartnersKey)) {
      recorded.insert(registry::ReadString(registry::Hive::kCurrentUser,
                                           std::string(handheld::kPartnersKey) + "\\" + partner,
                                           "DisplayName")
                          .value_or(""));
    }
    EXPECT_EQ(recorded, owners) << "round " << round;
  }
}

}  // namespace
}  // namespace velmora::testing
