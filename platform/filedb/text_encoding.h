// Byte-level text decoding of the file databases: Latin-1 in and out, and the byte-order marks
// of CSV files. Used by the CSV and dBase readers and dBase write-back. UTF-8 validation and
// UTF-16 are platform/text's; nothing here guesses beyond these rules.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmora::filedb {

std::string Latin1ToUtf8(std::string_view bytes);

// Nothing when the text holds a character outside Latin-1.
std::optional<std::string> Utf8ToLatin1(std::string_view utf8);

// A whole text file as UTF-8: a UTF-8 byte-order mark is dropped, UTF-16 with a byte-order mark
// (either order) is converted, other bytes are taken as UTF-8 when they are valid UTF-8 and as
// Latin-1 otherwise. Nothing, with `problem` filled, for UTF-16 of an odd number of bytes.
std::optional<std::string> DecodeTextFile(std::string_view bytes, std::string* problem);

}  // namespace velmora::filedb
