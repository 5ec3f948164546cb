// The desktop manager's handheld backup and table restore killed at their crash points (each
// run alone by the velmora-kill-desktop driver): the backup file is the previous one or the
// complete new one and the handheld is untouched; the restored table holds its old rows or the
// backup's, never a mix or nothing; a command started afterwards succeeds.
#include <gtest/gtest.h>

#include <algorithm>

#include "db/memory_result_set.h"
#include "db/type_codes.h"
#include "tests/conduit/conduit_world.h"
#include "tests/kill/kill_harness.h"
#include "tests/support/temp_dir.h"
#include "transfer/pdb_writer.h"

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;

constexpr long kPoints = 50;
constexpr int kRows = 60;

// The handheld's own databases are checked by SQLite, the profile and custom databases by
// what they answer; the export on the handheld and its desktop copy are made afresh by every
// backup.
bool CheckedOtherwise(const std::string& name) {
  return name.starts_with("handheld/files/My Documents/Contact/") ||
         name.find("Temp/") != std::string::npos ||
         (name.starts_with("handheld/") && name.ends_with(".db")) || name.ends_with(".log") ||
         name.find("Orvendel.mdb") != std::string::npos ||
         name.find("people.db") != std::string::npos || IsDatabaseCompanion(name) ||
         name.ends_with(".tmp") || name.ends_with(".lock");
}

std::string Driver() {
  return (BuildDir() / "tests" / "velmora-kill-desktop").string();
}

std::vector<handheld::Contact> Contacts(const std::string& prefix, int count) {
  std::vector<handheld::Contact> contacts;
  for (int i = 0; i < count; ++i) {
    contacts.push_back(MakeContact(prefix + std::to_string(i), "Hand", "Pocket"));
  }
  return contacts;
}

std::vector<std::string> Names(const std::vector<handheld::Contact>& contacts) {
  std::vector<std::string> names;
  for (const handheld::Contact& c : contacts) names.push_back(c.fields[1] + " " + c.fields[3]);
  std::sort(names.begin(), names.end());
  return names;
}

// Kills `argv` at each of its points; `check` lists what is wrong with the state it left. A
// rerun follows each kill; its failure fails the test when `rerun_must_succeed`, else it is
// only told.
template <class Check>
void KillAtEveryPoint(const fs::path& root, const std::vector<std::string>& argv, const char* what,
                      bool rerun_must_succeed, Check check) {
  const Tree before = ReadTree(root);
  TempDir scratch;
  const TracedRun reference = TraceRun(argv, scratch.path() / "trace");
  ASSERT_EQ(reference.end.exit_status, 0) << reference.end.output;
  const Tree after = ReadTree(root);
  std::cout << what << ": " << reference.points << " crash points\n";
  for (long k : PointsToTry(reference.points, kPoints)) {
    RestoreTree(root, before);
    const ChildEnd killed = RunChild(argv, k);
    // The agent round trip polls, so a run may pass fewer points than the reference; one that
    // ends before point k must have completed.
    ASSERT_TRUE(killed.killed || killed.exit_status == 0)
        << "point " << k << " of " << reference.points << ": " << killed.output;
    std::vector<std::string> problems =
        FilesInNeitherState(before, after, ReadTree(root), CheckedOtherwise);
    for (const std::string& extra : check()) problems.push_back(extra);
    for (const std::string& problem : problems) {
      ADD_FAILURE() << what << " killed at point " << k << " (" << reference.Name(k)
                    << "): " << problem;
    }
    const ChildEnd rerun = RunChild(argv, 0);
    if (!rerun_must_succeed) {
      if (rerun.exit_status != 0) {
        std::cout << "rerun after point " << k << " (" << reference.Name(k)
                  << ") failed: " << rerun.output;
      }
      continue;
    }
    EXPECT_EQ(rerun.exit_status, 0)
        << "rerun after point " << k << " (" << reference.Name(k) << "): " << rerun.output;
    if (::testing::Test::HasFailure()) return;
  }
}

TEST(DesktopKillTest, HandheldBackupKeepsThePreviousBackupUntilTheNewOneIsWhole) {
  ConduitWorld world;
  const std::vector<std::string> argv = {Driver(), "backup", world.AppFolder().string()};
  world.SetDeviceContacts(Contacts("Earlier", 5));
  ASSERT_EQ(RunChild(argv, 0).exit_status, 0);
  ASSERT_TRUE(fs::exists(world.AppFolder() / "DeviceContactsBackup.pdb"));
  world.SetDeviceContacts(Contacts("Now", 40));
  const std::vector<std::string> on_device = Names(world.DeviceContacts());
  KillAtEveryPoint(world.Root(), argv, "handheld backup", true, [&] {
    std::vector<std::string> problems;
    if (Names(world.DeviceContacts()) != on_device) problems.push_back("the handheld changed");
    for (const char* db : {"registry.db", "contacts.db", "link.db"}) {
      const fs::path file = world.Handheld() / db;
      if (fs::exists(file) && SqliteIntegrity(file) != "ok") problems.push_back(file.string());
    }
    return problems;
  });
}

TEST(DesktopKillTest, TableRestoreLeavesTheOldRowsOrTheBackupsRows) {
  ConduitWorld world;
  std::string sql = "CREATE TABLE People (Name VARCHAR(40), Age INTEGER);";
  for (int i = 0; i < 5; ++i) {
    sql +=
        "INSERT INTO People VALUES ('Old " + std::to_string(i) + "', " + std::to_string(i) + ");";
  }
  const fs::path people = world.MakeSqliteDatabase("people.db", sql);
  std::vector<std::vector<db::Value>> rows;
  for (int i = 0; i < kRows; ++i) {
    rows.push_back({std::string("Backup ") + std::to_string(i), std::int64_t{100 + i}});
  }
  db::MemoryResultSet result({{"Name", db::kTypeChar, 40, 0}, {"Age", db::kTypeInteger, 10, 0}},
                             rows);
  const fs::path backup = world.AppFolder() / "Backup" / "Backup_1_Ann Example_People.pdb";
  fs::create_directories(backup.parent_path());
  ASSERT_TRUE(transfer::WriteTablePdb(result, backup, "People"));

  const std::string query = "SELECT * FROM People";
  auto table = [&] { return SqliteRows(people, "SELECT Name, Age FROM People ORDER BY Age"); };
  const std::vector<std::string> old_rows = table();
  std::vector<std::string> new_rows;
  for (int i = 0; i < kRows; ++i) {
    new_rows.push_back("Backup " + std::to_string(i) + "|" + std::to_string(100 + i));
  }
  KillAtEveryPoint(world.Root(), {Driver(), "restore", people.string(), backup.string(), query},
                   "table restore", true, [&] {
                     std::vector<std::string> problems;
                     const std::vector<std::string> now = table();
                     if (now != old_rows && now != new_rows) {
                       problems.push_back("the table holds " + std::to_string(now.size()) +
                                          " rows, neither the old nor the backup's");
                     }
                     if (SqliteIntegrity(people) != "ok") problems.push_back("table file damaged");
                     return problems;
                   });
  EXPECT_EQ(table(), new_rows);
}

}  // namespace
}  // namespace velmora::testing
