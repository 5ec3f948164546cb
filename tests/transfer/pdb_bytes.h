// Small helpers for the transfer tests: reading big- and little-endian numbers out of a file's
// bytes, and UTF-16LE byte strings from ASCII, so that expectations read as the layout does.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora::testing {

inline unsigned Be16At(const std::string& b, std::size_t at) {
  return (static_cast<unsigned char>(b.at(at)) << 8) | static_cast<unsigned char>(b.at(at + 1));
}
inline std::uint32_t Be32At(const std::string& b, std::size_t at) {
  return (static_cast<std::uint32_t>(Be16At(b, at)) << 16) | Be16At(b, at + 2);
}
inline unsigned Le16At(const std::string& b, std::size_t at) {
  return static_cast<unsigned char>(b.at(at)) | (static_cast<unsigned char>(b.at(at + 1)) << 8);
}
inline std::uint32_t Le32At(const std::string& b, std::size_t at) {
  return Le16At(b, at) | (static_cast<std::uint32_t>(Le16At(b, at + 2)) << 16);
}

// ASCII text as UTF-16LE bytes, without a terminator.
inline std::string Utf16Le(std::string_view ascii) {
  std::string out;
  for (char c : ascii) {
    out.push_back(c);
    out.push_back('\0');
  }
  return out;
}

inline std::string Be16(unsigned v) {
  return std::string{static_cast<char>((v >> 8) & 0xFF), static_cast<char>(v & 0xFF)};
}
inline std::string Be32(std::uint32_t v) {
  return Be16(v >> 16) + Be16(v & 0xFFFF);
}
inline std::string Le16(unsigned v) {
  return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}
inline std::string Le32(std::uint32_t v) {
  return Le16(v & 0xFFFF) + Le16(v >> 16);
}

}  // namespace velmora::testing
