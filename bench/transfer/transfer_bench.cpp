// Benchmarks of the transfer files: the profile transfer file at its largest (65535 rows of 20
// mixed columns, from an in-memory result set) written and read back, the device contacts
// backup at 1000 and 5461 records (time should grow linearly), and reading a full PIM export
// record by record from its file, by code and by position.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bench/transfer/scratch_dir.h"
#include "db/type_codes.h"
#include "tests/transfer/memory_result_set.h"
#include "transfer/device_backup.h"
#include "transfer/pdb_reader.h"
#include "transfer/pdb_writer.h"
#include "transfer/pim_reader.h"
#include "transfer/pim_writer.h"

namespace {

using velmora::bench::ScratchDir;
using velmora::testing::MemoryColumn;
using velmora::testing::MemoryResultSet;
namespace db = velmora::db;
namespace transfer = velmora::transfer;

constexpr long kTransferRows = 65535;

MemoryResultSet TwentyColumns() {
  std::vector<MemoryColumn> columns;
  static constexpr int types[] = {
      db::kTypeChar,    db::kTypeChar,     db::kTypeChar,   db::kTypeChar,      db::kTypeChar,
      db::kTypeChar,    db::kTypeChar,     db::kTypeChar,   db::kTypeNumeric,   db::kTypeInteger,
      db::kTypeInteger, db::kTypeSmallInt, db::kTypeDouble, db::kTypeDouble,    db::kTypeReal,
      db::kTypeDate,    db::kTypeDate,     db::kTypeTime,   db::kTypeTimestamp, db::kTypeBit};
  for (int c = 0; c < 20; ++c) columns.push_back({"col" + std::to_string(c), types[c], 64, 0});
  return MemoryResultSet(columns, kTransferRows, [](long row, int column) -> db::Value {
    switch (types[column]) {
      case db::kTypeChar:
        return std::string("Text value of row ") + std::to_string(row);
      case db::kTypeNumeric:
        return std::to_string(row) + ".25";
      case db::kTypeDouble:
      case db::kTypeReal:
        return row * 1.5;
      case db::kTypeDate:
        return db::Date{2000 + static_cast<int>(row % 30), 1 + static_cast<int>(row % 12), 1};
      case db::kTypeTime:
        return db::Time{static_cast<int>(row % 24), 30, 0};
      case db::kTypeTimestamp:
        return db::Timestamp{2008, 3, 15, 13, 45, 30, 0};
      default:
        return std::int64_t{row};
    }
  });
}

std::vector<transfer::PdbColumnChoice> AllTwenty() {
  std::vector<transfer::PdbColumnChoice> choice;
  for (int c = 0; c < 20; ++c) choice.push_back({c, "Field" + std::to_string(c)});
  return choice;
}

void BM_WriteTransferPdb(benchmark::State& state) {
  MemoryResultSet rows = TwentyColumns();
  std::filesystem::path file = ScratchDir() / "transfer.pdb";
  for (auto _ : state) {
    if (!transfer::WriteTransferPdb(rows, file, "Bench", 20, AllTwenty())) {
      state.SkipWithError("write failed");
    }
  }
  state.SetBytesProcessed(state.iterations() * std::filesystem::file_size(file));
  state.counters["rows"] = kTransferRows;
}
BENCHMARK(BM_WriteTransferPdb)->Unit(benchmark::kMillisecond);

void BM_ReadTransferPdbFullForm(benchmark::State& state) {
  MemoryResultSet rows = TwentyColumns();
  std::filesystem::path file = ScratchDir() / "read.pdb";
  transfer::WriteTransferPdb(rows, file, "Bench", 20, AllTwenty());
  for (auto _ : state) {
    transfer::PdbReader reader;
    reader.Open(file);
    std::size_t total = 0;
    for (long r = 0; r < reader.RecordCount(); ++r) {
      for (int j = 0; j < reader.ColumnCount(); ++j) {
        total += reader.ValueText(r, j, transfer::TextForm::kFull).size();
      }
    }
    benchmark::DoNotOptimize(total);
  }
  state.SetBytesProcessed(state.iterations() * std::filesystem::file_size(file));
}
BENCHMARK(BM_ReadTransferPdbFullForm)->Unit(benchmark::kMillisecond);

std::vector<std::string> FieldNames() {
  std::vector<std::string> names;
  for (int i = 1; i <= 46; ++i) names.push_back("F" + std::to_string(i));
  return names;
}

std::vector<std::string> DeviceContact(long n) {
  std::vector<std::string> values(46);
  values[1] = "First " + std::to_string(n);
  values[3] = "Last " + std::to_string(n);
  values[7] = "Company Ltd";
  values[8] = "+44 20 7946 0000";
  values[19] = "person" + std::to_string(n) + "@example.com";
  values[43] = "Some notes about this contact";
  values[44] = "1/1/2008";
  values[45] = " ";
  return values;
}

void BM_DeviceBackup(benchmark::State& state) {
  std::vector<std::vector<std::string>> records;
  for (long n = 0; n < state.range(0); ++n) records.push_back(DeviceContact(n));
  std::filesystem::path file = ScratchDir() / "DeviceContactsBackup.pdb";
  for (auto _ : state) {
    if (!transfer::WriteDeviceBackupPdb(file, FieldNames(), records)) {
      state.SkipWithError("backup failed");
    }
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DeviceBackup)->Arg(1000)->Arg(5461)->Unit(benchmark::kMillisecond);

const std::filesystem::path& FullPimFile() {
  static std::filesystem::path file = [] {
    std::vector<transfer::PimContact> contacts(transfer::kPimMaxRecords);
    for (std::size_t n = 0; n < contacts.size(); ++n) {
      std::vector<std::string> values = DeviceContact(static_cast<long>(n));
      for (int i = 0; i < 44; ++i) contacts[n].texts[i] = values[i];
      contacts[n].birthday = 39448.0;
    }
    std::filesystem::path made = ScratchDir() / "Contact1.pim";
    transfer::WritePimFile(made, contacts);
    return made;
  }();
  return file;
}

void BM_PimReadByCode(benchmark::State& state) {
  const std::filesystem::path& file = FullPimFile();
  std::vector<std::string> mapped(transfer::kPimFieldNames.begin(), transfer::kPimFieldNames.end());
  std::vector<std::string> slots;
  for (auto _ : state) {
    long count = transfer::ReadPimRecordCount(file);
    for (long r = 1; r <= count; ++r) transfer::ReadPimRecordByCode(file, r, mapped, slots);
  }
  state.SetItemsProcessed(state.iterations() * transfer::kPimMaxRecords);
}
BENCHMARK(BM_PimReadByCode)->Unit(benchmark::kMillisecond);

void BM_PimReadByPosition(benchmark::State& state) {
  const std::filesystem::path& file = FullPimFile();
  transfer::PimPositionSlots slots;
  for (auto _ : state) {
    long count = transfer::ReadPimRecordCount(file);
    for (long r = 1; r <= count; ++r) transfer::ReadPimRecordByPosition(file, r, slots);
  }
  state.SetItemsProcessed(state.iterations() * transfer::kPimMaxRecords);
}
BENCHMARK(BM_PimReadByPosition)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
