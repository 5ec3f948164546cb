// Staging speed: 50,000 CSV rows or dBase records into SQLite, and writing a changed dBase
// table of that size back. Run by hand: build/bench/velmora-bench-filedb.
#include <benchmark/benchmark.h>
#include <shapefil.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/filedb/file_database.h"

namespace {

constexpr int kRows = 50'000;

std::filesystem::path MakeFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "velmora-bench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  return pattern;
}

std::string Name(int i) {
  return "Person " + std::to_string(i);
}

void WriteCsv(const std::filesystem::path& file) {
  std::ofstream out(file, std::ios::binary);
  out << "FirstName,LastName,Email,Phone,Company,City,Note,Visits\r\n";
  for (int i = 0; i < kRows; ++i) {
    out << Name(i) << ",\"O'Neil, Jr.\",p" << i << "@example.org,+45 12 34 56 78,Analytical"
        << " Engines Ltd,K\xC3\xB8"
           "benhavn,\"two\nlines\","
        << i % 100 << "\r\n";
  }
}

void WriteDbf(const std::filesystem::path& file) {
  DBFHandle dbf = DBFCreate(file.c_str());
  DBFAddNativeFieldType(dbf, "FIRSTNAME", 'C', 20, 0);
  DBFAddNativeFieldType(dbf, "LASTNAME", 'C', 30, 0);
  DBFAddNativeFieldType(dbf, "EMAIL", 'C', 40, 0);
  DBFAddNativeFieldType(dbf, "PHONE", 'C', 20, 0);
  DBFAddNativeFieldType(dbf, "VISITS", 'N', 5, 0);
  DBFAddNativeFieldType(dbf, "BALANCE", 'N', 10, 2);
  DBFAddNativeFieldType(dbf, "BORN", 'D', 8, 0);
  DBFAddNativeFieldType(dbf, "ACTIVE", 'L', 1, 0);
  for (int i = 0; i < kRows; ++i) {
    DBFWriteStringAttribute(dbf, i, 0, Name(i).c_str());
    DBFWriteStringAttribute(dbf, i, 1, "O'Neil, Jr.");
    DBFWriteStringAttribute(dbf, i, 2, ("p" + std::to_string(i) + "@example.org").c_str());
    DBFWriteStringAttribute(dbf, i, 3, "+45 12 34 56 78");
    DBFWriteIntegerAttribute(dbf, i, 4, i % 100);
    DBFWriteDoubleAttribute(dbf, i, 5, i / 4.0);
    DBFWriteAttributeDirectly(dbf, i, 6, const_cast<char*>("19991231"));
    DBFWriteLogicalAttribute(dbf, i, 7, i % 2 ? 'T' : 'F');
  }
  DBFClose(dbf);
}

void StageFolder(benchmark::State& state, int type, void (*write)(const std::filesystem::path&),
                 const char* file_name) {
  const std::filesystem::path folder = MakeFolder();
  write(folder / file_name);
  for (auto _ : state) {
    std::string error;
    auto staged = velmora::filedb::Stage(type, folder, &error);
    if (!staged) state.SkipWithError(error.c_str());
  }
  state.SetItemsProcessed(state.iterations() * kRows);
  std::filesystem::remove_all(folder);
}

void BM_StageCsv50k(benchmark::State& state) {
  StageFolder(state, velmora::filedb::kTypeCsv, WriteCsv, "contacts.csv");
}

void BM_StageDbf50k(benchmark::State& state) {
  StageFolder(state, velmora::filedb::kTypeDbase, WriteDbf, "contacts.dbf");
}

// A device-to-desktop run changed one record; the whole table is written back.
void BM_WriteBackDbf50k(benchmark::State& state) {
  const std::filesystem::path folder = MakeFolder();
  WriteDbf(folder / "contacts.dbf");
  for (auto _ : state) {
    state.PauseTiming();
    auto staged = velmora::filedb::Stage(velmora::filedb::kTypeDbase, folder, nullptr);
    sqlite3* db = nullptr;
    sqlite3_open(staged->sqlite_file.c_str(), &db);
    sqlite3_exec(db, "UPDATE contacts SET VISITS = VISITS + 1 WHERE rowid = 1", nullptr, nullptr,
                 nullptr);
    sqlite3_close(db);
    state.ResumeTiming();
    std::string error;
    if (!velmora::filedb::WriteBack(*staged, &error)) state.SkipWithError(error.c_str());
  }
  state.SetItemsProcessed(state.iterations() * kRows);
  std::filesystem::remove_all(folder);
}

BENCHMARK(BM_StageCsv50k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StageDbf50k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteBackDbf50k)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
