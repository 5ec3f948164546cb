// A private MariaDB server for tests: its own data folder and unix socket in a temporary
// folder, no network, one database, and a data source for it in the test's ODBC configuration.
// Ends with the object, or with the test process should that die first.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "tests/support/odbc_env.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"

namespace velmora::testing {

class MariaDbServer {
 public:
  // Starts the server and creates `database` (utf8mb4). When the MariaDB programs are absent or
  // the server cannot start, Available() is false and SkipReason() says why.
  explicit MariaDbServer(std::string database = "velmora_test");
  ~MariaDbServer();
  MariaDbServer(const MariaDbServer&) = delete;
  MariaDbServer& operator=(const MariaDbServer&) = delete;

  bool Available() const { return available_; }
  const std::string& SkipReason() const { return skip_reason_; }

  std::string Socket() const;
  const std::string& Database() const { return database_; }
  const std::string& User() const { return user_; }

  // Adds a data source on the "MariaDB Unicode" driver for the database.
  void AddDataSource(OdbcEnvironment& odbc, const std::string& dsn) const;
  // Runs SQL through the mariadb client in the database; true on success.
  bool Sql(const std::string& sql, std::string* output = nullptr) const;

  // One server for the whole test process, started on first use.
  static MariaDbServer& Shared();

 private:
  bool Start();
  bool WaitUntilReady();
  bool Client(const std::string& database, const std::string& sql, std::string* output) const;

  std::string database_;
  std::string user_ = "root";
  std::unique_ptr<TempDir> dir_;
  ServerProcess server_;
  bool available_ = false;
  std::string skip_reason_;
};

}  // namespace velmora::testing
