// Benchmark of the profile transfer file at its largest taken from a real driver: 65535 rows of
// 20 mixed columns in an SQLite file, reached through the database layer as a file database,
// written by WriteTransferPdb and read back value by value. The file, the ODBC configuration
// and the connection are made once, before timing, in the run's own scratch folder.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/transfer/scratch_dir.h"
#include "db/connection.h"
#include "db/odbc_result_set.h"
#include "transfer/pdb_reader.h"
#include "transfer/pdb_writer.h"

namespace {

using velmora::bench::ScratchDir;
namespace db = velmora::db;
namespace transfer = velmora::transfer;

constexpr long kRows = 65535;
constexpr int kColumns = 20;
constexpr const char* kSqliteDriverLibrary = "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so";
constexpr std::string_view kBenchDsn = "VelmoraBenchDSN";

// Declared types the SQLite driver folds onto the format's column types, in the same mix as the
// in-memory benchmark: eight texts, a decimal, three integers, three floating-point numbers,
// two dates, a time, a timestamp and a bit.
constexpr const char* kColumnTypes[kColumns] = {
    "VARCHAR(64)", "VARCHAR(64)", "VARCHAR(64)", "VARCHAR(64)",   "VARCHAR(64)",
    "VARCHAR(64)", "VARCHAR(64)", "VARCHAR(64)", "NUMERIC(12,2)", "INTEGER",
    "INTEGER",     "SMALLINT",    "DOUBLE",      "DOUBLE",        "REAL",
    "DATE",        "DATE",        "TIME",        "TIMESTAMP",     "BIT"};

// The driver manager reads its driver list once, at the first ODBC call, so this must run
// before any connection object exists.
bool UsePrivateOdbcConfiguration(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  std::ofstream drivers(folder / "odbcinst.ini", std::ios::binary | std::ios::trunc);
  drivers << "[SQLite3]\nDescription=SQLite3 ODBC Driver\nDriver=" << kSqliteDriverLibrary
          << "\nSetup=" << kSqliteDriverLibrary << "\n\n";
  std::ofstream(folder / "odbc.ini", std::ios::binary | std::ios::trunc).flush();
  if (!drivers.flush()) return false;
  return setenv("ODBCSYSINI", folder.c_str(), 1) == 0 &&
         setenv("ODBCINSTINI", "odbcinst.ini", 1) == 0 &&
         setenv("ODBCINI", (folder / "odbc.ini").c_str(), 1) == 0;
}

std::string CreateTableSql() {
  std::string sql = "CREATE TABLE Contacts(";
  for (int c = 0; c < kColumns; ++c) {
    if (c > 0) sql += ", ";
    sql += "col" + std::to_string(c) + " " + kColumnTypes[c];
  }
  return sql + ")";
}

std::string InsertSql() {
  std::string sql = "INSERT INTO Contacts VALUES(";
  for (int c = 0; c < kColumns; ++c) sql += c > 0 ? ", ?" : "?";
  return sql + ")";
}

std::string TwoDigits(long n) {
  char text[8];
  std::snprintf(text, sizeof text, "%02ld", n);
  return text;
}

void BindRow(sqlite3_stmt* insert, long row) {
  const std::string text = "Text value of row " + std::to_string(row);
  for (int c = 0; c < 8; ++c) {
    sqlite3_bind_text(insert, c + 1, text.c_str(), -1, SQLITE_TRANSIENT);
  }
  sqlite3_bind_text(insert, 9, (std::to_string(row) + ".25").c_str(), -1, SQLITE_TRANSIENT);
  for (int c = 10; c <= 12; ++c) sqlite3_bind_int64(insert, c, c == 12 ? row % 30000 : row);
  for (int c = 13; c <= 15; ++c) sqlite3_bind_double(insert, c, row * 1.5);
  const std::string date = std::to_string(2000 + row % 30) + "-" + TwoDigits(1 + row % 12) + "-01";
  sqlite3_bind_text(insert, 16, date.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(insert, 17, date.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(insert, 18, (TwoDigits(row % 24) + ":30:00").c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(insert, 19, "2008-03-15 13:45:30", -1, SQLITE_STATIC);
  sqlite3_bind_int(insert, 20, static_cast<int>(row % 2));
}

// Writes the table straight through the SQLite library, in one transaction.
bool MakeSqliteFile(const std::filesystem::path& file) {
  sqlite3* raw = nullptr;
  int opened = sqlite3_open(file.c_str(), &raw);
  std::unique_ptr<sqlite3, decltype(&sqlite3_close)> database(raw, &sqlite3_close);
  if (opened != SQLITE_OK) return false;
  const std::string create = CreateTableSql();
  if (sqlite3_exec(raw, create.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK ||
      sqlite3_exec(raw, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) {
    return false;
  }
  sqlite3_stmt* raw_insert = nullptr;
  const std::string insert_sql = InsertSql();
  if (sqlite3_prepare_v2(raw, insert_sql.c_str(), -1, &raw_insert, nullptr) != SQLITE_OK) {
    return false;
  }
  std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> insert(raw_insert, &sqlite3_finalize);
  for (long row = 0; row < kRows; ++row) {
    BindRow(raw_insert, row);
    if (sqlite3_step(raw_insert) != SQLITE_DONE) return false;
    sqlite3_reset(raw_insert);
  }
  insert.reset();
  return sqlite3_exec(raw, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
}

// The open connection and result set the benchmark reads from; `error` is empty when usable.
struct SqliteSource {
  std::string error;
  db::Connection connection{db::Program::kConduit};
  db::OdbcResultSet rows;
};

// Made after the scratch folder, so that at exit the connection is closed before the folder
// is removed.
std::unique_ptr<SqliteSource> OpenSqliteSource() {
  const std::filesystem::path& dir = ScratchDir();
  auto source = std::make_unique<SqliteSource>();
  const std::filesystem::path file = dir / "contacts.mdb";
  if (!UsePrivateOdbcConfiguration(dir / "odbc")) {
    source->error = "could not write the ODBC configuration";
  } else if (!MakeSqliteFile(file)) {
    source->error = "could not build " + file.string();
  } else if (!source->connection.Connect(kBenchDsn, db::kDatabaseAccess, file.string(), "", "",
                                         &source->error, true)) {
    if (source->error.empty()) source->error = "connect failed";
  } else if (!source->rows.Open(source->connection, "SELECT * FROM Contacts")) {
    source->error = "SELECT failed: " + source->rows.ErrorReport();
  } else if (source->rows.RowCount() != kRows || source->rows.ColumnCount() != kColumns) {
    source->error = "the result set has " + std::to_string(source->rows.RowCount()) + " rows";
  }
  return source;
}

SqliteSource& Source() {
  static std::unique_ptr<SqliteSource> source = OpenSqliteSource();
  return *source;
}

std::vector<transfer::PdbColumnChoice> AllColumns() {
  std::vector<transfer::PdbColumnChoice> choice;
  for (int c = 0; c < kColumns; ++c) choice.push_back({c, "Field" + std::to_string(c)});
  return choice;
}

// Every value of every record in full form; -1 when the file does not hold the whole table.
long ReadBack(const std::filesystem::path& file) {
  transfer::PdbReader reader;
  if (!reader.Open(file) || reader.RecordCount() != kRows || reader.ColumnCount() != kColumns) {
    return -1;
  }
  long total = 0;
  for (long r = 0; r < reader.RecordCount(); ++r) {
    for (int j = 0; j < reader.ColumnCount(); ++j) {
      total += static_cast<long>(reader.ValueText(r, j, transfer::TextForm::kFull).size());
    }
  }
  return total;
}

// Each iteration writes the transfer file from the SQLite result set and reads it back; the
// write and read shares of the time are reported as counters beside the total.
void BM_WriteTransferPdbFromSqlite(benchmark::State& state) {
  // Opening the source is the set-up: it happens before the first timed iteration.
  SqliteSource& source = Source();
  if (!source.error.empty()) {
    state.SkipWithError(source.error.c_str());
    return;
  }
  const std::filesystem::path file = ScratchDir() / "sqlite-transfer.pdb";
  const std::vector<transfer::PdbColumnChoice> columns = AllColumns();
  double write_seconds = 0;
  double read_seconds = 0;
  for (auto _ : state) {
    const auto started = std::chrono::steady_clock::now();
    if (!transfer::WriteTransferPdb(source.rows, file, "Bench", kColumns, columns)) {
      state.SkipWithError("write failed");
      break;
    }
    const auto written = std::chrono::steady_clock::now();
    long total = ReadBack(file);
    const auto read = std::chrono::steady_clock::now();
    if (total < 0) {
      state.SkipWithError("the file read back does not hold the whole table");
      break;
    }
    benchmark::DoNotOptimize(total);
    write_seconds += std::chrono::duration<double>(written - started).count();
    read_seconds += std::chrono::duration<double>(read - written).count();
  }
  if (!std::filesystem::exists(file)) return;
  const double bytes = static_cast<double>(std::filesystem::file_size(file));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
  state.counters["rows"] = kRows;
  state.counters["file_MB"] = bytes / 1e6;
  if (write_seconds > 0)
    state.counters["write_MB/s"] = bytes * state.iterations() / write_seconds / 1e6;
  if (read_seconds > 0)
    state.counters["read_MB/s"] = bytes * state.iterations() / read_seconds / 1e6;
}
BENCHMARK(BM_WriteTransferPdbFromSqlite)->Unit(benchmark::kMillisecond);

}  // namespace
