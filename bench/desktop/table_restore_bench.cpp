// How long restoring a table backup takes on SQLite, by backup size: the delete, the inserts
// and the commit of one restore. A benchmark program, not a test.
#include <benchmark/benchmark.h>

#include <clocale>

#include "db/connection.h"
#include "db/memory_result_set.h"
#include "db/statements.h"
#include "db/type_codes.h"
#include "desktop/table_restore.h"
#include "tests/support/odbc_env.h"
#include "tests/support/temp_dir.h"
#include "transfer/pdb_writer.h"

namespace velmora::desktop {
namespace {

struct World {
  World() {
    std::setlocale(LC_CTYPE, "C.UTF-8");
    odbc.AddSqliteDataSource("BenchDSN", dir / "bench.db");
    std::string error;
    linked.Connect("", db::kDatabaseDsn, "BenchDSN", "", "", &error, false);
    db::Execute(linked, "CREATE TABLE people (Name VARCHAR(40), Phone VARCHAR(20), Age INTEGER)");
  }
  testing::TempDir dir;
  testing::OdbcEnvironment odbc;
  db::Connection linked;
};

World& TheWorld() {
  static World world;
  return world;
}

void BM_RestoreTableBackup(benchmark::State& state) {
  World& world = TheWorld();
  std::vector<std::vector<db::Value>> rows;
  for (long r = 0; r < state.range(0); ++r) {
    rows.push_back({"Contact " + std::to_string(r), std::string("555-0100"), std::int64_t{r}});
  }
  db::MemoryResultSet result({{"Name", db::kTypeChar, 40, 0},
                              {"Phone", db::kTypeChar, 20, 0},
                              {"Age", db::kTypeInteger, 10, 0}},
                             rows);
  const auto file = world.dir / "backup.pdb";
  transfer::WriteTablePdb(result, file, "Bench");
  transfer::PdbReader reader;
  reader.Open(file);
  for (auto _ : state) {
    const TableRestoreResult restored =
        RestoreTableBackup(world.linked, reader, "Select * from people");
    if (!restored.restored) state.SkipWithError(restored.reason.c_str());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RestoreTableBackup)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmora::desktop

BENCHMARK_MAIN();
