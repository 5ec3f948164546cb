// Test helpers over a staged SQLite file: rows as text, declared column types, and a TMPDIR of
// the test's own so that staging folders can be counted. Used by the filedb tests only.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace velmora::filedb::testing {

// Every row of `sql` with each value as SQLite's text of it, or "NULL".
std::vector<std::vector<std::string>> QueryText(const std::filesystem::path& sqlite_file,
                                                const std::string& sql);

// (column name, declared type) of a staged table, in column order.
std::vector<std::pair<std::string, std::string>> DeclaredColumns(
    const std::filesystem::path& sqlite_file, const std::string& table);

// Runs one statement; returns SQLite's error text, empty on success.
std::string ExecuteSql(const std::filesystem::path& sqlite_file, const std::string& sql);

// Points TMPDIR at a folder of its own while it lives.
class PrivateTmpDir {
 public:
  PrivateTmpDir();
  ~PrivateTmpDir();
  const std::filesystem::path& path() const { return dir_.path(); }
  // Staging folders still present in the private TMPDIR.
  std::size_t StagingFolderCount() const;

 private:
  velmora::testing::TempDir dir_;
  std::string previous_;
  bool had_previous_ = false;
};

}  // namespace velmora::filedb::testing
