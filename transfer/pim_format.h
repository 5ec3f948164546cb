// Layout constants and field names of the PIM export file ("Contact1.pim"), the file in which
// the handheld hands its contacts to the desktop. Shared by the readers, the writer and the
// inspector; no I/O.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace velmora::transfer {

inline constexpr int kPimFieldCount = 46;
inline constexpr int kPimBirthday = 45;
inline constexpr int kPimAnniversary = 46;
// Index entries are located with 16-bit arithmetic, so every entry lies in the first 32767
// bytes: 2 + 6 × 5461 = 32768.
inline constexpr long kPimMaxRecords = 5461;
inline constexpr std::size_t kPimIndexEntrySize = 6;
inline constexpr std::size_t kPimFieldHeaderSize = 3;
// A field's data length is signed 16-bit and counts the 0 terminator, so a text keeps at most
// 16382 code units.
inline constexpr std::size_t kPimMaxTextUnits = 16382;

inline constexpr bool IsPimDateCode(int code) {
  return code == kPimBirthday || code == kPimAnniversary;
}

// Field names by code (index code - 1); the columns of an export in code order.
inline constexpr std::array<std::string_view, kPimFieldCount> kPimFieldNames = {
    "Title",      "First",   "Middle",   "Last",       "Suffix",     "Job title",
    "Department", "Company", "Work tel", "Work2 tel",  "Home tel",   "Home2 tel",
    "Mobile tel", "Pager",   "Car tel",  "Work fax",   "Home fax",   "Assistant tel",
    "Radio tel",  "E-mail",  "E-mail2",  "E-mail3",    "Web Page",   "Bstreet",
    "Bcity",      "Bstate",  "Bzip",     "Bcountry",   "Office Loc", "Hstreet",
    "Hcity",      "Hstate",  "Hzip",     "Hcountry",   "Ostreet",    "Ocity",
    "Ostate",     "Ozip",    "Ocountry", "Categories", "Assistant",  "Spouse",
    "Children",   "Notes",   "Birthday", "Anniversary"};

// Name of field `code`; empty outside 1 … 46.
inline constexpr std::string_view PimFieldName(int code) {
  return code >= 1 && code <= kPimFieldCount ? kPimFieldNames[code - 1] : std::string_view();
}

}  // namespace velmora::transfer
