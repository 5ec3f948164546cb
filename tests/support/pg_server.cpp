#include "tests/support/pg_server.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include "tests/support/server_process.h"

namespace velmora::testing {
namespace {

constexpr const char* kDefaultBin = "/usr/lib/postgresql/15/bin";
constexpr const char* kServiceUser = "postgres";

std::string RunAs() {
  return geteuid() == 0 ? kServiceUser : "";
}

// initdb takes most of a start-up, so one initialised cluster is kept per machine and user and
// copied for every server. Made aside and renamed into place; a lock keeps two test processes
// from making it at once.
std::filesystem::path TemplateCluster(const std::filesystem::path& bin, std::string* failure) {
  const auto base = std::filesystem::temp_directory_path() /
                    ("velmora-pg-template-15-w1-" + std::to_string(geteuid()));
  std::error_code ec;
  if (std::filesystem::exists(base / "PG_VERSION", ec)) return base;
  const std::string lock_path = base.string() + ".lock";
  int lock = open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lock >= 0) flock(lock, LOCK_EX);
  if (!std::filesystem::exists(base / "PG_VERSION", ec)) {
    const auto aside = std::filesystem::path(base.string() + ".tmp-" + std::to_string(getpid()));
    std::filesystem::remove_all(aside, ec);
    std::filesystem::create_directories(aside, ec);
    std::string output;
    bool made = GiveToUser(aside.string(), RunAs()) &&
                RunProgram({(bin / "initdb").string(), "-D", aside.string(), "-U", "velmora", "-A",
                            "trust", "-E", "UTF8", "--locale=C", "--no-sync", "--wal-segsize=1"},
                           RunAs(), &output);
    if (made) {
      std::filesystem::rename(aside, base, ec);
      made = !ec;
    }
    if (!made) {
      *failure = "initdb failed: " + output;
      std::filesystem::remove_all(aside, ec);
    }
  }
  if (lock >= 0) close(lock);
  return std::filesystem::exists(base / "PG_VERSION", ec) ? base : std::filesystem::path();
}

}  // namespace

PgServer::PgServer(std::string database) : database_(std::move(database)) {
  const char* bin = std::getenv("VELMORA_PG_BIN");
  bin_ = bin ? bin : kDefaultBin;
  std::error_code ec;
  for (const char* program : {"initdb", "pg_isready", "psql", "postgres"}) {
    if (!std::filesystem::exists(bin_ / program, ec)) {
      skip_reason_ = "PostgreSQL server programs not found in " + bin_.string() +
                     " (install postgresql or set VELMORA_PG_BIN)";
      return;
    }
  }
  available_ = Start();
}

PgServer::~PgServer() {
  Stop();
}

std::string PgServer::SocketFolder() const {
  return dir_ ? (dir_->path() / "sock").string() : "";
}

bool PgServer::Start() {
  std::filesystem::path cluster = TemplateCluster(bin_, &skip_reason_);
  if (cluster.empty()) return false;
  dir_ = std::make_unique<TempDir>();
  const std::string data = (dir_->path() / "data").string();
  std::filesystem::create_directories(dir_->path() / "sock");
  std::string output;
  if (!RunProgram({"cp", "-a", cluster.string(), data}, "", &output) ||
      !GiveToUser(dir_->path().string(), RunAs())) {
    skip_reason_ = "could not copy the PostgreSQL cluster: " + output;
    return false;
  }
  const std::string log = (dir_->path() / "log").string();
  if (!server_.Start({(bin_ / "postgres").string(), "-D", data, "-k", SocketFolder(), "-p",
                      std::to_string(kPort), "-c", "listen_addresses=", "-F"},
                     RunAs(), log, SIGQUIT)) {
    skip_reason_ = "could not start postgres";
    return false;
  }
  if (!WaitUntilReady()) {
    skip_reason_ = "PostgreSQL did not start: " + ReadFileBytes(log);
    server_.Stop();
    return false;
  }
  running_ = true;
  if (!Psql("CREATE DATABASE " + database_, &output)) {
    skip_reason_ = "could not create the test database: " + output;
    return false;
  }
  return true;
}

bool PgServer::WaitUntilReady() {
  // Up to a minute, for a machine busy with a parallel build.
  for (int attempt = 0; attempt < 1200; ++attempt) {
    if (!server_.Running()) return false;
    if (RunProgram({(bin_ / "pg_isready").string(), "-q", "-h", SocketFolder(), "-p",
                    std::to_string(kPort)})) {
      return true;
    }
    usleep(50 * 1000);
  }
  return false;
}

void PgServer::Stop() {
  if (!running_) return;
  server_.Stop();  // immediate shutdown: the data folder goes away with the object
  running_ = false;
}

bool PgServer::Psql(const std::string& sql, std::string* output) const {
  if (!running_) return false;
  const std::string db = sql.rfind("CREATE DATABASE", 0) == 0 ? "postgres" : database_;
  return RunProgram(
      {(bin_ / "psql").string(), "-X", "-q", "-h", SocketFolder(), "-p", std::to_string(kPort),
       "-U", user_, "-d", db, "-v", "ON_ERROR_STOP=1", "-c", sql},
      "", output);
}

void PgServer::AddDataSource(OdbcEnvironment& odbc, const std::string& dsn) const {
  odbc.AddDataSource(dsn, kPostgresDriverName,
                     {{"Servername", SocketFolder()},
                      {"Port", std::to_string(kPort)},
                      {"Database", database_},
                      {"Username", user_},
                      {"Password", ""},
                      {"UseDeclareFetch", "1"}});
}

PgServer& PgServer::Shared() {
  static PgServer server;
  return server;
}

}  // namespace velmora::testing
