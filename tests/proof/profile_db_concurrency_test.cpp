// The desktop manager storing a profile's settings while the conduit stamps its runs, two
// processes on one SQLite profile database: every write of either succeeds (none gives up on a
// locked database) and none is lost, each column holding the last value its writer gave it.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "db/connection.h"
#include "db/odbc_result_set.h"
#include "desktop/properties_rules.h"
#include "profile/profile_store.h"
#include "profile/sync_settings.h"
#include "tests/support/odbc_env.h"
#include "tests/support/temp_dir.h"

namespace velmora::testing {
namespace {

constexpr int kProfiles = 50;
constexpr int kWritesEach = 500;  // 1,000 in all
constexpr const char* kUser = "Ann Example";

// The values of write `i` of each writer, distinct for every write of a profile.
desktop::PaneValues SettingsOfWrite(int i) {
  desktop::PaneValues values;
  values.sync_type_index = profile::kDesktopAddsDevice;
  values.user_name = kUser;
  values.sync_on = 1;
  values.date_index = i / kProfiles;
  values.day_index = (i / kProfiles) % 7;
  values.hour = i / kProfiles;
  values.minute = i % 60;
  return values;
}

profile::ProfileDateTime RunOfWrite(int i) {
  return {2024, 1, 1 + i / kProfiles, i % 24, i % 60, i / kProfiles};
}

// The test's profiles are numbered from `first` on, after the shipped sample profiles.
long ProfileOfWrite(long first, int i) {
  return first + i % kProfiles;
}

bool ConnectProfiles(db::Connection& connection, const std::filesystem::path& file,
                     std::string_view dsn = db::kProfileDsnDesktop) {
  return connection.Connect(dsn, db::kDatabaseAccess, file.string(), "",
                            db::kProfileDatabasePassword, nullptr, false);
}

// Runs `writes` in a child once the parent says go; the child's exit code is the number of
// failed writes (capped), 100 when it could not connect.
template <typename Writes>
pid_t StartWriter(db::Program program, const std::filesystem::path& file, int ready_fd, int go_fd,
                  Writes writes) {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  db::Connection connection(program);
  const bool connected = ConnectProfiles(
      connection, file,
      program == db::Program::kConduit ? db::kProfileDsnConduit : db::kProfileDsnDesktop);
  char byte = connected ? 'r' : 'x';
  (void)!::write(ready_fd, &byte, 1);
  if (!connected) ::_exit(100);
  (void)!::read(go_fd, &byte, 1);
  profile::ProfileStore store(connection);
  int failures = 0;
  for (int i = 0; i < kWritesEach; ++i) {
    if (!writes(store, i)) ++failures;
  }
  connection.Disconnect();
  ::_exit(failures > 99 ? 99 : failures);
}

class ProfileDbConcurrencyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = root_.path() / "Orvendel.mdb";
    std::filesystem::copy_file(BuildDir() / "share" / "Orvendel.mdb", file_);
    db::Connection connection;
    ASSERT_TRUE(ConnectProfiles(connection, file_));
    profile::ProfileStore store(connection);
    first_id_ = store.NextProfileId();
    ASSERT_GT(first_id_, 0);
    for (long id = first_id_; id < first_id_ + kProfiles; ++id) {
      profile::ProfileRecord record;
      record.prof_id = id;
      record.prof_name = "Profile " + std::to_string(id);
      record.user_name = kUser;
      record.db_type = db::kDatabaseAccess;
      record.db_path = root_.path().string() + "/";
      record.db_dsn = "people.db";
      record.query = "SELECT * FROM People";
      record.table_name = "People";
      std::string error;
      ASSERT_TRUE(store.InsertProfile(record, &error)) << error;
    }
  }

  TempDir root_;
  OdbcEnvironment odbc_;
  std::filesystem::path file_;
  long first_id_ = 0;
};

TEST_F(ProfileDbConcurrencyTest, SettingsAndRunStampsInterleaveWithoutLossOrLockFailure) {
  int ready[2];
  int go[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(go), 0);
  // The desktop manager's pane keeps the profile it shows; each store is one pane store.
  const pid_t desktop =
      StartWriter(db::Program::kDesktopManager, file_, ready[1], go[0],
                  [first = first_id_](profile::ProfileStore& store, int i) {
                    profile::ProfileRecord record;
                    record.prof_id = ProfileOfWrite(first, i);
                    record.prof_status = profile::kStatusNew;
                    return desktop::StoreSettings(SettingsOfWrite(i), record, store);
                  });
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  ASSERT_EQ(byte, 'r') << "the desktop writer could not connect";
  const pid_t conduit =
      StartWriter(db::Program::kConduit, file_, ready[1], go[0],
                  [first = first_id_](profile::ProfileStore& store, int i) {
                    return store.RecordRun(ProfileOfWrite(first, i), RunOfWrite(i));
                  });
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  ASSERT_EQ(byte, 'r') << "the conduit writer could not connect";
  const char both[2] = {'g', 'g'};
  ASSERT_EQ(::write(go[1], both, 2), 2);

  for (const auto& [pid, who] : {std::pair{desktop, "desktop"}, std::pair{conduit, "conduit"}}) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << who;
    EXPECT_EQ(WEXITSTATUS(status), 0) << who << " writes failed";
  }
  for (int fd : {ready[0], ready[1], go[0], go[1]}) ::close(fd);

  db::Connection connection;
  ASSERT_TRUE(ConnectProfiles(connection, file_));
  for (long id = first_id_; id < first_id_ + kProfiles; ++id) {
    db::OdbcResultSet rows;
    ASSERT_TRUE(
        rows.Open(connection, "Select * from DBProfile where ProfID=" + std::to_string(id)));
    ASSERT_TRUE(rows.MoveToRow(0));
    const profile::ProfileRecord stored = profile::ProfileFromCurrentRow(rows);
    const int last = kWritesEach - kProfiles + static_cast<int>(id - first_id_);
    const desktop::PaneValues settings = SettingsOfWrite(last);
    EXPECT_EQ(stored.day, settings.date_index + 1) << id;
    EXPECT_EQ(stored.week_day, settings.day_index) << id;
    EXPECT_EQ(stored.sync_time.hour, settings.hour) << id;
    EXPECT_EQ(stored.sync_time.minute, settings.minute) << id;
    EXPECT_EQ(stored.last_sync_date_time, RunOfWrite(last)) << id;
  }
}

}  // namespace
}  // namespace velmora::testing
