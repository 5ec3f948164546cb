#include "profile/data_source.h"

#include "platform/text/utf.h"
#include "profile/sync_settings.h"

namespace velmora::profile {
namespace {

std::string Extension(std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  return text::AsciiUpper(path.substr(dot + 1));
}

}  // namespace

std::optional<int> DatabaseTypeOfFile(std::string_view path) {
  const std::string extension = Extension(path);
  if (extension == "MDB") return kAccessDatabase;
  if (extension == "XLS") return kExcelDatabase;
  if (extension == "DBF") return kDBaseDatabase;
  if (extension == "CSV") return kCsvDatabase;
  return std::nullopt;
}

DataSourceChoice FileDataSource(std::string_view path, int db_type) {
  DataSourceChoice choice;
  choice.db_type = db_type;
  const std::size_t slash = path.find_last_of('/');
  const std::string folder =
      slash == std::string_view::npos ? std::string(".") : std::string(path.substr(0, slash));
  choice.db_dsn = std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
  // The root folder keeps its single "/".
  choice.db_path = folder.empty() ? "/" : folder + "/";
  const bool whole_file = db_type == kAccessDatabase || db_type == kExcelDatabase;
  choice.connect_source = whole_file ? std::string(path) : (folder.empty() ? "/" : folder);
  return choice;
}

DataSourceChoice NamedDataSource(std::string_view dsn) {
  return {kDsnDatabase, std::string(dsn), " ", std::string(dsn)};
}

}  // namespace velmora::profile
