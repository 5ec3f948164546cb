// A fresh profile database for each test, on SQLite or on the shared private PostgreSQL
// server, created from the shipped schema and connected through a data source of the test
// process's own ODBC configuration.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "db/connection.h"
#include "profile/profile_store.h"
#include "tests/support/odbc_env.h"

namespace velmora::profile::testing {

enum class Engine { kSqlite, kPostgres };

std::string EngineName(const ::testing::TestParamInfo<Engine>& info);

// The ODBC configuration of the test process. The driver manager reads its configuration
// files once per process, so every test of a process shares one.
velmora::testing::OdbcEnvironment& ProcessOdbc();

// The statements of an SQL script, split at the semicolons that end a line.
std::vector<std::string> ScriptStatements(const std::string& script);

class ProfileDatabaseTest : public ::testing::TestWithParam<Engine> {
 protected:
  void SetUp() override;

  // Runs a statement that must succeed.
  void MustRun(const std::string& sql);
  // The text a single-row, single-column query gives (empty when it gives nothing).
  std::string QueryText(const std::string& sql);

  db::Connection connection_;
  std::unique_ptr<ProfileStore> store_;
};

}  // namespace velmora::profile::testing
