// File databases on Linux: stages an Excel workbook, a folder of dBase files or a folder of CSV
// files into an SQLite file that the SQLite 3 ODBC driver then serves. Used by db's Connect
// and Disconnect. Never touches a source file except through WriteBack, and never throws.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace velmora::filedb {

// Database types that are staged (the other types are not files this module reads).
inline constexpr int kTypeExcel = 2;  // source: the .xls file; read-only
inline constexpr int kTypeDbase = 3;  // source: the folder of .dbf files; written back
inline constexpr int kTypeCsv = 4;    // source: the folder of .csv files; read-only

enum class TableKind { kWorksheet, kDbf, kCsv };

// What a source file looked like when it was staged; a different size, time or content at
// write-back means another program changed it.
struct SourceFingerprint {
  std::uintmax_t size = 0;
  std::int64_t mtime_ns = 0;
  std::uint64_t content_hash = 0;
  friend bool operator==(const SourceFingerprint&, const SourceFingerprint&) = default;
};

// One field definition of a .dbf file, kept so that write-back reproduces it.
struct DbfField {
  std::string name;  // as decoded for the staged column (the raw name is `raw_name`)
  std::string raw_name;
  char type = 'C';  // C, N, F, D, L; any other type is carried as its raw text
  int width = 0;
  int decimals = 0;
};

enum class DbfEncoding { kUtf8, kLatin1 };

struct StagedTable {
  std::string name;  // "Sheet1$", "contacts" (from contacts.dbf), "contacts.csv"
  TableKind kind = TableKind::kCsv;
  std::filesystem::path source_file;
  // dBase only:
  std::vector<DbfField> dbf_fields;
  DbfEncoding dbf_encoding = DbfEncoding::kUtf8;
  unsigned char dbf_version = 0x03;
  unsigned char dbf_language_driver = 0;
  SourceFingerprint fingerprint;
  std::uint64_t staged_rows_hash = 0;  // of the staged table's rows right after staging
};

// Owns the private staging folder (mode 0700) and the SQLite file in it; the folder is
// removed by Remove or, at the latest, by the destructor. Move-only.
class StagedDatabase {
 public:
  StagedDatabase() = default;
  ~StagedDatabase();
  StagedDatabase(StagedDatabase&& other) noexcept;
  StagedDatabase& operator=(StagedDatabase&& other) noexcept;
  StagedDatabase(const StagedDatabase&) = delete;
  StagedDatabase& operator=(const StagedDatabase&) = delete;

  int database_type = 0;
  std::filesystem::path source;  // as given to Stage
  std::filesystem::path folder;
  std::filesystem::path sqlite_file;
  std::vector<StagedTable> tables;  // in the order the tables were created

  // The staged table of that name (compared as SQLite compares identifiers), or null.
  const StagedTable* FindTable(const std::string& name) const;
};

// Stages `source` (see the type constants). On failure returns nothing, fills `error` (may be
// null) with a text that names the file and the problem, and leaves no staging folder behind.
std::optional<StagedDatabase> Stage(int database_type, const std::filesystem::path& source,
                                    std::string* error);

// dBase only (does nothing for the other types): writes every staged table whose rows changed
// since staging back to its .dbf file, as a complete new file renamed over the original. A file
// that another program changed since staging is left alone and reported. Returns false when
// any table could not be written; `error` then lists each failure, one line per table.
bool WriteBack(StagedDatabase& staged, std::string* error);

// Makes every staged table refuse INSERT, UPDATE and DELETE with an error that names its source
// file: Excel and CSV sources are never written back, and nor is a read-only dBase connection,
// so a change there would be lost without a word. The SQLite driver does not enforce the ODBC
// read-only access mode itself.
bool RefuseWrites(const StagedDatabase& staged, std::string* error);

// Removes the staging folder and everything in it; safe to call more than once.
void Remove(StagedDatabase& staged);

}  // namespace velmora::filedb
