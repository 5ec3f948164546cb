#include "tests/support/mariadb_server.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <csignal>
#include <vector>

namespace velmora::testing {
namespace {

constexpr const char* kServer = "/usr/sbin/mariadbd";
constexpr const char* kInstall = "/usr/bin/mariadb-install-db";
constexpr const char* kClient = "/usr/bin/mariadb";
constexpr const char* kAdmin = "/usr/bin/mariadb-admin";

// Small InnoDB files keep the template quick to copy; the server must start with the same.
const std::vector<std::string> kInnoDbOptions = {"--innodb-log-file-size=4M",
                                                 "--innodb-data-file-path=ibdata1:4M:autoextend",
                                                 "--innodb-buffer-pool-size=16M"};

std::vector<std::string> AsRoot() {
  if (geteuid() == 0) return {"--user=root"};
  return {};
}

// mariadb-install-db takes most of a start-up, so one initialised data folder is kept per
// machine and user and copied for every server. Made aside and renamed into place under a lock.
std::filesystem::path TemplateDataFolder(std::string* failure) {
  const auto base = std::filesystem::temp_directory_path() /
                    ("velmora-mariadb-template-" + std::to_string(geteuid()));
  std::error_code ec;
  if (std::filesystem::exists(base / "mysql", ec)) return base;
  const std::string lock_path = base.string() + ".lock";
  int lock = open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lock >= 0) flock(lock, LOCK_EX);
  if (!std::filesystem::exists(base / "mysql", ec)) {
    const auto aside = std::filesystem::path(base.string() + ".tmp-" + std::to_string(getpid()));
    std::filesystem::remove_all(aside, ec);
    std::vector<std::string> argv = {kInstall, "--no-defaults", "--datadir=" + aside.string(),
                                     "--auth-root-authentication-method=normal", "--skip-test-db"};
    for (const std::string& o : AsRoot()) argv.push_back(o);
    for (const std::string& o : kInnoDbOptions) argv.push_back(o);
    std::string output;
    bool made = RunProgram(argv, "", &output);
    if (made) {
      std::filesystem::rename(aside, base, ec);
      made = !ec;
    }
    if (!made) {
      *failure = "mariadb-install-db failed: " + output;
      std::filesystem::remove_all(aside, ec);
    }
  }
  if (lock >= 0) close(lock);
  return std::filesystem::exists(base / "mysql", ec) ? base : std::filesystem::path();
}

}  // namespace

MariaDbServer::MariaDbServer(std::string database) : database_(std::move(database)) {
  std::error_code ec;
  for (const char* program : {kServer, kInstall, kClient, kAdmin}) {
    if (!std::filesystem::exists(program, ec)) {
      skip_reason_ = std::string("MariaDB program not found: ") + program +
                     " (install mariadb-server and mariadb-client)";
      return;
    }
  }
  available_ = Start();
}

MariaDbServer::~MariaDbServer() {
  server_.Stop();
}

std::string MariaDbServer::Socket() const {
  return dir_ ? (dir_->path() / "mysqld.sock").string() : "";
}

bool MariaDbServer::Start() {
  std::filesystem::path data_template = TemplateDataFolder(&skip_reason_);
  if (data_template.empty()) return false;
  dir_ = std::make_unique<TempDir>();
  const std::string data = (dir_->path() / "data").string();
  std::string output;
  if (!RunProgram({"cp", "-a", data_template.string(), data}, "", &output)) {
    skip_reason_ = "could not copy the MariaDB data folder: " + output;
    return false;
  }
  const std::string log = (dir_->path() / "log").string();
  std::vector<std::string> argv = {kServer,
                                   "--no-defaults",
                                   "--datadir=" + data,
                                   "--socket=" + Socket(),
                                   "--pid-file=" + (dir_->path() / "pid").string(),
                                   "--skip-networking",
                                   "--log-error=" + log};
  for (const std::string& o : AsRoot()) argv.push_back(o);
  for (const std::string& o : kInnoDbOptions) argv.push_back(o);
  // The data folder goes away with the object, so nothing needs a clean shutdown.
  if (!server_.Start(argv, "", log, SIGKILL)) {
    skip_reason_ = "could not start mariadbd";
    return false;
  }
  if (!WaitUntilReady()) {
    skip_reason_ = "MariaDB did not start: " + ReadFileBytes(log);
    server_.Stop();
    return false;
  }
  if (!Client("", "CREATE DATABASE " + database_ + " CHARACTER SET utf8mb4", &output)) {
    skip_reason_ = "could not create the test database: " + output;
    return false;
  }
  return true;
}

bool MariaDbServer::WaitUntilReady() {
  for (int attempt = 0; attempt < 1200; ++attempt) {  // up to a minute
    if (!server_.Running()) return false;
    if (RunProgram({kAdmin, "--no-defaults", "-S", Socket(), "-u", user_, "ping"})) return true;
    usleep(50 * 1000);
  }
  return false;
}

bool MariaDbServer::Client(const std::string& database, const std::string& sql,
                           std::string* output) const {
  std::vector<std::string> argv = {
      kClient, "--no-defaults", "-S", Socket(), "-u", user_, "--default-character-set=utf8mb4"};
  if (!database.empty()) argv.push_back(database);
  argv.insert(argv.end(), {"-e", sql});
  return RunProgram(argv, "", output);
}

bool MariaDbServer::Sql(const std::string& sql, std::string* output) const {
  if (!available_) return false;
  return Client(database_, sql, output);
}

void MariaDbServer::AddDataSource(OdbcEnvironment& odbc, const std::string& dsn) const {
  odbc.AddDataSource(dsn, kMariaDbDriverName,
                     {{"SERVER", "localhost"},
                      {"SOCKET", Socket()},
                      {"DATABASE", database_},
                      {"UID", user_},
                      {"PWD", ""},
                      {"CHARSET", "utf8mb4"}});
}

MariaDbServer& MariaDbServer::Shared() {
  static MariaDbServer server;
  return server;
}

}  // namespace velmora::testing
