// Rows per second of whole conduit runs through the emulated handheld (its agent included):
// each sync type that moves data, both handheld-to-desktop writers, the CSV export and the
// device contacts backup. Each iteration is one connection: start-up, the list, the run, the
// end. With --write-floor-data DIR it writes the same rows for the standard-tool floors instead:
// people.sql (the desktop table) and contacts.csv (the handheld's contacts as mapped columns).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "conduit/backups.h"
#include "profile/sync_settings.h"
#include "tests/conduit/conduit_world.h"

namespace velmora {
namespace {

using testing::ConduitWorld;
using testing::Mapping;

constexpr int kDesktopRows = 5000;
constexpr int kDeviceContacts = 5461;

const std::vector<Mapping> kMappings = {
    {"F1", "Title", "SQL_CHAR"},   {"F2", "FirstName", "SQL_CHAR"}, {"F4", "LastName", "SQL_CHAR"},
    {"F8", "Company", "SQL_CHAR"}, {"F9", "WorkPhone", "SQL_CHAR"}, {"F20", "Email", "SQL_CHAR"},
    {"F44", "Notes", "SQL_CHAR"},  {"F45", "Birthday", "SQL_DATE"}};

std::string PeopleSql(int rows) {
  return "CREATE TABLE People (ID INTEGER PRIMARY KEY, Title TEXT, FirstName TEXT, LastName "
         "TEXT, Company TEXT, WorkPhone TEXT, Email TEXT, Notes TEXT, Birthday DATE);"
         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
         std::to_string(rows) +
         ") INSERT INTO People (Title, FirstName, LastName, Company, WorkPhone, Email, Notes, "
         "Birthday) SELECT 'Ms.', 'Første' || i, 'O''Name' || i, 'Company ' || (i % 97), "
         "'+49 531 504 ' || i, 'person' || i || '@example.com', 'A note about person ' || i, "
         "date('1970-01-01', '+' || i || ' days') FROM n;";
}

std::vector<handheld::Contact> DeviceContacts() {
  std::vector<handheld::Contact> contacts;
  for (int i = 0; i < kDeviceContacts; ++i) {
    handheld::Contact c =
        testing::MakeContact("Første" + std::to_string(i), "O'Name" + std::to_string(i),
                             "Company " + std::to_string(i % 97), "1980-12-31");
    c.fields[0] = "Mr.";
    c.fields[8] = "+49 531 504 " + std::to_string(i);
    c.fields[19] = "person" + std::to_string(i) + "@example.com";
    c.fields[43] = "A note, with a comma, about person " + std::to_string(i);
    contacts.push_back(c);
  }
  return contacts;
}

long AddProfile(ConduitWorld& world, const std::filesystem::path& db, int sync_type) {
  profile::ProfileRecord record;
  record.prof_name = "Bench";
  record.db_type =
      sync_type == profile::kExportCsv ? profile::kNoDatabase : profile::kAccessDatabase;
  record.db_path = db.parent_path().string() + "/";
  record.db_dsn = db.filename().string();
  record.sync_type = sync_type;
  record.query = "SELECT * FROM \"People\"";
  record.table_name = "People";
  return world.AddProfile(record, kMappings);
}

void Run(
    benchmark::State& state, ConduitWorld& world, long rows, conduit::RunSettings settings,
    const std::function<void()>& before = [] {}) {
  for (auto _ : state) {
    state.PauseTiming();
    before();
    state.ResumeTiming();
    testing::ConduitRun run = world.Run(false, settings);
    if (run.ending != conduit::RunEnding::kSucceeded) {
      state.SkipWithError("the run failed; see the conduit log");
      break;
    }
  }
  state.counters["rows_per_second"] =
      benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsIterationInvariantRate);
}

void DesktopToDevice(benchmark::State& state) {
  ConduitWorld world;
  auto db = world.MakeSqliteDatabase("people.db", PeopleSql(kDesktopRows));
  AddProfile(world, db, profile::kDesktopOverwritesDevice);
  Run(state, world, kDesktopRows, {});
}

// Adds go onto an emptied handheld each time, so every run sends the same rows.
void DesktopAddsToDevice(benchmark::State& state) {
  ConduitWorld world;
  auto db = world.MakeSqliteDatabase("people.db", PeopleSql(kDesktopRows));
  AddProfile(world, db, profile::kDesktopAddsDevice);
  Run(state, world, kDesktopRows, {}, [&] { world.SetDeviceContacts({}); });
}

// Adds go into an emptied table each time.
void DeviceAddsToDesktop(benchmark::State& state) {
  ConduitWorld world;
  auto db = world.MakeSqliteDatabase("people.db", PeopleSql(0));
  world.SetDeviceContacts(DeviceContacts());
  AddProfile(world, db, profile::kDeviceAddsDesktop);
  Run(state, world, kDeviceContacts, {},
      [&] { world.MakeSqliteDatabase("people.db", "DELETE FROM People;"); });
}

void DeviceToDesktop(benchmark::State& state, bool statements) {
  ConduitWorld world;
  auto db = world.MakeSqliteDatabase("people.db", PeopleSql(0));
  world.SetDeviceContacts(DeviceContacts());
  AddProfile(world, db, profile::kDeviceOverwritesDesktop);
  conduit::RunSettings settings;
  settings.force_statement_writer = statements;
  Run(state, world, kDeviceContacts, settings);
}

void DeviceToDesktopCursorWriter(benchmark::State& state) {
  DeviceToDesktop(state, false);
}
void DeviceToDesktopStatementWriter(benchmark::State& state) {
  DeviceToDesktop(state, true);
}

void CsvExport(benchmark::State& state) {
  ConduitWorld world;
  world.SetDeviceContacts(DeviceContacts());
  AddProfile(world, world.Root() / "none.db", profile::kExportCsv);
  Run(state, world, kDeviceContacts, {});
}

// The device backup is taken on the backup question of an overwriting profile; the profile
// itself then sends one row.
void DeviceContactsBackup(benchmark::State& state) {
  ConduitWorld world;
  auto db = world.MakeSqliteDatabase("people.db", PeopleSql(1));
  AddProfile(world, db, profile::kDesktopOverwritesDevice);
  const auto contacts = DeviceContacts();
  for (auto _ : state) {
    state.PauseTiming();
    world.SetDeviceContacts(contacts);
    state.ResumeTiming();
    testing::ConduitRun run = world.Run(/*backup=*/true);
    if (run.ending != conduit::RunEnding::kSucceeded) {
      state.SkipWithError("the run failed; see the conduit log");
      break;
    }
  }
  state.counters["rows_per_second"] =
      benchmark::Counter(kDeviceContacts, benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(DesktopToDevice)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(DesktopAddsToDevice)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(DeviceAddsToDesktop)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(DeviceToDesktopCursorWriter)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(DeviceToDesktopStatementWriter)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK(CsvExport)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(DeviceContactsBackup)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// A CSV field, quoted when it holds a comma, a quote or a line break.
std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

// The rows of both directions for the floors, with the table's own columns: ID first, then the
// mapped columns in the table's order.
bool WriteFloorData(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  std::ofstream sql(folder / "people.sql", std::ios::binary);
  sql << PeopleSql(kDesktopRows);
  std::ofstream csv(folder / "contacts.csv", std::ios::binary);
  csv << "ID";
  for (const Mapping& m : kMappings) csv << ',' << m.db_field_name;
  csv << "\r\n";
  int id = 0;
  for (const handheld::Contact& contact : DeviceContacts()) {
    csv << ++id;
    for (const Mapping& m : kMappings) {
      csv << ',' << CsvField(contact.fields[std::stoi(m.field_id.substr(1)) - 1]);
    }
    csv << "\r\n";
  }
  return static_cast<bool>(sql) && static_cast<bool>(csv);
}

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--write-floor-data") == 0) {
    return velmora::WriteFloorData(argv[2]) ? 0 : 1;
  }
  // The build folder holds the shipped databases and the emulated handheld's programs.
  if (std::getenv("VELMORA_BUILD_DIR") == nullptr) {
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    ::setenv("VELMORA_BUILD_DIR", self.parent_path().parent_path().c_str(), 1);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
