// The source files of a folder database: the regular files directly in the folder whose
// extension matches without regard to case, in name order, each with the table name it gives.
// Used by Stage for dBase and CSV folders. File names are kept exactly as they are.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace velmora::filedb {

struct SourceFile {
  std::filesystem::path path;
  std::string table_name;
};

// `extension` is lower case with its dot (".dbf"). With `keep_extension` the table is named by
// the whole file name ("contacts.csv"), otherwise by the name without extension ("contacts").
// Two files whose table names SQLite could not tell apart are refused, naming both.
std::optional<std::vector<SourceFile>> ListSourceFiles(const std::filesystem::path& folder,
                                                       const std::string& extension,
                                                       bool keep_extension, std::string* error);

// The companion file of `file` with another extension in either letter case ("x.cpg", "x.CPG").
std::optional<std::filesystem::path> Companion(const std::filesystem::path& file,
                                               const std::string& extension);

}  // namespace velmora::filedb
