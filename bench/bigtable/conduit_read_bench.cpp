// The conduit on a large linked table, measured as a user's handheld connection runs it: the
// whole `tavrill --unattended` process sending the rows of an SQLite table of N rows to the
// handheld (Desktop Overwrites Device), until it ends. Wall time is the benchmark's time; the
// peak resident memory of the process (without the handheld's agent) is a counter beside it. The
// transfer file holds at most 65535 contacts, so a larger table shows what reading it costs beyond
// the rows sent.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "profile/sync_settings.h"
#include "tests/conduit/conduit_world.h"

namespace {

namespace fs = std::filesystem;
using velmora::testing::ConduitWorld;

const fs::path kBuild = VELMORA_BENCH_BUILD_DIR;

std::string PeopleSql(long rows) {
  return "CREATE TABLE People (ID INTEGER PRIMARY KEY, FirstName TEXT, LastName TEXT, Company "
         "TEXT, WorkPhone TEXT, Email TEXT, Notes TEXT, Birthday DATE);"
         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
         std::to_string(rows) +
         ") INSERT INTO People (FirstName, LastName, Company, WorkPhone, Email, Notes, Birthday) "
         "SELECT 'First ' || i, 'Last ' || i, 'Company ' || (i % 97), '555-' || i, 'person' || i "
         "|| '@example.com', 'A note about person ' || i, date('1970-01-01', '+' || (i % 20000) "
         "|| ' days') FROM n;";
}

// VmHWM of process `pid`, in MB; 0 when it cannot be read.
double HighWaterMb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.starts_with("VmHWM:")) return std::stod(line.substr(6)) / 1024.0;
  }
  return 0;
}

struct Measured {
  double seconds = 0;
  double peak_mb = 0;
  int status = -1;
};

Measured RunTavrill(const fs::path& folder) {
  const std::string program = (kBuild / "bin/tavrill").string();
  std::vector<std::string> owned = {program, "--unattended", "--backup", "no"};
  std::vector<char*> argv;
  for (std::string& arg : owned) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const auto started = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int out = ::open("/dev/null", O_WRONLY);
    ::dup2(out, 1);
    ::dup2(out, 2);
    if (::chdir(folder.c_str()) != 0) ::_exit(126);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  Measured m;
  if (pid < 0) return m;
  int status = 0;
  pid_t ended = 0;
  // The process's own high-water mark: the handheld's agent, a process of its own that the
  // conduit waits for, would otherwise count in the figure the kernel gives on its end.
  while ((ended = ::waitpid(pid, &status, WNOHANG)) == 0) {
    m.peak_mb = std::max(m.peak_mb, HighWaterMb(pid));
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (ended != pid) return m;
  m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  m.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return m;
}

void BM_ConduitSendsLargeTable(benchmark::State& state) {
  const long rows = state.range(0);
  ConduitWorld world;
  const fs::path people = world.MakeSqliteDatabase("people.db", PeopleSql(rows));
  velmora::profile::ProfileRecord record;
  record.prof_name = "Large";
  record.sync_type = velmora::profile::kDesktopOverwritesDevice;
  record.sync_on = velmora::profile::kEveryTime;
  record.db_type = velmora::profile::kAccessDatabase;
  record.db_path = people.parent_path().string() + "/";
  record.db_dsn = people.filename().string();
  record.query = "SELECT * FROM \"People\"";
  record.table_name = "People";
  world.AddProfile(record, {{"F2", "FirstName", "SQL_CHAR"},
                            {"F4", "LastName", "SQL_CHAR"},
                            {"F8", "Company", "SQL_CHAR"},
                            {"F9", "WorkPhone", "SQL_CHAR"},
                            {"F20", "Email", "SQL_CHAR"},
                            {"F45", "Birthday", "SQL_DATE"}});
  double peak = 0;
  for (auto _ : state) {
    const Measured m = RunTavrill(world.AppFolder());
    if (m.status != 0) {
      state.SkipWithError(("tavrill --unattended failed: " + world.LogText()).c_str());
      return;
    }
    state.SetIterationTime(m.seconds);
    peak = std::max(peak, m.peak_mb);
  }
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["peak_MB"] = peak;
}
BENCHMARK(BM_ConduitSendsLargeTable)
    ->ArgNames({"rows"})
    ->Arg(70000)
    ->Arg(200000)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
