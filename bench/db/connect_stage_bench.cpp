// Connecting a 50,000-row CSV folder and a 50,000-record dBase folder through db::Connection:
// reading, staging into SQLite and registering the data source, then closing (which removes
// the staged copy). Runs in a private ODBC configuration and temporary folders.
#include <benchmark/benchmark.h>
#include <shapefil.h>

#include <string>

#include "db/connection.h"
#include "tests/support/odbc_env.h"
#include "tests/support/temp_dir.h"

namespace {

using velmora::db::Connection;

constexpr int kRows = 50000;

void WriteCsv(const std::filesystem::path& file) {
  std::string text = "FirstName,LastName,Email,Phone,Company,Note\r\n";
  for (int i = 0; i < kRows; ++i) {
    const std::string n = std::to_string(i);
    text += "First" + n + ",Last" + n + ",person" + n + "@example.org,555-" + n +
            ",\"Company, Ltd\",\"a note\"\r\n";
  }
  velmora::testing::WriteFileBytes(file, text);
}

void WriteDbf(const std::filesystem::path& file) {
  DBFHandle dbf = DBFCreate(file.c_str());
  DBFAddNativeFieldType(dbf, "FIRSTNAME", 'C', 20, 0);
  DBFAddNativeFieldType(dbf, "LASTNAME", 'C', 20, 0);
  DBFAddNativeFieldType(dbf, "EMAIL", 'C', 40, 0);
  DBFAddNativeFieldType(dbf, "VISITS", 'N', 5, 0);
  DBFAddNativeFieldType(dbf, "BIRTHDAY", 'D', 8, 0);
  for (int i = 0; i < kRows; ++i) {
    const std::string n = std::to_string(i);
    DBFWriteStringAttribute(dbf, i, 0, ("First" + n).c_str());
    DBFWriteStringAttribute(dbf, i, 1, ("Last" + n).c_str());
    DBFWriteStringAttribute(dbf, i, 2, ("person" + n + "@example.org").c_str());
    DBFWriteIntegerAttribute(dbf, i, 3, i % 1000);
    DBFWriteAttributeDirectly(dbf, i, 4, const_cast<char*>("19700101"));
  }
  DBFClose(dbf);
}

void ConnectAndClose(benchmark::State& state, int database_type) {
  velmora::testing::OdbcEnvironment odbc;
  velmora::testing::TempDir folder;
  if (database_type == velmora::db::kDatabaseCsv) {
    WriteCsv(folder / "contacts.csv");
  } else {
    WriteDbf(folder / "contacts.dbf");
  }
  for (auto _ : state) {
    Connection c;
    std::string error;
    if (!c.Connect(velmora::db::kCustomDsnDesktop, database_type, folder.path().string(), "", "",
                   &error, true)) {
      state.SkipWithError(error.c_str());
      break;
    }
    c.Close(nullptr);
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_ConnectCsvFolder(benchmark::State& state) {
  ConnectAndClose(state, velmora::db::kDatabaseCsv);
}
void BM_ConnectDbaseFolder(benchmark::State& state) {
  ConnectAndClose(state, velmora::db::kDatabaseDbase);
}

BENCHMARK(BM_ConnectCsvFolder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConnectDbaseFolder)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
