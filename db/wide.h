// Text across the wide ODBC calls: UTF-8 inside, SQLWCHAR (UTF-16) at the call. Used by the db
// library's own sources only.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <string>
#include <string_view>

#include "platform/text/utf.h"

namespace velmora::db {

using SqlWString = std::basic_string<SQLWCHAR>;

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "wide ODBC calls must be UTF-16");

inline SqlWString ToSqlWide(std::string_view utf8) {
  std::u16string u16 = text::Utf8ToUtf16(utf8);
  return SqlWString(u16.begin(), u16.end());
}

// `units` code units of `wide`, or up to the first 0 when `units` is negative.
inline std::string FromSqlWide(const SQLWCHAR* wide, long units = -1) {
  if (wide == nullptr) return {};
  if (units < 0) {
    units = 0;
    while (wide[units] != 0) ++units;
  }
  std::u16string u16(wide, wide + units);
  return text::Utf16ToUtf8(u16);
}

// A mutable wide copy for the calls that take non-const SQLWCHAR*.
inline SQLWCHAR* Mutable(SqlWString& s) {
  return s.data();
}

}  // namespace velmora::db
