// The desktop manager on a large linked table, measured as a user sees it: the whole
// `brisklet --quit-after-start` process (offscreen, no handheld, so the start-up pause is in
// it), started in an application folder whose first profile links a table of N rows, until
// its main window has shown that table. Wall time is the benchmark's time; the peak resident
// memory of the process and the same two figures for the engine's own client printing the first
// screen of the same query (sqlite3, psql, mariadb) are counters beside it, with the time that
// client takes to count the query's rows and the time the content pane's rows take to jump from
// the first row to the last. SQLite always; PostgreSQL
// and MariaDB when their servers start on this machine.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "db/connection.h"
#include "db/result_set.h"
#include "db/view_result_set.h"
#include "tests/support/mariadb_server.h"
#include "tests/support/odbc_env.h"
#include "tests/support/pg_server.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using velmora::testing::MariaDbServer;
using velmora::testing::PgServer;

enum Engine { kSqlite, kPostgres, kMariaDb };

const fs::path kBuild = VELMORA_BENCH_BUILD_DIR;
constexpr int kFirstScreenRows = 40;
// One data source per server engine: the ODBC configuration is shared by the whole run.
constexpr const char* kDsn[] = {"", "BigTablePostgres", "BigTableMariaDb"};

struct Measured {
  double seconds = 0;
  double peak_mb = 0;
  bool ok = false;
};

using Environment = std::vector<std::pair<std::string, std::string>>;

// Runs `args` in `folder` to its end with `environment` added, its output written to `output`.
Measured Run(const std::vector<std::string>& args, const fs::path& folder,
             const Environment& environment, const fs::path& output = "/dev/null") {
  std::vector<char*> argv;
  std::vector<std::string> owned = args;
  for (std::string& arg : owned) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const auto started = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(out, 1);
    ::dup2(out, 2);
    if (::chdir(folder.c_str()) != 0) ::_exit(126);
    for (const auto& [name, value] : environment) ::setenv(name.c_str(), value.c_str(), 1);
    ::unsetenv("VELMORA_RAPI");
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  Measured m;
  int status = 0;
  rusage usage{};
  if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid) return m;
  m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  m.peak_mb = static_cast<double>(usage.ru_maxrss) / 1024.0;
  m.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return m;
}

// Columns of the sample Contacts table that the bench fills; the rest stay NULL.
std::string FillSql(Engine engine, long rows) {
  const std::string n = std::to_string(rows);
  const std::string values =
      "i, 'First ' || i, 'Last ' || i, 'Company ' || (i % 1000), '555-' || i, "
      "'person' || i || '@example.com', ";
  if (engine == kSqlite) {
    return "DELETE FROM Contacts; WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
           "WHERE i < " +
           n +
           ") INSERT INTO Contacts(ContactID, FirstName, LastName, Company, WorkPhone, Email, "
           "Birthday, Visits) SELECT " +
           values + "date('1950-01-01', '+' || (i % 20000) || ' days'), i % 50 FROM n;";
  }
  if (engine == kPostgres) {
    return "DROP TABLE IF EXISTS \"Contacts\"; CREATE TABLE \"Contacts\"(\"ContactID\" integer "
           "PRIMARY KEY, \"Title\" varchar(20), \"FirstName\" varchar(50), \"MiddleName\" "
           "varchar(50), \"LastName\" varchar(50), \"Suffix\" varchar(20), \"JobTitle\" "
           "varchar(80), \"Department\" varchar(80), \"Company\" varchar(80), \"WorkPhone\" "
           "varchar(30), \"MobilePhone\" varchar(30), \"Email\" varchar(100), \"BusinessCity\" "
           "varchar(60), \"BusinessState\" varchar(40), \"BusinessZip\" varchar(20), "
           "\"BusinessCountry\" varchar(60), \"Spouse\" varchar(60), \"Birthday\" date, "
           "\"Anniversary\" timestamp, \"Notes\" varchar(255), \"Visits\" integer);"
           "INSERT INTO \"Contacts\"(\"ContactID\", \"FirstName\", \"LastName\", \"Company\", "
           "\"WorkPhone\", \"Email\", \"Birthday\", \"Visits\") SELECT " +
           values + "DATE '1950-01-01' + i % 20000, i % 50 FROM generate_series(1, " + n + ") i;";
  }
  return "DROP TABLE IF EXISTS Contacts; CREATE TABLE Contacts(ContactID integer PRIMARY KEY, "
         "Title varchar(20), FirstName varchar(50), MiddleName varchar(50), LastName varchar(50), "
         "Suffix varchar(20), JobTitle varchar(80), Department varchar(80), Company varchar(80), "
         "WorkPhone varchar(30), MobilePhone varchar(30), Email varchar(100), BusinessCity "
         "varchar(60), BusinessState varchar(40), BusinessZip varchar(20), BusinessCountry "
         "varchar(60), Spouse varchar(60), Birthday date, Anniversary datetime, Notes "
         "varchar(255), Visits integer); SET SESSION max_recursive_iterations = " +
         std::to_string(rows + 1) +
         "; INSERT INTO Contacts(ContactID, FirstName, LastName, Company, WorkPhone, Email, "
         "Birthday, Visits) WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
         "WHERE i < " +
         n +
         ") SELECT i, CONCAT('First ', i), CONCAT('Last ', i), CONCAT('Company ', i % 1000), "
         "CONCAT('555-', i), CONCAT('person', i, '@example.com'), DATE_ADD('1950-01-01', "
         "INTERVAL i % 20000 DAY), i % 50 FROM n;";
}

bool SqliteExec(const fs::path& file, const std::string& sql) {
  sqlite3* raw = nullptr;
  const bool opened = sqlite3_open(file.c_str(), &raw) == SQLITE_OK;
  std::unique_ptr<sqlite3, decltype(&sqlite3_close)> db(raw, &sqlite3_close);
  return opened && sqlite3_exec(raw, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

// The query of the linked table as the profile stores it, for each engine.
std::string ProfileQuery(Engine engine) {
  return engine == kMariaDb ? "SELECT * FROM Contacts" : "SELECT * FROM \"Contacts\"";
}

// One application folder, desktop registry and ODBC configuration for the whole run, so that
// the programs started never see the user's own.
class World {
 public:
  World() {
    app_ = root_.path() / "app";
    fs::create_directories(app_ / "lib");
    fs::create_directories(root_.path() / "home");
    fs::create_directories(root_.path() / "tmp");
    fs::create_directories(root_.path() / "runtime");
    fs::permissions(root_.path() / "runtime", fs::perms::owner_all);
    fs::create_symlink(kBuild / "lib/libpeltrix.so", app_ / "lib/libpeltrix.so");
    fs::copy_file(kBuild / "share/Orvendel.mdb", app_ / "Orvendel.mdb");
    fs::copy_file(kBuild / "share/SampleContactsDB.mdb", app_ / "SampleContactsDB.mdb");
    // The single-instance socket lives in the runtime folder: a private one keeps another
    // running desktop manager out of the measurement.
    environment_ = {{"VELMORA_REGISTRY", (root_.path() / "registry").string()},
                    {"HOME", (root_.path() / "home").string()},
                    {"TMPDIR", (root_.path() / "tmp").string()},
                    {"XDG_RUNTIME_DIR", (root_.path() / "runtime").string()},
                    {"QT_QPA_PLATFORM", "offscreen"},
                    // Qt's own remarks on the offscreen platform are not the program's.
                    {"QT_LOGGING_RULES", "*.warning=false"}};
    ready_ =
        Run({(kBuild / "bin/velmora-reg").string(), "add", "HKCU\\Software\\Microsoft\\Wrenlock",
             "/v", "AppPath", "/d", app_.string(), "/f"},
            app_, environment_)
            .ok;
  }

  bool ready() const { return ready_; }
  const fs::path& app() const { return app_; }
  const Environment& environment() const { return environment_; }

  // Points the first profile at the engine's table and fills it with `rows` rows; the
  // command of the engine's client that prints the first screen goes to `client`.
  std::string Prepare(Engine engine, long rows, std::vector<std::string>* client,
                      std::vector<std::string>* counting_client) {
    const std::string screen = ProfileQuery(engine) + " LIMIT " + std::to_string(kFirstScreenRows);
    std::string profile = "UPDATE DBProfile SET DBPath = '" + app_.string() +
                          "/', SyncOn = 0, Query = '" + ProfileQuery(engine) + "', ";
    if (engine == kSqlite) {
      const fs::path table = app_ / "SampleContactsDB.mdb";
      if (!SqliteExec(table, FillSql(engine, rows))) return "could not fill " + table.string();
      profile += "DBType = 1, connectionType = 0, DBDSN = 'SampleContactsDB.mdb'";
      *client = {"sqlite3", "-header", table.string(), screen};
    } else if (engine == kPostgres) {
      PgServer& pg = PgServer::Shared();
      if (!pg.Available()) return pg.SkipReason();
      // A customer's table has been vacuumed long before anyone opens it.
      if (!pg.Psql(FillSql(engine, rows)) || !pg.Psql("VACUUM ANALYZE \"Contacts\"")) {
        return "could not fill the PostgreSQL table";
      }
      pg.AddDataSource(odbc_, kDsn[engine]);
      profile += "DBType = 0, connectionType = 0, DBDSN = '" + std::string(kDsn[engine]) + "'";
      *client = {"psql", "-X",      "-h", pg.SocketFolder(), "-p", std::to_string(pg.Port()),
                 "-U",   pg.User(), "-d", pg.Database(),     "-c", screen};
    } else {
      MariaDbServer& maria = MariaDbServer::Shared();
      if (!maria.Available()) return maria.SkipReason();
      if (!maria.Sql(FillSql(engine, rows))) return "could not fill the MariaDB table";
      maria.AddDataSource(odbc_, kDsn[engine]);
      // A MySQL-kind profile names its tables and columns bare (connection type 3).
      profile += "DBType = 0, connectionType = 3, DBDSN = '" + std::string(kDsn[engine]) + "'";
      *client = {
          "mariadb", "--socket=" + maria.Socket(), "-u", maria.User(), maria.Database(), "-e",
          screen};
    }
    // The same client counting the rows, as the desktop manager must before it shows them.
    *counting_client = *client;
    counting_client->back() = "SELECT COUNT(*) FROM (" + ProfileQuery(engine) + ") counted";
    // Only the first profile is shown at start; the second stays out of the way.
    if (!SqliteExec(app_ / "Orvendel.mdb", profile + " WHERE ProfID = 1;")) {
      return "could not point the profile at the table";
    }
    return {};
  }

 private:
  velmora::testing::OdbcEnvironment odbc_;
  velmora::testing::TempDir root_;
  fs::path app_;
  Environment environment_;
  bool ready_ = false;
};

World& Shared() {
  static World world;
  return world;
}

// Milliseconds the rows the content pane reads take when its view is scrolled from the first
// row to the last, the last row's values read (median of a few jumps); negative with `error`
// set when the table cannot be read.
double ScrollToLastRowMs(World& world, Engine engine, long rows, std::string* error) {
  velmora::db::Connection connection;
  const bool connected =
      engine == kSqlite
          ? connection.Connect(velmora::db::kCustomDsnDesktop, velmora::db::kDatabaseAccess,
                               (world.app() / "SampleContactsDB.mdb").string(), "", "", error, true)
          : connection.Connect(velmora::db::kCustomDsnDesktop, velmora::db::kDatabaseDsn,
                               kDsn[engine], "", "", error, true);
  if (!connected) return -1;
  const std::unique_ptr<velmora::db::ResultSet> result =
      velmora::db::OpenForView(connection, ProfileQuery(engine), error);
  if (!result || result->RowCount() != rows) return -1;
  const auto read_row = [&](long row) {
    if (!result->MoveToRow(row)) return false;
    for (int c = 0; c < result->ColumnCount(); ++c) {
      benchmark::DoNotOptimize(result->ValueText(row, c));
    }
    return true;
  };
  std::vector<double> jumps;
  for (int i = 0; i < 5; ++i) {
    read_row(0);
    const auto started = std::chrono::steady_clock::now();
    if (!read_row(rows - 1)) return -1;
    jumps.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
            .count());
  }
  std::sort(jumps.begin(), jumps.end());
  return jumps[jumps.size() / 2];
}

void BM_DesktopManagerStart(benchmark::State& state) {
  const auto engine = static_cast<Engine>(state.range(0));
  const long rows = state.range(1);
  World& world = Shared();
  std::vector<std::string> client;
  std::vector<std::string> counting_client;
  std::string error =
      world.ready() ? world.Prepare(engine, rows, &client, &counting_client) : "no registry";
  if (!error.empty()) {
    state.SkipWithError(error.c_str());
    return;
  }
  const std::vector<std::string> brisklet = {(kBuild / "bin/brisklet").string(),
                                             "--quit-after-start"};
  // The desktop manager reports a linked table it cannot show on standard error.
  const fs::path said = world.app() / "brisklet.out";
  double peak = 0;
  for (auto _ : state) {
    const Measured m = Run(brisklet, world.app(), world.environment(), said);
    if (!m.ok || fs::file_size(said) > 0) {
      std::ifstream text(said);
      const std::string output((std::istreambuf_iterator<char>(text)), {});
      state.SkipWithError(("brisklet --quit-after-start: " + output).c_str());
      return;
    }
    state.SetIterationTime(m.seconds);
    peak = std::max(peak, m.peak_mb);
  }
  std::vector<double> client_seconds;
  double client_peak = 0;
  for (int i = 0; i < 3; ++i) {
    const Measured m = Run(client, world.app(), world.environment());
    if (!m.ok) break;
    client_seconds.push_back(m.seconds);
    client_peak = std::max(client_peak, m.peak_mb);
  }
  std::sort(client_seconds.begin(), client_seconds.end());
  std::vector<double> count_seconds;
  for (int i = 0; i < 3; ++i) {
    const Measured m = Run(counting_client, world.app(), world.environment());
    if (!m.ok) break;
    count_seconds.push_back(m.seconds);
  }
  std::sort(count_seconds.begin(), count_seconds.end());
  if (!count_seconds.empty()) {
    state.counters["client_count_ms"] = count_seconds[count_seconds.size() / 2] * 1000.0;
  }
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["peak_MB"] = peak;
  const double last_row_ms = ScrollToLastRowMs(world, engine, rows, &error);
  if (last_row_ms >= 0) {
    state.counters["last_row_ms"] = last_row_ms;
  } else {
    std::fprintf(stderr, "the last row cannot be read: %s\n", error.c_str());
  }
  if (!client_seconds.empty()) {
    state.counters["client_ms"] = client_seconds[client_seconds.size() / 2] * 1000.0;
    state.counters["client_peak_MB"] = client_peak;
  }
}
BENCHMARK(BM_DesktopManagerStart)
    ->ArgNames({"engine", "rows"})
    ->ArgsProduct({{kSqlite, kPostgres, kMariaDb}, {100000, 1000000}})
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
