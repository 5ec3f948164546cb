// Decoding one stored contact PDB value, given its column type code and the bytes from the
// value's start to the end of the file: as display or full text, or as a typed value. Internal
// to transfer/; short or missing bytes give an empty text or no value.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "db/value.h"
#include "transfer/pdb_reader.h"

namespace velmora::transfer {

std::string PdbValueText(int code, std::string_view raw, TextForm form);
std::optional<db::Value> PdbTypedValue(int code, std::string_view raw);
// True when the whole value (a text up to its 0 unit) lies inside `raw`.
bool PdbValueFits(int code, std::string_view raw);

// The fixed text forms of stored dates: "YYYY-MM-DD" and "YYYY-MM-DD HH:MM:SS"; empty when
// the stored date is not a real calendar date.
std::string PdbDateText(const db::Date& date);
std::string PdbTimestampText(const db::Timestamp& ts);

}  // namespace velmora::transfer
