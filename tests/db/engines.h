// The database engines the db tests run against, and their names in parameterised test names.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace velmora::db {

enum class Engine { kSqlite, kPostgres, kMariaDb };

inline std::string EngineTestName(const ::testing::TestParamInfo<Engine>& info) {
  switch (info.param) {
    case Engine::kSqlite:
      return "Sqlite";
    case Engine::kPostgres:
      return "Postgres";
    case Engine::kMariaDb:
      return "MariaDb";
  }
  return "Unknown";
}

inline auto AllEngines() {
  return ::testing::Values(Engine::kSqlite, Engine::kPostgres, Engine::kMariaDb);
}

}  // namespace velmora::db
