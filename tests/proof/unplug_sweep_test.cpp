// The handheld going away in the middle of a conduit run: the link dropped at byte offsets
// spread over every copy of the run, and the handheld detached while the agent runs. Each run
// is a child process under a watchdog; it must end on its own (well within the agent time-out),
// with the error ending in the log, and leave the desktop table, the profile, the exported
// CSV file and the backups either as they were or as a whole run leaves them.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <optional>
#include <set>
#include <thread>

#include "conduit/backups.h"
#include "device/device_agent.h"
#include "handheld/store/attachment.h"
#include "handheld/store/device_registry.h"
#include "handheld/store/link_state.h"
#include "profile/profile_store.h"
#include "profile/sync_settings.h"
#include "tests/conduit/conduit_world.h"
#include "transfer/pdb_reader.h"

namespace velmora::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr const char* kPeopleSql =
    "CREATE TABLE People (ID INTEGER PRIMARY KEY, FirstName VARCHAR(50), LastName VARCHAR(50));"
    "INSERT INTO People (FirstName, LastName) VALUES ('Seán', 'O''Brien'), ('Mia', 'Weber');";

const std::vector<Mapping> kMappings = {{"F2", "FirstName", "SQL_CHAR"},
                                        {"F4", "LastName", "SQL_CHAR"}};

constexpr const char* kErrorEnding =
    "An error occured while syncing, please see above log and verify your database contents "
    "using Desktop application.\r\nYou can view Backup data and can restore synced data from "
    "desktop application.\r\n\r\n";
constexpr const char* kSuccessEnding = "Synchronization completed successfully.";
constexpr std::uint32_t kAgentTimeoutSeconds = 1;
// Far beyond any run here; firing means the run hung.
constexpr auto kWatchdog = std::chrono::seconds(40);

enum class ChildEnding { kSucceeded = 0, kFailed = 1, kNoEnding = 2, kHung = 3, kCrashed = 4 };

// What the desktop and the handheld hold between runs.
struct Snapshot {
  std::vector<std::string> people;
  std::multiset<std::string> device;
  profile::ProfileRecord profile;
  std::optional<std::string> csv_export;
  std::optional<std::string> device_backup;
  std::vector<std::optional<std::string>> custom_backups;  // generations 1 to 4
  friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

std::optional<std::string> FileIfAny(const std::filesystem::path& file) {
  if (!std::filesystem::exists(file)) return std::nullopt;
  return ReadFileBytes(file);
}

// The number of contacts in a PDB file that reads whole; none for a missing or broken one.
std::optional<long> WholePdbRecords(const std::optional<std::string>& bytes) {
  transfer::PdbReader reader;
  if (!bytes || !reader.OpenBytes(*bytes) || !reader.IsContactFile()) return std::nullopt;
  return reader.RecordCount();
}

struct SweepCase {
  const char* name;
  int sync_type;
  bool device_backup;  // answer yes to the backup question (overwrite of the device)
};

void PrintTo(const SweepCase& c, std::ostream* out) {
  *out << c.name;
}

class UnplugSweepTest : public ::testing::TestWithParam<SweepCase> {
 protected:
  void SetUp() override {
    people_ = world_.MakeSqliteDatabase("people.db", kPeopleSql);
    world_.SetAgentTimeoutSeconds(kAgentTimeoutSeconds);
    profile::ProfileRecord record;
    record.prof_name = "Sweep";
    record.sync_type = GetParam().sync_type;
    if (record.sync_type == profile::kExportCsv) {
      record.db_type = profile::kNoDatabase;
      record.query = " ";
      prof_id_ = world_.AddProfile(record, {});
    } else {
      record.db_type = profile::kAccessDatabase;
      record.db_path = people_.parent_path().string() + "/";
      record.db_dsn = "people.db";
      record.query = "SELECT * FROM \"People\"";
      record.table_name = "People";
      prof_id_ = world_.AddProfile(record, kMappings);
    }
    initial_profile_ = world_.StoredProfile(prof_id_);
    Reset();
  }

  // Puts the desktop table, the handheld and the profile back as the first run found them;
  // the backups and the CSV export are left to accumulate, as they do in use.
  void Reset() {
    handheld::AttachHandheld(world_.Handheld());
    auto link = handheld::LinkState::Open(world_.Handheld(), true);
    ASSERT_TRUE(link && link->ClearFaults());
    auto registry = handheld::DeviceRegistry::Open(world_.Handheld(), false);
    ASSERT_TRUE(registry);
    for (const char* name : {"SyncFlag", "Flag"}) {
      registry->WriteDword(handheld::DeviceRoot::kClassesRoot, device::kAgentKey, name, 0);
    }
    std::filesystem::remove(people_);
    world_.MakeSqliteDatabase("people.db", kPeopleSql);
    world_.SetDeviceContacts({MakeContact("Dev", "Ice"), MakeContact("Hand", "Held")});
    profile::ProfileStore store(world_.ProfileDb());
    ASSERT_TRUE(store.RecordRun(prof_id_, initial_profile_.last_sync_date_time));
    ASSERT_TRUE(store.RenameProfile(prof_id_, initial_profile_.prof_name));
    world_.SetAgentTimeoutSeconds(kAgentTimeoutSeconds);
  }

  Snapshot Take() {
    Snapshot s;
    s.people = SqliteRows(people_, "SELECT FirstName, LastName FROM People ORDER BY ID");
    for (const handheld::Contact& c : world_.DeviceContacts()) {
      s.device.insert(c.fields[1] + "|" + c.fields[3]);
    }
    s.profile = world_.StoredProfile(prof_id_);
    s.csv_export = FileIfAny(world_.AppFolder() / "ContactDatabase.csv");
    s.device_backup = FileIfAny(conduit::DeviceBackupPath(world_.AppFolder()));
    for (int g = 1; g <= conduit::kBackupGenerations; ++g) {
      s.custom_backups.push_back(
          FileIfAny(conduit::CustomBackupPath(world_.AppFolder(), world_.Owner(), "Sweep", g)));
    }
    return s;
  }

  std::uint64_t BytesCrossed() {
    auto link = handheld::LinkState::Open(world_.Handheld(), false);
    return link ? link->BytesCrossed() : 0;
  }

  // One conduit run in a child process; SIGKILL when the watchdog fires.
  ChildEnding RunChild() {
    const pid_t pid = ::fork();
    if (pid == 0) {
      ConduitRun run = world_.Run(GetParam().device_backup);
      ::_exit(!run.ending ? 2 : run.ending == conduit::RunEnding::kSucceeded ? 0 : 1);
    }
    const auto deadline = std::chrono::steady_clock::now() + kWatchdog;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return ChildEnding::kHung;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    last_run_time_ = std::chrono::steady_clock::now() - (deadline - kWatchdog);
    if (!WIFEXITED(status)) return ChildEnding::kCrashed;
    return static_cast<ChildEnding>(WEXITSTATUS(status));
  }

  // The run's log (what it appended) and the state it left, against the state before it and
  // the state a whole run leaves.
  void ExpectWholeOrNothing(ChildEnding ending, const Snapshot& before, const Snapshot& whole,
                            std::size_t log_start, const std::string& what) {
    SCOPED_TRACE(what);
    ASSERT_NE(ending, ChildEnding::kHung) << "the run did not end";
    ASSERT_NE(ending, ChildEnding::kCrashed);
    ASSERT_NE(ending, ChildEnding::kNoEnding);
    const std::string log = world_.LogText().substr(log_start);
    const Snapshot after = Take();
    EXPECT_THAT(log, HasSubstr("\r\nContact Conduit Ended "));
    if (ending == ChildEnding::kSucceeded) {
      EXPECT_THAT(log, HasSubstr(kSuccessEnding));
      EXPECT_EQ(after.people, whole.people);
      EXPECT_EQ(after.device, whole.device);
      EXPECT_EQ(after.profile.prof_status, profile::kStatusSynchronized);
    } else {
      EXPECT_THAT(log, HasSubstr(std::string(kErrorEnding) + "\r\n" + std::string(110, '=')));
      EXPECT_THAT(log, Not(HasSubstr(kSuccessEnding)));
      EXPECT_TRUE(after.people == before.people || after.people == whole.people)
          << ::testing::PrintToString(after.people);
      EXPECT_TRUE(after.device == before.device || after.device == whole.device)
          << ::testing::PrintToString(after.device);
      EXPECT_EQ(after.profile, before.profile) << "a failed run is not marked as synchronized";
      // A backup taken before the failure stands whole; otherwise the previous one stays.
      if (after.device_backup != before.device_backup) {
        EXPECT_TRUE(WholePdbRecords(after.device_backup).has_value());
        EXPECT_EQ(WholePdbRecords(after.device_backup), WholePdbRecords(whole.device_backup));
      }
    }
    EXPECT_TRUE(after.csv_export == before.csv_export || after.csv_export == whole.csv_export)
        << "the export is the previous one or a whole new one";
    ExpectRotatedOrKept(before.custom_backups, after.custom_backups);
  }

  // Either no backup was taken, or every earlier generation moved up by one and a new first
  // generation stands whole in front.
  static void ExpectRotatedOrKept(const std::vector<std::optional<std::string>>& before,
                                  const std::vector<std::optional<std::string>>& after) {
    if (after == before) return;
    ASSERT_TRUE(after[0].has_value());
    EXPECT_FALSE(after[0]->empty());
    for (std::size_t g = 0; g + 1 < before.size(); ++g) {
      EXPECT_EQ(after[g + 1], before[g]) << "generation " << g + 1 << " moved up unchanged";
    }
  }

  ConduitWorld world_;
  std::chrono::steady_clock::duration last_run_time_{};
  std::filesystem::path people_;
  long prof_id_ = 0;
  profile::ProfileRecord initial_profile_;
};

// Offsets spread over the run's bytes: the first few bytes (the category line), then evenly up
// to the last byte, so that every copy is cut at several points.
std::vector<std::uint64_t> UnplugPoints(std::uint64_t total) {
  std::set<std::uint64_t> points = {0, 2};
  constexpr int kSpread = 8;
  for (int k = 1; k <= kSpread; ++k) points.insert(total * k / (kSpread + 1));
  if (total > 0) points.insert(total - 1);
  std::vector<std::uint64_t> out;
  for (std::uint64_t p : points) {
    if (p < total) out.push_back(p);
  }
  return out;
}

TEST_P(UnplugSweepTest, UnpluggedDuringEveryCopy) {
  const Snapshot before = Take();
  // An allowance no run uses up, so that the link counts the bytes of a whole run.
  world_.SetFault("unplug-after-bytes", "1000000000000");
  ASSERT_EQ(RunChild(), ChildEnding::kSucceeded) << world_.LogText();
  const std::uint64_t total = BytesCrossed();
  const Snapshot whole = Take();
  ASSERT_GT(total, 0u);
  for (std::uint64_t point : UnplugPoints(total)) {
    Reset();
    world_.SetFault("unplug-after-bytes", std::to_string(point));
    const Snapshot start = Take();
    ASSERT_EQ(start.people, before.people);
    const std::size_t log_start = world_.LogText().size();
    const ChildEnding ending = RunChild();
    ExpectWholeOrNothing(
        ending, start, whole, log_start,
        "unplugged after " + std::to_string(point) + " of " + std::to_string(total) + " bytes");
    EXPECT_EQ(ending, ChildEnding::kFailed) << "a cut copy fails the run, at byte " << point;
  }
}

// Detaches the handheld as soon as the conduit has asked the agent for `code`. The watcher is
// a process of its own, started before the conduit's child: a thread polling SQLite while the
// test forks could leave the child a mutex that nobody will ever release.
class AgentUnplugger {
 public:
  AgentUnplugger(const std::filesystem::path& handheld, std::uint32_t code) : pid_(::fork()) {
    if (pid_ != 0) return;
    auto registry = handheld::DeviceRegistry::Open(handheld, false);
    while (registry) {
      if (registry->ReadDword(handheld::DeviceRoot::kClassesRoot, device::kAgentKey, "SyncFlag") ==
          code) {
        ::_exit(handheld::DetachHandheld() ? 0 : 3);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ::_exit(2);
  }
  AgentUnplugger(const AgentUnplugger&) = delete;
  AgentUnplugger& operator=(const AgentUnplugger&) = delete;
  ~AgentUnplugger() { Stop(); }

  // Stops the watcher if it is still waiting; true when it saw the request and unplugged.
  bool Stop() {
    if (!stopped_) {
      stopped_ = true;
      if (pid_ > 0 && ::waitpid(pid_, &status_, WNOHANG) == 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status_, 0);
      }
    }
    return pid_ > 0 && WIFEXITED(status_) && WEXITSTATUS(status_) == 0;
  }

 private:
  pid_t pid_;
  bool stopped_ = false;
  int status_ = 0;
};

// The agent request of each agent run of the sync type, in order.
std::vector<std::uint32_t> AgentRequests(const SweepCase& c) {
  switch (c.sync_type) {
    case profile::kDesktopAddsDevice:
      return {device::kAgentAdd};
    case profile::kDesktopOverwritesDevice:
      if (c.device_backup) return {device::kAgentBackup, device::kAgentOverwrite};
      return {device::kAgentOverwrite};
    default:
      return {device::kAgentExport};
  }
}

TEST_P(UnplugSweepTest, UnpluggedWhileTheAgentRuns) {
  ASSERT_EQ(RunChild(), ChildEnding::kSucceeded) << world_.LogText();
  const Snapshot whole = Take();
  const std::vector<std::uint32_t> requests = AgentRequests(GetParam());
  for (std::size_t run = 0; run < requests.size(); ++run) {
    // A hanging agent keeps the conduit waiting, so the unplug lands inside the wait; a later
    // agent run needs the earlier ones to finish.
    for (bool hangs : {true, false}) {
      if (hangs && run > 0) continue;
      Reset();
      if (hangs) world_.SetFault("agent-hangs");
      const Snapshot start = Take();
      const std::size_t log_start = world_.LogText().size();
      ChildEnding ending;
      {
        AgentUnplugger unplugger(world_.Handheld(), requests[run]);
        ending = RunChild();
        EXPECT_TRUE(unplugger.Stop()) << "agent request " << requests[run] << " never came";
      }
      ExpectWholeOrNothing(
          ending, start, whole, log_start,
          "agent run " + std::to_string(run + 1) + (hangs ? ", agent hangs" : ", agent finishes"));
      if (hangs) {
        EXPECT_EQ(ending, ChildEnding::kFailed);
        EXPECT_THAT(world_.LogText().substr(log_start),
                    ::testing::AnyOf(HasSubstr(device::kAgentDisconnectedText),
                                     HasSubstr(device::kAgentTimedOutText),
                                     HasSubstr("Problem in invoking device side application")));
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    SyncTypes, UnplugSweepTest,
    ::testing::Values(
        SweepCase{"DesktopAddsDevice", profile::kDesktopAddsDevice, false},
        SweepCase{"DesktopOverwritesDeviceWithBackup", profile::kDesktopOverwritesDevice, true},
        SweepCase{"DeviceAddsDesktop", profile::kDeviceAddsDesktop, false},
        SweepCase{"DeviceOverwritesDesktop", profile::kDeviceOverwritesDesktop, false},
        SweepCase{"CsvExport", profile::kExportCsv, false}),
    [](const ::testing::TestParamInfo<SweepCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velmora::testing
