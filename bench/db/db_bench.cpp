// Costs of the db layer: value text and literals per value, and a result set over a large
// SQLite table read one row at a time by absolute position, as the grids and sync runs do.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <memory>
#include <string>

#include "db/connection.h"
#include "db/odbc_result_set.h"
#include "db/sql_literal.h"
#include "db/statements.h"
#include "db/type_codes.h"
#include "db/value_format.h"
#include "tests/support/odbc_env.h"

namespace velmora::db {
namespace {

constexpr long kRows = 100000;

void BM_FormatValue(benchmark::State& state) {
  const Value values[] = {std::int64_t{123456}, 123456789.0, Date{2008, 5, 17}, Time{12, 30, 0},
                          Timestamp{2008, 5, 17, 14, 30, 45, 0}};
  const int types[] = {kTypeInteger, kTypeDouble, kTypeDate, kTypeTime, kTypeTimestamp};
  for (auto _ : state) {
    for (int i = 0; i < 5; ++i) benchmark::DoNotOptimize(FormatValue(types[i], values[i]));
  }
  state.SetItemsProcessed(state.iterations() * 5);
}
BENCHMARK(BM_FormatValue);

void BM_SqlLiteral(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(SqlLiteral("SQL_INTEGER", "(555) 123-4567"));
    benchmark::DoNotOptimize(SqlLiteral("SQL_CHAR", "O'Brien & Sons"));
    benchmark::DoNotOptimize(SqlLiteral("SQL_DOUBLE", "555.1234"));
  }
  state.SetItemsProcessed(state.iterations() * 3);
}
BENCHMARK(BM_SqlLiteral);

// One SQLite database of kRows contacts behind a temporary data source, made once.
struct Fixture {
  Fixture() {
    const std::string file = (odbc.folder() / "contacts.mdb").string();
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_exec(db,
                 "CREATE TABLE Contacts(id INTEGER PRIMARY KEY, name TEXT, born DATE, score "
                 "DOUBLE);"
                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000)"
                 " INSERT INTO Contacts SELECT i, 'Contact number ' || i, '1980-02-03', i * 1.5 "
                 "FROM n;",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
    connection.Connect(kProfileDsnDesktop, kDatabaseAccess, file, "", "", nullptr, false);
  }
  velmora::testing::OdbcEnvironment odbc;
  Connection connection;
};

Fixture& Shared() {
  static Fixture fixture;
  return fixture;
}

void BM_OpenAndCount(benchmark::State& state) {
  Fixture& f = Shared();
  for (auto _ : state) {
    OdbcResultSet rs;
    rs.Open(f.connection, "SELECT * FROM Contacts");
    if (rs.RowCount() != kRows) state.SkipWithError("wrong row count");
  }
}
BENCHMARK(BM_OpenAndCount)->Unit(benchmark::kMillisecond);

void BM_MoveAndReadRow(benchmark::State& state) {
  Fixture& f = Shared();
  OdbcResultSet rs;
  rs.Open(f.connection, "SELECT * FROM Contacts");
  long row = 0;
  for (auto _ : state) {
    row = (row * 7919 + 13) % kRows;  // scattered rows, as a scrolling grid asks for them
    rs.MoveToRow(row);
    for (int c = 0; c < 4; ++c) benchmark::DoNotOptimize(rs.ValueText(row, c));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MoveAndReadRow);

}  // namespace
}  // namespace velmora::db

BENCHMARK_MAIN();
