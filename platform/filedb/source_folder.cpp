#include "platform/filedb/source_folder.h"

#include <algorithm>
#include <map>

#include "platform/text/utf.h"

namespace velmora::filedb {

std::optional<std::vector<SourceFile>> ListSourceFiles(const std::filesystem::path& folder,
                                                       const std::string& extension,
                                                       bool keep_extension, std::string* error) {
  std::error_code ec;
  std::filesystem::directory_iterator entries(folder, ec);
  if (ec) {
    if (error) *error = folder.string() + ": the folder cannot be read (" + ec.message() + ")";
    return std::nullopt;
  }
  std::vector<SourceFile> files;
  for (const auto& entry : entries) {
    const std::filesystem::path& path = entry.path();
    if (!entry.is_regular_file(ec)) continue;
    if (text::AsciiUpper(path.extension().string()) != text::AsciiUpper(extension)) continue;
    const std::string name = keep_extension ? path.filename().string() : path.stem().string();
    files.push_back({path, name});
  }
  std::sort(files.begin(), files.end(),
            [](const SourceFile& a, const SourceFile& b) { return a.path < b.path; });
  std::map<std::string, const SourceFile*> by_folded_name;
  for (const SourceFile& file : files) {
    const auto [it, inserted] = by_folded_name.emplace(text::AsciiUpper(file.table_name), &file);
    if (!inserted) {
      if (error) {
        *error = file.path.string() + ": gives the same table name as " + it->second->path.string();
      }
      return std::nullopt;
    }
  }
  return files;
}

std::optional<std::filesystem::path> Companion(const std::filesystem::path& file,
                                               const std::string& extension) {
  for (const std::string& candidate : {extension, text::AsciiUpper(extension)}) {
    std::filesystem::path path = file;
    path.replace_extension(candidate);
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec)) return path;
  }
  return std::nullopt;
}

}  // namespace velmora::filedb
