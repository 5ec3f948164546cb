// The installer killed at its crash points while it installs over an earlier installation:
// every installed file is the old one or the new one, the profile database is sound and
// answers, and an installation started afterwards succeeds and lays out the new files.
#include <gtest/gtest.h>

#include "tests/installer/install_world.h"
#include "tests/kill/kill_harness.h"
#include "tests/support/temp_dir.h"

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;
using installer::testing::InstallWorld;

constexpr long kPoints = 50;

// The profile database goes through a copy and then the binding of its sample profiles, so a
// kill may leave it between the two; it is checked by what it answers.
bool CheckedOtherwise(const std::string& name) {
  return name.find("Orvendel.mdb") != std::string::npos || IsDatabaseCompanion(name) ||
         name.ends_with(".tmp") || name.ends_with(".lock");
}

class InstallerKillTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = world_.Home() / "opt" / "Velmora";
    world_.AddHandheldUser("Ann O'Neil");
    ASSERT_EQ(Install(0).exit_status, 0) << Install(0).output;
    // A newer version of two programs and of the guide to install over the first.
    WriteFileBytes(world_.Source() / "tavrill", "#!/bin/sh\necho version 2\n");
    WriteFileBytes(world_.Source() / "brisklet", "#!/bin/sh\necho version 2 of brisklet\n");
  }

  std::vector<std::string> Arguments() const {
    return {(BuildDir() / "bin" / "installer").string(),
            "--unattended",
            "--folder",
            folder_.string(),
            "--user",
            "Ann O'Neil"};
  }
  ChildEnd Install(long crash_at, const fs::path& trace = {}) {
    return RunChild(Arguments(), crash_at, trace, world_.Source());
  }

  InstallWorld world_;
  fs::path folder_;
};

TEST_F(InstallerKillTest, EveryKillLeavesOldOrNewFilesAndAReinstallSucceeds) {
  const fs::path root = world_.Home().parent_path();
  const Tree before = ReadTree(root);
  TempDir scratch;
  const TracedRun reference = TraceRun(Arguments(), scratch.path() / "trace", world_.Source());
  ASSERT_EQ(reference.end.exit_status, 0) << reference.end.output;
  const Tree after = ReadTree(root);
  ASSERT_EQ(ReadFileBytes(folder_ / "tavrill"), "#!/bin/sh\necho version 2\n");
  std::cout << "installer: " << reference.points << " crash points\n";

  for (long k : PointsToTry(reference.points, kPoints)) {
    RestoreTree(root, before);
    const ChildEnd killed = Install(k);
    // The agent round trip polls, so a run may pass fewer points than the reference; one that
    // ends before point k must have completed.
    ASSERT_TRUE(killed.killed || killed.exit_status == 0)
        << "point " << k << " of " << reference.points << ": " << killed.output;
    const Tree now = ReadTree(root);
    for (const std::string& problem : FilesInNeitherState(before, after, now, CheckedOtherwise)) {
      ADD_FAILURE() << "after a kill at point " << k << " (" << reference.Name(k)
                    << "): " << problem;
    }
    const fs::path database = folder_ / "Orvendel.mdb";
    EXPECT_EQ(SqliteIntegrity(database), "ok") << "point " << k;
    EXPECT_FALSE(InstallWorld::QueryText(database, "SELECT COUNT(*) FROM DBProfile").empty())
        << "point " << k;
    const ChildEnd rerun = Install(0);
    EXPECT_EQ(rerun.exit_status, 0)
        << "rerun after point " << k << " (" << reference.Name(k) << "): " << rerun.output;
    EXPECT_EQ(ReadFileBytes(folder_ / "brisklet"), "#!/bin/sh\necho version 2 of brisklet\n")
        << "rerun after point " << k;
    EXPECT_EQ(InstallWorld::ReadProfile(database, 1)->user_name, "Ann O'Neil") << "point " << k;
    if (HasFailure()) break;
  }
}

// Keeping the installation, a kill at any point leaves both of its databases as they were.
TEST_F(InstallerKillTest, KeepingTheInstallationNoKillTouchesItsDatabases) {
  WriteFileBytes(folder_ / "SampleContactsDB.mdb", "rows the user added");
  const std::string profiles = ReadFileBytes(folder_ / "Orvendel.mdb");
  std::vector<std::string> keep = Arguments();
  keep.push_back("--keep-existing");
  TempDir scratch;
  const TracedRun reference = TraceRun(keep, scratch.path() / "trace", world_.Source());
  ASSERT_EQ(reference.end.exit_status, 0) << reference.end.output;
  for (long k : PointsToTry(reference.points, kPoints / 4)) {
    const ChildEnd killed = RunChild(keep, k, {}, world_.Source());
    ASSERT_TRUE(killed.killed || killed.exit_status == 0) << "point " << k;
    EXPECT_EQ(ReadFileBytes(folder_ / "SampleContactsDB.mdb"), "rows the user added")
        << "point " << k << " (" << reference.Name(k) << ")";
    EXPECT_TRUE(ReadFileBytes(folder_ / "Orvendel.mdb") == profiles) << "point " << k;
    if (HasFailure()) break;
  }
}

}  // namespace
}  // namespace velmora::testing
