// Conversion between the UTF-8 text used everywhere inside Velmora and the UTF-16 text that
// the boundaries demand (wide ODBC calls, the RAPI entry points, transfer files, logs).
// This is the only module that knows how; it never throws: malformed input becomes U+FFFD.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velmora::text {

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// True when every byte belongs to a well-formed UTF-8 sequence (no overlong forms, surrogates
// or code points beyond U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// Length of the longest prefix of `utf8` that is at most `max_bytes` long and does not end
// inside a multi-byte sequence.
std::size_t Utf8PrefixAtBoundary(std::string_view utf8, std::size_t max_bytes);

// Length of the longest prefix of `utf16` that is at most `max_units` long and does not end
// between the two halves of a surrogate pair.
std::size_t Utf16PrefixAtBoundary(std::u16string_view utf16, std::size_t max_units);

// Upper-cases ASCII letters only; every other byte is kept.
std::string AsciiUpper(std::string_view s);

}  // namespace velmora::text
