// The hook through which file databases that are not SQLite files (Excel, dBase, CSV, Access)
// reach the connection: a stager turns such a file into an SQLite file that the SQLite driver
// then serves, and takes changes back when the connection ends. The db library only calls it.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace velmora::db {

class FileDatabaseStager {
 public:
  virtual ~FileDatabaseStager() = default;

  // The SQLite file that stands for `source` (a file, or for dBase and CSV the folder of
  // files) of `database_type`; nullopt with `reason` filled when it cannot, `reason` being
  // the driver message of the failed-connect report.
  virtual std::optional<std::string> Stage(int database_type, const std::string& source,
                                           bool read_only, std::string* reason) = 0;

  // Called once the connection to `staged_path` has ended.
  virtual void Release(int database_type, const std::string& source, const std::string& staged_path,
                       bool read_only) = 0;
};

// Installs the stager used by every later connect (null removes it); a connect already under
// way keeps the stager it started with.
void SetFileDatabaseStager(std::shared_ptr<FileDatabaseStager> stager);
std::shared_ptr<FileDatabaseStager> CurrentFileDatabaseStager();

}  // namespace velmora::db
