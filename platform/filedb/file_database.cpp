#include "platform/filedb/file_database.h"

#include <cstdlib>

#include "platform/filedb/csv_reader.h"
#include "platform/filedb/dbf_reader.h"
#include "platform/filedb/fingerprint.h"
#include "platform/filedb/source_folder.h"
#include "platform/filedb/sqlite_stage.h"
#include "platform/filedb/xls_reader.h"
#include "platform/text/utf.h"

namespace velmora::filedb {
namespace {

constexpr char kStagedFileName[] = "staged.sqlite";

void SetError(std::string* error, const std::string& text) {
  if (error) *error = text;
}

std::string Located(const std::filesystem::path& file, const std::string& problem) {
  return file.string() + ": " + problem;
}

// A new folder only this user can enter (mkdtemp creates it with mode 0700).
std::optional<std::filesystem::path> MakePrivateFolder(std::string* error) {
  std::error_code ec;
  const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
  std::string pattern =
      ((ec ? std::filesystem::path("/tmp") : base) / "velmora-filedb-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    SetError(error, pattern + ": the staging folder cannot be created");
    return std::nullopt;
  }
  return std::filesystem::path(pattern);
}

// A dBase or CSV source names its folder; a file in the folder stands for the folder.
std::filesystem::path SourceFolder(const std::filesystem::path& source) {
  std::error_code ec;
  if (std::filesystem::is_regular_file(source, ec)) return source.parent_path();
  return source;
}

struct ReadTables {
  std::vector<TableData> data;
  std::vector<StagedTable> staged;
};

std::optional<ReadTables> ReadExcel(const std::filesystem::path& file, std::string* error) {
  std::string problem;
  std::optional<std::vector<TableData>> sheets = ReadWorkbook(file, &problem);
  if (!sheets) {
    SetError(error, Located(file, problem));
    return std::nullopt;
  }
  ReadTables tables;
  for (TableData& sheet : *sheets) {
    StagedTable staged;
    staged.name = sheet.name;
    staged.kind = TableKind::kWorksheet;
    staged.source_file = file;
    tables.staged.push_back(std::move(staged));
    tables.data.push_back(std::move(sheet));
  }
  return tables;
}

std::optional<ReadTables> ReadCsvFolder(const std::filesystem::path& folder, std::string* error) {
  const auto files = ListSourceFiles(folder, ".csv", true, error);
  if (!files) return std::nullopt;
  ReadTables tables;
  for (const SourceFile& file : *files) {
    std::string problem;
    const std::optional<std::string> bytes = ReadWholeFile(file.path, &problem);
    std::optional<TableData> table;
    if (bytes) table = ParseCsv(*bytes, file.table_name, &problem);
    if (!table) {
      SetError(error, Located(file.path, problem));
      return std::nullopt;
    }
    StagedTable staged;
    staged.name = file.table_name;
    staged.kind = TableKind::kCsv;
    staged.source_file = file.path;
    tables.staged.push_back(std::move(staged));
    tables.data.push_back(std::move(*table));
  }
  return tables;
}

std::optional<StagedTable> ReadOneDbf(const SourceFile& file, TableData* data, std::string* error) {
  std::string problem;
  const std::optional<std::string> bytes = ReadWholeFile(file.path, &problem);
  std::optional<std::string> cpg;
  if (const auto cpg_path = Companion(file.path, ".cpg")) cpg = ReadWholeFile(*cpg_path, nullptr);
  std::optional<DbfContent> content;
  if (bytes) content = ReadDbf(*bytes, cpg.value_or(""), file.table_name, &problem);
  const auto fingerprint = bytes ? FingerprintOf(file.path, *bytes) : std::nullopt;
  if (!content || !fingerprint) {
    SetError(error, Located(file.path, content ? "cannot be examined" : problem));
    return std::nullopt;
  }
  StagedTable staged;
  staged.name = file.table_name;
  staged.kind = TableKind::kDbf;
  staged.source_file = file.path;
  staged.dbf_fields = std::move(content->fields);
  staged.dbf_encoding = content->encoding;
  staged.dbf_version = content->version;
  staged.dbf_language_driver = content->language_driver;
  staged.fingerprint = *fingerprint;
  *data = std::move(content->table);
  return staged;
}

std::optional<ReadTables> ReadDbfFolder(const std::filesystem::path& folder, std::string* error) {
  const auto files = ListSourceFiles(folder, ".dbf", false, error);
  if (!files) return std::nullopt;
  ReadTables tables;
  for (const SourceFile& file : *files) {
    TableData data;
    std::optional<StagedTable> staged = ReadOneDbf(file, &data, error);
    if (!staged) return std::nullopt;
    tables.staged.push_back(std::move(*staged));
    tables.data.push_back(std::move(data));
  }
  return tables;
}

std::optional<ReadTables> ReadSource(int database_type, const std::filesystem::path& source,
                                     std::string* error) {
  std::error_code ec;
  if (database_type == kTypeExcel) {
    if (!std::filesystem::is_regular_file(source, ec)) {
      SetError(error, Located(source, "no such file"));
      return std::nullopt;
    }
    return ReadExcel(source, error);
  }
  const std::filesystem::path folder = SourceFolder(source);
  if (!std::filesystem::is_directory(folder, ec)) {
    SetError(error, Located(source, "no such folder"));
    return std::nullopt;
  }
  if (database_type == kTypeDbase) return ReadDbfFolder(folder, error);
  return ReadCsvFolder(folder, error);
}

// Writes the tables in one transaction and, for dBase, records each table's row hash.
bool WriteStagingFile(StagedDatabase& staged, const std::vector<TableData>& tables,
                      std::string* error) {
  std::string problem;
  std::optional<SqliteFile> db = SqliteFile::Open(staged.sqlite_file, true, &problem);
  if (!db) {
    SetError(error, problem);
    return false;
  }
  bool ok = db->Execute("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN", &problem);
  for (std::size_t i = 0; ok && i < tables.size(); ++i) {
    ok = db->AddTable(tables[i], &problem);
    if (!ok) problem = Located(staged.tables[i].source_file, "cannot be staged: " + problem);
  }
  ok = ok && db->Execute("COMMIT", &problem);
  for (StagedTable& table : staged.tables) {
    if (!ok || table.kind != TableKind::kDbf) continue;
    const auto hash = db->HashRows(table.name, &problem);
    ok = hash.has_value();
    if (ok) table.staged_rows_hash = *hash;
  }
  if (!ok) SetError(error, problem);
  return ok;
}

}  // namespace

StagedDatabase::~StagedDatabase() {
  Remove(*this);
}

StagedDatabase::StagedDatabase(StagedDatabase&& other) noexcept {
  *this = std::move(other);
}

StagedDatabase& StagedDatabase::operator=(StagedDatabase&& other) noexcept {
  if (this != &other) {
    Remove(*this);
    database_type = other.database_type;
    source = std::move(other.source);
    folder = std::move(other.folder);
    sqlite_file = std::move(other.sqlite_file);
    tables = std::move(other.tables);
    other.folder.clear();
    other.sqlite_file.clear();
    other.tables.clear();
  }
  return *this;
}

const StagedTable* StagedDatabase::FindTable(const std::string& name) const {
  for (const StagedTable& table : tables) {
    if (text::AsciiUpper(table.name) == text::AsciiUpper(name)) return &table;
  }
  return nullptr;
}

std::optional<StagedDatabase> Stage(int database_type, const std::filesystem::path& source,
                                    std::string* error) {
  if (database_type != kTypeExcel && database_type != kTypeDbase && database_type != kTypeCsv) {
    SetError(error, "database type " + std::to_string(database_type) + " is not staged");
    return std::nullopt;
  }
  std::optional<ReadTables> tables = ReadSource(database_type, source, error);
  if (!tables) return std::nullopt;
  std::optional<std::filesystem::path> folder = MakePrivateFolder(error);
  if (!folder) return std::nullopt;
  StagedDatabase staged;
  staged.database_type = database_type;
  staged.source = source;
  staged.folder = *folder;
  staged.sqlite_file = *folder / kStagedFileName;
  staged.tables = std::move(tables->staged);
  if (!WriteStagingFile(staged, tables->data, error)) return std::nullopt;
  return staged;
}

void Remove(StagedDatabase& staged) {
  if (staged.folder.empty()) return;
  std::error_code ec;
  std::filesystem::remove_all(staged.folder, ec);
  staged.folder.clear();
  staged.sqlite_file.clear();
}

}  // namespace velmora::filedb
