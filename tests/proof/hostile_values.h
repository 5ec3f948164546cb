// Names and values chosen to break careless SQL, paths and text handling: quotes of both
// kinds, LIKE wildcards, statement separators, path climbs, blanks at either end, long texts
// and characters outside the Basic Multilingual Plane. Shared by the proof tests.
#pragma once

#include <string>
#include <vector>

#include "platform/text/utf.h"

namespace velmora::testing {

// 200 characters, mixing one-, two-, three- and four-byte UTF-8 sequences.
inline std::string LongText() {
  std::string text;
  const char* pieces[] = {"a", "é", "€", "\xF0\x9F\x98\x80"};  // U+1F600
  for (int i = 0; i < 200; ++i) text += pieces[i % 4];
  return text;
}

inline std::vector<std::string> HostileValues() {
  return {
      "O'Brien",
      "say \"hi\"",
      "100% _done_",
      "a; b; c",
      "../../outside",
      "  blanks at both ends  ",
      "x'); DELETE FROM victim; --",
      "y\"); DELETE FROM victim; --",
      "Zoë Łukasz 😀 \xF0\xA0\x80\x80",  // U+20000
      LongText(),
  };
}

// True when `read` is `given`, or `given` cut to at most `limit` UTF-16 units at a character
// boundary (a reader's width limit, which must never split a surrogate pair).
inline bool SameOrCutAt(const std::string& read, const std::string& given, std::size_t limit) {
  if (read == given) return true;
  const std::u16string units = text::Utf8ToUtf16(given);
  return units.size() > limit && read == text::Utf16ToUtf8(std::u16string_view(units).substr(
                                             0, text::Utf16PrefixAtBoundary(units, limit)));
}

// `value` as an SQL string literal.
inline std::string SqlText(const std::string& value) {
  std::string out = "'";
  for (char c : value) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

// `name` as a double-quoted SQL identifier.
inline std::string SqlName(const std::string& name) {
  std::string out = "\"";
  for (char c : name) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

}  // namespace velmora::testing
