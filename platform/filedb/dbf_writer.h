// Writes a complete .dbf file from staged rows, keeping the field definitions, version byte
// and language driver byte of the file it replaces. Used by dBase write-back. Writes only the
// path it is given; putting the file in place is the caller's business.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/filedb/file_database.h"
#include "platform/filedb/table_data.h"

namespace velmora::filedb {

// The record bytes (deletion flag, then each field padded to its width) of one row, or
// nothing with `problem` naming the field when a value does not fit its field.
std::optional<std::string> FormatDbfRecord(const std::vector<DbfField>& fields,
                                           DbfEncoding encoding, const std::vector<Cell>& row,
                                           std::string* problem);

bool WriteDbfFile(const std::filesystem::path& file, const StagedTable& layout,
                  const std::vector<std::vector<Cell>>& rows, std::string* problem);

}  // namespace velmora::filedb
