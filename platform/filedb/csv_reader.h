// Reads one CSV file (RFC 4180, comma separated, double quotes) into a table of text columns
// named by its header row. Used by Stage for database type 4 and by the CSV fuzz target.
// Works on bytes only; ragged or unterminated input is refused, never guessed at.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/filedb/table_data.h"

namespace velmora::filedb {

// `bytes` is the whole file (encodings as DecodeTextFile takes them). On failure nothing comes
// back and `problem` says what is wrong and where ("row 3 has 4 fields, the header has 3").
std::optional<TableData> ParseCsv(std::string_view bytes, const std::string& table_name,
                                  std::string* problem);

}  // namespace velmora::filedb
