#include "db/filedb_stager.h"

#include <utility>

#include "db/connection.h"
#include "platform/filedb/file_database.h"

namespace velmora::db {
namespace {

// The driver's messages carry the same mark as the connection's own refusals.
// `message` may hold one line per file.
std::string Marked(const std::string& message) {
  std::string marked = "[Velmora] ";
  for (char c : message) {
    marked += c;
    if (c == '\n') marked += "[Velmora] ";
  }
  return marked;
}

}  // namespace

FiledbStager::FiledbStager() = default;
FiledbStager::~FiledbStager() = default;

std::optional<std::string> FiledbStager::Stage(int database_type, const std::string& source,
                                               bool read_only, std::string* reason) {
  // Access files other than SQLite ones get the connection's own refusal.
  if (database_type != kDatabaseExcel && database_type != kDatabaseDbase &&
      database_type != kDatabaseCsv) {
    return std::nullopt;
  }
  std::string problem;
  std::optional<filedb::StagedDatabase> staged = filedb::Stage(database_type, source, &problem);
  const bool writable = database_type == kDatabaseDbase && !read_only;
  if (staged && !writable && !filedb::RefuseWrites(*staged, &problem)) staged.reset();
  if (!staged) {
    if (reason != nullptr) *reason = Marked(problem);
    return std::nullopt;
  }
  std::string path = staged->sqlite_file.string();
  auto owned = std::make_unique<filedb::StagedDatabase>(std::move(*staged));
  std::lock_guard<std::mutex> lock(mutex_);
  staged_[path] = std::move(owned);
  return path;
}

bool FiledbStager::Release(int database_type, const std::string&, const std::string& staged_path,
                           bool read_only, std::string* error) {
  std::unique_ptr<filedb::StagedDatabase> staged;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = staged_.find(staged_path);
    if (found == staged_.end()) return true;
    staged = std::move(found->second);
    staged_.erase(found);
  }
  bool ok = true;
  std::string problem;
  if (database_type == kDatabaseDbase && !read_only) ok = filedb::WriteBack(*staged, &problem);
  filedb::Remove(*staged);
  if (!ok && error != nullptr) *error = Marked(problem);
  return ok;
}

}  // namespace velmora::db
