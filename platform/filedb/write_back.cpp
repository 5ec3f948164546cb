// dBase write-back: each staged table whose rows changed replaces its .dbf file with a complete
// new one written next to it and renamed over it, unless another program changed the file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/filedb/dbf_writer.h"
#include "platform/filedb/file_database.h"
#include "platform/filedb/fingerprint.h"
#include "platform/filedb/sqlite_stage.h"

namespace velmora::filedb {
namespace {

// Reserves a hidden file name next to `original` that ends in ".dbf", as shapelib wants.
std::optional<std::filesystem::path> ReserveSibling(const std::filesystem::path& original) {
  std::string pattern =
      (original.parent_path() / ("." + original.stem().string() + ".velmora-XXXXXX.dbf")).string();
  const int fd = mkstemps(pattern.data(), 4);
  if (fd < 0) return std::nullopt;
  close(fd);
  return std::filesystem::path(pattern);
}

// The new file takes the original's permission bits, flushed to disk before it is renamed.
bool Finish(const std::filesystem::path& file, const std::filesystem::path& original) {
  struct stat info {};
  const int fd = open(file.c_str(), O_RDWR);
  if (fd < 0) return false;
  bool ok = true;
  if (stat(original.c_str(), &info) == 0) ok = fchmod(fd, info.st_mode & 07777) == 0;
  ok = fsync(fd) == 0 && ok;
  close(fd);
  return ok;
}

void SyncFolder(const std::filesystem::path& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

bool ChangedElsewhere(const StagedTable& table) {
  const std::optional<SourceFingerprint> now = FingerprintNow(table.source_file);
  return !now || !(*now == table.fingerprint);
}

bool ReplaceFile(StagedTable& table, const std::vector<std::vector<Cell>>& rows,
                 std::string* problem) {
  const std::optional<std::filesystem::path> sibling = ReserveSibling(table.source_file);
  if (!sibling) {
    *problem = "no new file can be created next to it";
    return false;
  }
  std::error_code ec;
  bool ok = WriteDbfFile(*sibling, table, rows, problem);
  if (ok && !Finish(*sibling, table.source_file)) {
    *problem = "the new file cannot be flushed to disk";
    ok = false;
  }
  // The file is compared once more right before it is replaced, to keep the window short.
  if (ok && ChangedElsewhere(table)) {
    *problem = "changed by another program since it was opened; not overwritten";
    ok = false;
  }
  if (ok) std::filesystem::rename(*sibling, table.source_file, ec);
  if (!ok || ec) {
    if (ok) *problem = "the new file cannot be renamed over it (" + ec.message() + ")";
    std::filesystem::remove(*sibling, ec);
    return false;
  }
  SyncFolder(table.source_file.parent_path());
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
