#include "handheld/vcard/value_decoding.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace velmora::handheld::vcard {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string DecodeQuotedPrintable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '=' && i + 2 < text.size()) {
      const int high = HexDigit(text[i + 1]);
      const int low = HexDigit(text[i + 2]);
      if (high >= 0 && low >= 0) {
        out.push_back(static_cast<char>(high * 16 + low));
        i += 2;
        continue;
      }
    }
    out.push_back(text[i]);
  }
  return out;
}

std::optional<std::string> ToUtf8(std::string_view bytes, const std::string& charset) {
  iconv_t cd = iconv_open("UTF-8", charset.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out;
  std::vector<char> buffer(4096);
  char* in = const_cast<char*>(bytes.data());
  std::size_t in_left = bytes.size();
  bool ok = true;
  while (ok && in_left > 0) {
    char* next = buffer.data();
    std::size_t out_left = buffer.size();
    const std::size_t result = iconv(cd, &in, &in_left, &next, &out_left);
    out.append(buffer.data(), static_cast<std::size_t>(next - buffer.data()));
    ok = result != static_cast<std::size_t>(-1) || errno == E2BIG;
  }
  iconv_close(cd);
  if (!ok) return std::nullopt;
  return out;
}

}  // namespace velmora::handheld::vcard
