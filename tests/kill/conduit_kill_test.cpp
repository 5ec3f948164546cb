// The conduit killed at its crash points, one sync type at a time: after each kill every file
// of the world is as before the run or as after a whole one, the profile database is sound and
// answers, the custom table holds its old rows or the new ones, the earlier backups all survive,
// and a run started afterwards succeeds.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "conduit/backups.h"
#include "profile/sync_settings.h"
#include "tests/conduit/conduit_world.h"
#include "tests/kill/kill_harness.h"
#include "tests/support/temp_dir.h"

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;

constexpr long kPointsPerOperation = 50;
constexpr int kDesktopRows = 12;
constexpr int kDeviceContacts = 12;

struct SyncCase {
  const char* name;
  int sync_type;
  bool writes_table;   // the run changes the custom table
  bool writes_device;  // the run changes the handheld's contacts
};

const SyncCase kCases[] = {
    {"DesktopAddsDevice", profile::kDesktopAddsDevice, false, true},
    {"DesktopOverwritesDevice", profile::kDesktopOverwritesDevice, false, true},
    {"DeviceAddsDesktop", profile::kDeviceAddsDesktop, true, false},
    {"DeviceOverwritesDesktop", profile::kDeviceOverwritesDesktop, true, false},
    {"DoNothing", profile::kDoNothing, false, false},
    {"ExportCsv", profile::kExportCsv, false, false},
};

std::string PeopleSql() {
  std::string sql =
      "CREATE TABLE People (ID INTEGER PRIMARY KEY, FirstName VARCHAR(50), LastName VARCHAR(50),"
      " Company VARCHAR(80), Birthday DATE);";
  for (int i = 0; i < kDesktopRows; ++i) {
    sql += "INSERT INTO People (FirstName, LastName, Company, Birthday) VALUES ('Desk" +
           std::to_string(i) + "', 'O''Row', 'Firm " + std::to_string(i) + "', '1970-01-0" +
           std::to_string(1 + i % 9) + "');";
  }
  return sql;
}

std::vector<handheld::Contact> DeviceContacts(const std::string& prefix) {
  std::vector<handheld::Contact> contacts;
  for (int i = 0; i < kDeviceContacts; ++i) {
    contacts.push_back(MakeContact(prefix + std::to_string(i), "Hand",
                                   "Pocket " + std::to_string(i),
                                   "1981-02-0" + std::to_string(1 + i % 9)));
  }
  return contacts;
}

// The handheld's own databases (its registry, contacts and link state), checked by SQLite.
bool HandheldDatabase(const std::string& name) {
  return name.starts_with("handheld/") && name.ends_with(".db");
}

// Files whose content a kill may legitimately leave anywhere between its states: the logs are
// appended to, the two databases are checked by what they answer, and the exchange files on
// the handheld and their desktop copies (the owner's Temp and Update folders) are removed and
// made afresh by every run, as is the next backup generation written aside (".new") before
// the older ones move up.
bool CheckedOtherwise(const std::string& name) {
  return HandheldDatabase(name) || name.ends_with("Sorrelin.log") || name.ends_with(".pdb.new") ||
         name.starts_with("handheld/files/My Documents/Contact/") ||
         name.find("/Temp/") != std::string::npos || name.find("/Update/") != std::string::npos ||
         name.find("ContactConduitlog.log") != std::string::npos ||
         name.find("Orvendel.mdb") != std::string::npos ||
         name.find("people.db") != std::string::npos || IsDatabaseCompanion(name) ||
         name.ends_with(".tmp") || name.ends_with(".lock") || name.starts_with("app/Backup/Backup_");
}

// The backup generations in generation order, a missing one left out.
std::vector<FileCopy> Generations(const Tree& tree) {
  std::vector<FileCopy> generations;
  for (const auto& [name, file] : tree) {
    if (name.starts_with("app/Backup/Backup_") && name.ends_with(".pdb")) {
      generations.push_back(file);
    }
  }
  return generations;
}

bool SameGenerations(const std::vector<FileCopy>& a, std::size_t count,
                     const std::vector<FileCopy>& b) {
  if (count > a.size() || count > b.size()) return false;
  for (std::size_t i = 0; i < count; ++i) {
    if (!SameContent(a[i], b[i])) return false;
  }
  return true;
}

// A rotation moves the generations up one at a time, oldest first, and only then puts the
// new backup first; a kill on the way leaves the earlier generations in their order, with a
// gap where one has already moved (and the oldest gone when all were kept).
bool GenerationsOldOrNewOrRotating(const Tree& before, const Tree& after, const Tree& now) {
  const std::vector<FileCopy> old_ones = Generations(before);
  const std::vector<FileCopy> new_ones = Generations(after);
  const std::vector<FileCopy> found = Generations(now);
  if (found.size() == new_ones.size() && SameGenerations(found, found.size(), new_ones)) {
    return true;
  }
  const bool oldest_may_go =
      old_ones.size() == static_cast<std::size_t>(conduit::kBackupGenerations);
  return found.size() + (oldest_may_go ? 1 : 0) >= old_ones.size() &&
         SameGenerations(found, found.size(), old_ones);
}

std::set<std::string> BackupContents(const Tree& tree) {
  std::set<std::string> contents;
  for (const auto& [name, file] : tree) {
    if (name.starts_with("app/Backup/Backup_")) contents.insert(file.bytes);
  }
  return contents;
}

class ConduitKillTest : public ::testing::TestWithParam<SyncCase> {
 protected:
  void SetUp() override {
    people_ = world_.MakeSqliteDatabase("people.db", PeopleSql());
    profile::ProfileRecord record;
    record.prof_name = "Kill";
    record.sync_type = GetParam().sync_type;
    record.sync_on = profile::kEveryTime;
    if (GetParam().sync_type == profile::kExportCsv) {
      record.db_type = profile::kNoDatabase;
      record.query = " ";
      world_.AddProfile(record, {});
    } else {
      record.db_type = profile::kAccessDatabase;
      record.db_path = people_.parent_path().string() + "/";
      record.db_dsn = people_.filename().string();
      record.query = "SELECT * FROM \"People\"";
      record.table_name = "People";
      world_.AddProfile(record, {{"F2", "FirstName", "SQL_CHAR"},
                                 {"F4", "LastName", "SQL_CHAR"},
                                 {"F8", "Company", "SQL_CHAR"},
                                 {"F45", "Birthday", "SQL_DATE"}});
    }
    // Two runs beforehand leave earlier backups (and an earlier CSV file) to be kept; the
    // handheld then holds other contacts, so that old and new states differ.
    world_.SetDeviceContacts(DeviceContacts("First"));
    ASSERT_EQ(Tavrill(0).exit_status, 0) << world_.LogText();
    world_.SetDeviceContacts(DeviceContacts("Second"));
    ASSERT_EQ(Tavrill(0).exit_status, 0) << world_.LogText();
    world_.SetDeviceContacts(DeviceContacts("Third"));
  }

  ChildEnd Tavrill(long crash_at, const fs::path& trace = {}) {
    return RunChild({(BuildDir() / "bin" / "tavrill").string(), "--unattended", "--backup", "yes"},
                    crash_at, trace);
  }

  std::vector<std::string> Rows() {
    return SqliteRows(people_,
                      "SELECT FirstName, LastName, Company, Birthday FROM People ORDER BY ID");
  }

  std::vector<std::string> DeviceNames() {
    std::vector<std::string> names;
    for (const handheld::Contact& c : world_.DeviceContacts()) {
      names.push_back(c.fields[1] + " " + c.fields[3] + " " + c.fields[7]);
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  // Everything a kill must leave sound; each problem as one line.
  std::vector<std::string> Problems(const Tree& before, const Tree& after, const Tree& now,
                                    const std::vector<std::string>& rows_before,
                                    const std::vector<std::string>& rows_after,
                                    const std::vector<std::string>& device_before,
                                    const std::vector<std::string>& device_after) {
    std::vector<std::string> problems = FilesInNeitherState(before, after, now, CheckedOtherwise);
    const std::string integrity = SqliteIntegrity(world_.AppFolder() / "Orvendel.mdb");
    if (integrity != "ok") problems.push_back("profile database: " + integrity);
    if (SqliteRows(world_.AppFolder() / "Orvendel.mdb",
                   "SELECT ProfName FROM DBProfile WHERE ProfName = 'Kill'")
            .size() != 1) {
      problems.push_back("profile database does not answer with its profile");
    }
    for (const auto& [name, file] : now) {
      if (!HandheldDatabase(name)) continue;
      const std::string handheld_integrity = SqliteIntegrity(world_.Root() / name);
      if (handheld_integrity != "ok") problems.push_back(name + ": " + handheld_integrity);
    }
    const std::vector<std::string> rows = Rows();
    if (rows != rows_before && rows != rows_after) {
      problems.push_back("table holds " + std::to_string(rows.size()) +
                         " rows, neither the old nor the new ones");
    }
    const std::vector<std::string> device = DeviceNames();
    if (device != device_before && device != device_after) {
      problems.push_back("handheld holds " + std::to_string(device.size()) +
                         " contacts, neither the old nor the new ones");
    }
    if (!GenerationsOldOrNewOrRotating(before, after, now)) {
      problems.push_back("the backup generations are neither the old, the new nor a rotation");
    }
    const std::set<std::string> backups_now = BackupContents(now);
    for (const auto& [name, file] : before) {
      const bool kept_generation =
          name.starts_with("app/Backup/Backup_") &&
          !name.starts_with("app/Backup/Backup_" + std::to_string(conduit::kBackupGenerations));
      if (kept_generation && !backups_now.contains(file.bytes)) {
        problems.push_back("earlier backup " + name + " is lost");
      }
    }
    return problems;
  }

  ConduitWorld world_;
  fs::path people_;
};

TEST_P(ConduitKillTest, EveryKillLeavesOldOrNewStateAndARerunSucceeds) {
  const fs::path root = world_.Root();
  const Tree before = ReadTree(root);
  const std::vector<std::string> rows_before = Rows();
  const std::vector<std::string> device_before = DeviceNames();

  TempDir scratch;
  const TracedRun reference =
      TraceRun({(BuildDir() / "bin" / "tavrill").string(), "--unattended", "--backup", "yes"},
               scratch.path() / "trace");
  ASSERT_EQ(reference.end.exit_status, 0) << reference.end.output << world_.LogText();
  const Tree after = ReadTree(root);
  const std::vector<std::string> rows_after = Rows();
  const std::vector<std::string> device_after = DeviceNames();
  EXPECT_EQ(rows_after != rows_before, GetParam().writes_table);
  EXPECT_EQ(device_after != device_before, GetParam().writes_device);
  std::cout << GetParam().name << ": " << reference.points << " crash points\n";

  for (long k : PointsToTry(reference.points, kPointsPerOperation)) {
    RestoreTree(root, before);
    const ChildEnd killed = Tavrill(k);
    // The agent round trip polls, so a run may pass fewer points than the reference; one that
    // ends before point k must have completed.
    ASSERT_TRUE(killed.killed || killed.exit_status == 0)
        << "point " << k << " of " << reference.points << ": " << killed.output;
    const Tree now = ReadTree(root);
    for (const std::string& problem :
         Problems(before, after, now, rows_before, rows_after, device_before, device_after)) {
      ADD_FAILURE() << "after a kill at point " << k << " (" << reference.Name(k)
                    << "): " << problem;
    }
    const ChildEnd rerun = Tavrill(0);
    EXPECT_EQ(rerun.exit_status, 0)
        << "rerun after point " << k << " (" << reference.Name(k) << "): " << rerun.output;
    if (GetParam().sync_type == profile::kDeviceOverwritesDesktop) {
      EXPECT_EQ(Rows(), rows_after) << "rerun after point " << k;
    }
    if (GetParam().sync_type == profile::kDesktopOverwritesDevice) {
      EXPECT_EQ(DeviceNames(), device_after) << "rerun after point " << k;
    }
    if (HasFailure()) break;
  }
}

INSTANTIATE_TEST_SUITE_P(SyncTypes, ConduitKillTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<SyncCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace velmora::testing
