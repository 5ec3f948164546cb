// Contacts as CSV text (RFC 4180, UTF-8): the list that velmora-device prints and the files it
// imports. The header row names the 46 contact fields ("Title", "First", …). Used by
// velmora-device. Never throws.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "handheld/store/contact_store.h"

namespace velmora::device_tool {

// Header of the 46 field names in code order, then one line per contact; lines end in CRLF.
std::string ContactsToCsv(const std::vector<handheld::Contact>& contacts);

// Contacts of a CSV text whose header names any of the fields (in any order and case). Nothing,
// with `error`, for a header cell that names no field or names one twice, a malformed text, a
// row with more cells than the header, or a date field that is neither "YYYY-MM-DD" nor
// "M/D/YYYY"; dates are kept as "YYYY-MM-DD".
std::optional<std::vector<handheld::Contact>> ContactsFromCsv(std::string_view csv,
                                                              std::string* error);

}  // namespace velmora::device_tool
