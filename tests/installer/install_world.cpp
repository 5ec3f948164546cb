#include "tests/installer/install_world.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

#include "installer/install_plan.h"
#include "platform/registry/registry.h"

namespace velmora::installer::testing {
namespace {

using velmora::testing::BuildDir;

void Check(bool ok, const std::string& what) {
  if (!ok) throw std::runtime_error("test set-up failed: " + what);
}

// The ODBC configuration of the test process, inherited by the installer it starts.
velmora::testing::OdbcEnvironment& ProcessOdbc() {
  static velmora::testing::OdbcEnvironment odbc;
  return odbc;
}

bool IsProgramName(const std::string& name) {
  return name.find('/') == std::string::npos && name.find('.') == std::string::npos;
}

}  // namespace

InstallWorld::InstallWorld() {
  ProcessOdbc();
  home_ = root_.path() / "home";
  source_ = root_.path() / "source";
  std::filesystem::create_directories(home_ / ".config");
  velmora::testing::WriteFileBytes(home_ / ".config" / "user-dirs.dirs",
                                   "XDG_DESKTOP_DIR=\"$HOME/Work Desktop\"\n");
  const std::pair<const char*, std::optional<std::string>> env[] = {
      {"HOME", home_.string()},
      {"XDG_CONFIG_HOME", (home_ / ".config").string()},
      {"XDG_DATA_HOME", std::nullopt},
      {"VELMORA_REGISTRY", (root_.path() / "registry").string()},
  };
  for (const auto& [name, value] : env) {
    const char* old = std::getenv(name);
    saved_env_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    if (value) {
      ::setenv(name, value->c_str(), 1);
    } else {
      ::unsetenv(name);
    }
  }
  LayOutSource();
}

InstallWorld::~InstallWorld() {
  for (const auto& [name, value] : saved_env_) {
    if (value) {
      ::setenv(name.c_str(), value->c_str(), 1);
    } else {
      ::unsetenv(name.c_str());
    }
  }
}

void InstallWorld::LayOutSource() {
  std::filesystem::create_directories(source_ / "lib");
  const auto share = BuildDir() / "share";
  std::filesystem::copy_file(share / kScriptFileName, source_ / kScriptFileName);
  for (const PlannedCopy& file : AllShippedFiles(Script(), 1)) {
    const auto to = source_ / file.source;
    std::filesystem::create_directories(to.parent_path());
    if (file.source == "Orvendel.mdb") {
      std::filesystem::copy_file(share / "Orvendel.mdb", to);
    } else if (file.source == "lib/libpeltrix.so") {
      std::filesystem::copy_file(BuildDir() / "lib" / "libpeltrix.so", to);
    } else if (IsProgramName(file.source)) {
      velmora::testing::WriteFileBytes(to, "#!/bin/sh\necho " + file.source + "\n");
      Check(::chmod(to.c_str(), 0755) == 0, "chmod");
    } else {
      velmora::testing::WriteFileBytes(to, "stand-in for " + file.source + "\n");
    }
  }
}

std::string InstallWorld::DefaultFolder() const {
  return ::geteuid() == 0 ? "/opt/Velmora" : (home_ / ".local/opt/Velmora").string();
}

void InstallWorld::AddHandheldUser(const std::string& name) {
  const std::string key =
      "Software\\Microsoft\\Windows CE Services\\Partners\\P" + std::to_string(++users_);
  Check(registry::WriteString(registry::Hive::kCurrentUser, key, "DisplayName", name),
        "partnership");
}

RunResult InstallWorld::RunInstaller(const std::vector<std::string>& args) const {
  return RunProgram("installer", args);
}

RunResult InstallWorld::RunProgram(const std::string& name,
                                   const std::vector<std::string>& args) const {
  const std::string program = (BuildDir() / "bin" / name).string();
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  int pipe_fds[2];
  Check(::pipe(pipe_fds) == 0, "pipe");
  const pid_t pid = ::fork();
  Check(pid >= 0, "fork");
  if (pid == 0) {
    ::dup2(pipe_fds[1], 1);
    ::dup2(pipe_fds[1], 2);
    ::close(pipe_fds[0]);
    ::close(pipe_fds[1]);
    if (::chdir(source_.c_str()) != 0) ::_exit(126);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(pipe_fds[1]);
  RunResult result;
  char buffer[4096];
  ssize_t got = 0;
  while ((got = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0) result.output.append(buffer, got);
  ::close(pipe_fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::optional<StoredProfile> InstallWorld::ReadProfile(const std::filesystem::path& database,
                                                       long prof_id) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return std::nullopt;
  }
  std::optional<StoredProfile> profile;
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT UserName, DBPath FROM DBProfile WHERE ProfID = ?", -1,
                         &statement, nullptr) == SQLITE_OK) {
    sqlite3_bind_int64(statement, 1, prof_id);
    if (sqlite3_step(statement) == SQLITE_ROW) {
      const auto text = [&](int column) {
        const unsigned char* value = sqlite3_column_text(statement, column);
        return value ? std::string(reinterpret_cast<const char*>(value)) : std::string();
      };
      profile = StoredProfile{text(0), text(1)};
    }
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return profile;
}

std::string InstallWorld::QueryText(const std::filesystem::path& database, const std::string& sql) {
  sqlite3* db = nullptr;
  std::string text;
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
      sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
      sqlite3_step(statement) == SQLITE_ROW) {
    const unsigned char* value = sqlite3_column_text(statement, 0);
    if (value) text = reinterpret_cast<const char*>(value);
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return text;
}

bool InstallWorld::RunSql(const std::filesystem::path& database, const std::string& sql) {
  sqlite3* db = nullptr;
  bool ok = sqlite3_open(database.c_str(), &db) == SQLITE_OK &&
            sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_close(db);
  return ok;
}

}  // namespace velmora::installer::testing
