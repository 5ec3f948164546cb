// A private PostgreSQL server for tests: its own data folder and unix socket in a temporary
// folder, one database, and a data source for it in the test's ODBC configuration. Started on
// demand, stopped and removed with the object. Never touches a system-wide server.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "tests/support/odbc_env.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"

namespace velmora::testing {

class PgServer {
 public:
  // Starts the server and creates `database`. When the PostgreSQL programs are absent or the
  // server cannot start, Available() is false and SkipReason() says why.
  explicit PgServer(std::string database = "velmora_test");
  ~PgServer();
  PgServer(const PgServer&) = delete;
  PgServer& operator=(const PgServer&) = delete;

  bool Available() const { return available_; }
  const std::string& SkipReason() const { return skip_reason_; }

  std::string SocketFolder() const;  // the "host" of a unix socket connection
  int Port() const { return kPort; }
  const std::string& Database() const { return database_; }
  const std::string& User() const { return user_; }

  // Adds a data source on the "PostgreSQL Unicode" driver for the database.
  void AddDataSource(OdbcEnvironment& odbc, const std::string& dsn) const;
  // Runs SQL through psql; true when psql reports success.
  bool Psql(const std::string& sql, std::string* output = nullptr) const;

  // One server for the whole test process, started on first use.
  static PgServer& Shared();

 private:
  static constexpr int kPort = 5432;  // the socket folder is private, so any port will do
  bool Start();
  bool WaitUntilReady();
  void Stop();

  std::string database_;
  std::string user_ = "velmora";
  std::unique_ptr<TempDir> dir_;
  ServerProcess server_;
  std::filesystem::path bin_;
  bool available_ = false;
  bool running_ = false;
  std::string skip_reason_;
};

}  // namespace velmora::testing
