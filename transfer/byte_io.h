// Byte-order helpers for the transfer formats: appending big- and little-endian numbers to a
// byte string, and reading them back from a byte view with bounds checks. Internal to
// transfer/; a read past the end yields nothing rather than touching memory outside the view.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::transfer::bytes {

inline void PutBe16(std::string& out, std::uint16_t v) {
  out.push_back(static_cast<char>(v >> 8));
  out.push_back(static_cast<char>(v & 0xFF));
}
inline void PutBe32(std::string& out, std::uint32_t v) {
  PutBe16(out, static_cast<std::uint16_t>(v >> 16));
  PutBe16(out, static_cast<std::uint16_t>(v & 0xFFFF));
}
inline void PutBe64(std::string& out, std::uint64_t v) {
  PutBe32(out, static_cast<std::uint32_t>(v >> 32));
  PutBe32(out, static_cast<std::uint32_t>(v & 0xFFFFFFFF));
}
inline void PutLe16(std::string& out, std::uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}
inline void PutLe32(std::string& out, std::uint32_t v) {
  PutLe16(out, static_cast<std::uint16_t>(v & 0xFFFF));
  PutLe16(out, static_cast<std::uint16_t>(v >> 16));
}
inline void PutLe64(std::string& out, std::uint64_t v) {
  PutLe32(out, static_cast<std::uint32_t>(v & 0xFFFFFFFF));
  PutLe32(out, static_cast<std::uint32_t>(v >> 32));
}

inline void SetBe16(std::string& out, std::size_t at, std::uint16_t v) {
  out[at] = static_cast<char>(v >> 8);
  out[at + 1] = static_cast<char>(v & 0xFF);
}
inline void SetBe32(std::string& out, std::size_t at, std::uint32_t v) {
  SetBe16(out, at, static_cast<std::uint16_t>(v >> 16));
  SetBe16(out, at + 2, static_cast<std::uint16_t>(v & 0xFFFF));
}

inline void PutUtf16Le(std::string& out, std::u16string_view text) {
  for (char16_t unit : text) PutLe16(out, static_cast<std::uint16_t>(unit));
}

inline bool Fits(std::string_view data, std::uint64_t at, std::uint64_t size) {
  return at <= data.size() && size <= data.size() - at;
}

inline std::uint8_t Byte(std::string_view data, std::size_t at) {
  return static_cast<std::uint8_t>(data[at]);
}

inline std::optional<std::uint64_t> GetBe(std::string_view data, std::uint64_t at, int size) {
  if (!Fits(data, at, static_cast<std::uint64_t>(size))) return std::nullopt;
  std::uint64_t v = 0;
  for (int i = 0; i < size; ++i) v = (v << 8) | Byte(data, static_cast<std::size_t>(at) + i);
  return v;
}
inline std::optional<std::uint64_t> GetLe(std::string_view data, std::uint64_t at, int size) {
  if (!Fits(data, at, static_cast<std::uint64_t>(size))) return std::nullopt;
  std::uint64_t v = 0;
  for (int i = size - 1; i >= 0; --i) v = (v << 8) | Byte(data, static_cast<std::size_t>(at) + i);
  return v;
}

inline double DoubleFromBits(std::uint64_t bits) {
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}
inline std::uint64_t BitsFromDouble(double d) {
  std::uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  return bits;
}
inline float FloatFromBits(std::uint32_t bits) {
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}
inline std::uint32_t BitsFromFloat(float f) {
  std::uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  return bits;
}

// UTF-16LE code units from `at` up to the first 0 unit, the end of the view, or `max_units`;
// a trailing odd byte is ignored.
inline std::u16string GetUtf16LeUntilZero(std::string_view data, std::uint64_t at,
                                          std::size_t max_units = std::string_view::npos) {
  std::u16string text;
  if (at > data.size()) return text;
  // Measured first, so that the text is allocated once.
  const std::size_t begin = static_cast<std::size_t>(at);
  std::size_t end = begin;
  while (end + 1 < data.size() && (end - begin) / 2 < max_units &&
         (data[end] != 0 || data[end + 1] != 0)) {
    end += 2;
  }
  text.resize((end - begin) / 2);
  for (std::size_t n = 0; n < text.size(); ++n) {
    text[n] =
        static_cast<char16_t>(Byte(data, begin + 2 * n) | (Byte(data, begin + 2 * n + 1) << 8));
  }
  return text;
}

}  // namespace velmora::transfer::bytes
