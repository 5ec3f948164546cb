// dBase write-back: each staged table whose rows changed replaces its .dbf file with a complete
// new one written next to it and renamed over it, unless another program changed the file.
#include <sys/stat.h>

#include <cstring>

#include "platform/files/atomic_file.h"

#include "platform/filedb/dbf_writer.h"
#include "platform/filedb/file_database.h"
#include "platform/filedb/fingerprint.h"
#include "platform/filedb/sqlite_stage.h"

namespace velmora::filedb {
namespace {

bool ChangedElsewhere(const StagedTable& table) {
  const std::optional<SourceFingerprint> now = FingerprintNow(table.source_file);
  return !now || !(*now == table.fingerprint);
}

// The new file is filled by name (the dBase writer opens it itself) under a hidden name that
// ends in ".dbf", takes the original's permission bits and is flushed to disk before it is
// renamed over the original.
bool ReplaceFile(StagedTable& table, const std::vector<std::vector<Cell>>& rows,
                 std::string* problem) {
  files::AsideOptions options;
  options.temp_ending = ".dbf";
  struct stat info {};
  if (stat(table.source_file.c_str(), &info) == 0) options.exact_mode = info.st_mode & 07777;
  files::AtomicFile sibling(table.source_file, options);
  if (sibling.TempPath().empty()) {
    *problem = "no new file can be created next to it";
    return false;
  }
  if (!WriteDbfFile(sibling.TempPath(), table, rows, problem)) return false;
  if (!sibling.Sync()) {
    *problem = "the new file cannot be flushed to disk";
    return false;
  }
  // The file is compared once more right before it is replaced, to keep the window short.
  if (ChangedElsewhere(table)) {
    *problem = "changed by another program since it was opened; not overwritten";
    return false;
  }
  if (!sibling.Rename()) {
    *problem = std::string("the new file cannot be renamed over it (") +
               std::strerror(sibling.Error()) + ")";
    return false;
  }
  return true;
}

bool WriteBackTable(SqliteFile& db, StagedTable& table, std::string* problem) {
  const std::optional<std::uint64_t> hash = db.HashRows(table.name, problem);
  if (!hash) return false;
  if (*hash == table.staged_rows_hash) return true;
  if (ChangedElsewhere(table)) {
    *problem = "changed by another program since it was opened; not overwritten";
    return false;
  }
  std::vector<std::vector<Cell>> rows;
  if (!db.ReadRows(table.name, table.dbf_fields.size(), &rows, problem)) return false;
  if (!ReplaceFile(table, rows, problem)) return false;
  const std::optional<SourceFingerprint> written = FingerprintNow(table.source_file);
  if (written) table.fingerprint = *written;
  table.staged_rows_hash = *hash;
  return true;
}

}  // namespace

bool WriteBack(StagedDatabase& staged, std::string* error) {
  if (staged.database_type != kTypeDbase) return true;
  std::string problem;
  std::optional<SqliteFile> db = SqliteFile::Open(staged.sqlite_file, false, &problem);
  if (!db) {
    if (error) *error = problem;
    return false;
  }
  std::string failures;
  for (StagedTable& table : staged.tables) {
    problem.clear();
    if (!WriteBackTable(*db, table, &problem)) {
      failures += (failures.empty() ? "" : "\n") + table.source_file.string() + ": " + problem;
    }
  }
  if (error) *error = failures;
  return failures.empty();
}

}  // namespace velmora::filedb
