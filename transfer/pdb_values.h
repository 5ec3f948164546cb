// Encoding of one contact PDB record: the text rule (carriage returns dropped, tabs as five
// blanks, at most 16382 code units, never cut inside a surrogate pair), each value's bytes by
// column type code, and the cut of the longest texts that keeps a record within its 16-bit
// offsets. Internal to transfer/, shared by the result-set writers and the device backup.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/value.h"

namespace velmora::transfer {

struct PdbCell {
  int code = 0;
  db::Value value;
};

// A text that a record could not hold whole: cell `cell` had `units` code units (after the
// text rule) and keeps `kept`.
struct PdbCut {
  std::size_t cell = 0;
  std::size_t units = 0;
  std::size_t kept = 0;
};

// The text rule; `full_units`, when given, receives the length before the 16382-unit cut.
std::u16string CleanPdbText(std::string_view utf8, std::size_t* full_units = nullptr);

// Text of a value for a text column, whatever alternative the driver delivered.
std::string ValueAsText(const db::Value& value);

// Bytes of a record with `slot_count` slots (at least cells.size()) holding `cells` in order;
// none when even with every text emptied the values would end past 65535 bytes. Each text that
// is cut is added to `cuts` when given.
std::optional<std::string> EncodePdbRecord(const std::vector<PdbCell>& cells, int slot_count,
                                           std::vector<PdbCut>* cuts = nullptr);

// Size of the record EncodePdbRecord gives when every text is empty; the smallest it can be.
std::size_t MinimumPdbRecordSize(const std::vector<int>& codes, int slot_count);

// Largest cap on text lengths (in code units) such that the texts with their terminators fit
// in `budget_bytes`; SIZE_MAX when no cap is needed.
std::size_t TextCapForBudget(const std::vector<std::size_t>& lengths, std::size_t budget_bytes);

}  // namespace velmora::transfer
