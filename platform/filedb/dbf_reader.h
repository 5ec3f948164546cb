// Reads one dBase (.dbf) file through shapelib into a staged table plus the field layout that
// write-back needs. Used by Stage for database type 3 and by the dBase fuzz target. Works on
// the file's bytes held in memory, so the bytes read are exactly the bytes fingerprinted.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/filedb/file_database.h"
#include "platform/filedb/table_data.h"

namespace velmora::filedb {

struct DbfContent {
  std::vector<DbfField> fields;
  DbfEncoding encoding = DbfEncoding::kUtf8;
  unsigned char version = 0x03;
  unsigned char language_driver = 0;
  TableData table;  // live records only; records marked deleted are not staged
};

// `dbf_bytes` is the whole .dbf file, `cpg_text` the content of its .cpg file (empty when
// there is none). Text is UTF-8 when the .cpg says so or, without a .cpg, when every text
// value decodes as UTF-8; otherwise it is Latin-1. On failure `problem` says what is wrong.
std::optional<DbfContent> ReadDbf(std::string_view dbf_bytes, std::string_view cpg_text,
                                  const std::string& table_name, std::string* problem);

// Declared SQLite type of a field: CHAR(w), INTEGER (N without decimals, at most 9 digits),
// NUMERIC(w,d), DOUBLE (F), DATE (D), BIT (L), VARCHAR(w) for any other type.
std::string DeclaredType(const DbfField& field);

}  // namespace velmora::filedb
