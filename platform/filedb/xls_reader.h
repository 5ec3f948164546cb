// Reads every worksheet of an Excel 97-2003 workbook (.xls) through FreeXL into one table per
// sheet, named as the Excel driver names it ("Sheet1$"). Used by Stage for database type 2.
// Read-only: the workbook is never written.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/filedb/table_data.h"

namespace velmora::filedb {

// The first row of a sheet names the columns; the cell types of the other rows give the
// column types: INTEGER, DOUBLE, DATE, TIMESTAMP, TIME, or VARCHAR when they are text or mixed.
std::optional<std::vector<TableData>> ReadWorkbook(const std::filesystem::path& file,
                                                   std::string* problem);

}  // namespace velmora::filedb
