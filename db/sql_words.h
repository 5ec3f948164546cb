// The two character rules that every scan of SQL text for its words shares: what a word is
// made of, and which quote ends a quoted stretch. Used where statements are read as text
// (paging a query, finding its tail); knows nothing of ODBC.
#pragma once

#include <cctype>

namespace velmora::db {

inline bool IsSqlWordCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

// The character that closes a quoted stretch opened by `c`, or 0 when `c` opens none.
inline char ClosingSqlQuote(char c) {
  switch (c) {
    case '"':
    case '\'':
    case '`':
      return c;
    case '[':
      return ']';
    default:
      return 0;
  }
}

}  // namespace velmora::db
