// The hook through which file databases that are not SQLite files (Excel, dBase, CSV, Access)
// reach the connection: a stager turns such a file into an SQLite file that the SQLite driver
// then serves, and takes changes back when the connection ends. The db library only calls it;
// every program gets the file database stager (db/filedb_stager.h) without asking for it.
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
  // the driver message of the failed-connect report. An empty `reason` lets the connection
  // give its own refusal.
  virtual std::optional<std::string> Stage(int database_type, const std::string& source,
                                           bool read_only, std::string* reason) = 0;

  // Called once the connection to `staged_path` has ended: takes back what the connection
  // changed (never for a read-only one) and removes the staged file. False with `error` (may
  // be null) filled when a change could not be taken back; the staged file is gone either way.
  virtual bool Release(int database_type, const std::string& source, const std::string& staged_path,
                       bool read_only, std::string* error) = 0;
};

// Installs the stager used by every later connect (null removes it); a connect already under
// way keeps the stager it started with. Until this is called the default stager is installed.
void SetFileDatabaseStager(std::shared_ptr<FileDatabaseStager> stager);
std::shared_ptr<FileDatabaseStager> CurrentFileDatabaseStager();

// The stager every program starts with: Excel, dBase and CSV files through platform/filedb.
std::shared_ptr<FileDatabaseStager> DefaultFileDatabaseStager();

}  // namespace velmora::db
