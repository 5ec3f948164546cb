// What a chosen desktop data source writes into a profile: the database type of a file by its
// extension, and DBType, DBDSN, DBPath and what a connection is given for a file or a data
// source name. Used by the wizard's data-source page and velmora-profile; pure text work.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmora::profile {

// Database type of a file by its extension, ignoring case: 1 mdb, 2 xls, 3 dbf, 4 csv; nullopt
// for any other.
std::optional<int> DatabaseTypeOfFile(std::string_view path);

struct DataSourceChoice {
  int db_type = 0;
  std::string db_dsn;          // file name with extension, or the data source name
  std::string db_path;         // the file's folder with "/" appended, or a single space
  std::string connect_source;  // what the connection is given: file or folder
};
DataSourceChoice FileDataSource(std::string_view path, int db_type);
DataSourceChoice NamedDataSource(std::string_view dsn);

}  // namespace velmora::profile
