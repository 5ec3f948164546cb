// The stager every program gets by default: Excel workbooks, folders of dBase files and
// folders of CSV files staged into SQLite by platform/filedb, dBase changes written back when
// the connection ends. Used through db/file_stager.h only; it never serves Access files.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "db/file_stager.h"

namespace velmora::filedb {
class StagedDatabase;
}

namespace velmora::db {

class FiledbStager : public FileDatabaseStager {
 public:
  FiledbStager();
  ~FiledbStager() override;

  // Excel and CSV are always staged read-only, and so is dBase when `read_only` is set: a
  // write statement then fails with a message that names the file.
  std::optional<std::string> Stage(int database_type, const std::string& source, bool read_only,
                                   std::string* reason) override;
  // dBase opened read-write: writes every changed table back to its .dbf file first.
  bool Release(int database_type, const std::string& source, const std::string& staged_path,
               bool read_only, std::string* error) override;

 private:
  std::mutex mutex_;
  // Keyed by the staged SQLite file, which is unique per staging.
  std::map<std::string, std::unique_ptr<filedb::StagedDatabase>> staged_;
};

}  // namespace velmora::db
