#include "platform/filedb/text_encoding.h"

#include "platform/text/utf.h"

namespace velmora::filedb {
namespace {

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

std::u16string Utf16Units(std::string_view bytes, bool big_endian) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    const auto b0 = static_cast<unsigned char>(bytes[2 * i]);
    const auto b1 = static_cast<unsigned char>(bytes[2 * i + 1]);
    units[i] = static_cast<char16_t>(big_endian ? (b0 << 8) | b1 : (b1 << 8) | b0);
  }
  return units;
}

}  // namespace

std::string Latin1ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += ch;
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::optional<std::string> Utf8ToLatin1(std::string_view utf8) {
  const std::u16string units = text::Utf8ToUtf16(utf8);
  std::string out;
  out.reserve(units.size());
  for (char16_t u : units) {
    if (u > 0xFF) return std::nullopt;
    out += static_cast<char>(u);
  }
  return out;
}

std::optional<std::string> DecodeTextFile(std::string_view bytes, std::string* problem) {
  const bool utf16_le = StartsWith(bytes, "\xFF\xFE");
  const bool utf16_be = StartsWith(bytes, "\xFE\xFF");
  if (utf16_le || utf16_be) {
    const std::string_view body = bytes.substr(2);
    if (body.size() % 2 != 0) {
      if (problem) *problem = "UTF-16 text ends in the middle of a character";
      return std::nullopt;
    }
    return text::Utf16ToUtf8(Utf16Units(body, utf16_be));
  }
  if (StartsWith(bytes, "\xEF\xBB\xBF")) bytes.remove_prefix(3);
  if (text::IsValidUtf8(bytes)) return std::string(bytes);
  return Latin1ToUtf8(bytes);
}

}  // namespace velmora::filedb
