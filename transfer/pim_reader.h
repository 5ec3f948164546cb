// Readers of the PIM export file: the record count and one record at a time, either by field
// code into the slots of the profile's mapped device fields, or by position into 46 slots.
// Used by the device-to-desktop sync, the CSV export, the backups and the inspector. Files are
// opened read-only and never created; a missing or short file has no records. Every function
// has a form over bytes in memory, and none reads outside the bytes or the file it is given.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "transfer/pim_format.h"

namespace velmora::transfer {

using PimPositionSlots = std::array<std::string, kPimFieldCount>;

// The stored record count, lowered to the number of index entries inside the file; 0 for a
// file that cannot be read or is shorter than two bytes.
long ReadPimRecordCount(const std::filesystem::path& file);
long PimRecordCount(std::string_view file_bytes);

// Record `record` (counting from 1) by code: each field whose name (kPimFieldNames) equals
// mapped_fields[i] fills slots[i] (slots is resized to mapped_fields.size() when smaller).
// Dates become "month/day/year", a missing date "NULL"; text as read, an empty text "NULL".
// Fields with codes outside 1 … 46 or unmapped names are skipped. False when the record cannot
// be located; the slots then keep what they held.
bool ReadPimRecordByCode(const std::filesystem::path& file, long record,
                         const std::vector<std::string>& mapped_fields,
                         std::vector<std::string>& slots);
bool PimRecordByCode(std::string_view file_bytes, long record,
                     const std::vector<std::string>& mapped_fields,
                     std::vector<std::string>& slots);

// A value of a record read by code: none for an empty text, a missing date or a field the
// record lacks; otherwise the text as read (which may be any text, "NULL" included) or the
// date as "month/day/year".
using PimValue = std::optional<std::string>;

// Record `record` by code into values[i] for mapped_fields[i] (values is reset to
// mapped_fields.size() absent values first). False when the record cannot be located.
bool PimValuesByCode(std::string_view file_bytes, long record,
                     const std::vector<std::string>& mapped_fields, std::vector<PimValue>& values);

// Record `record` by position: the k-th field goes into slots[k - 1] whatever its code. Dates
// become "month/day/year", a missing date a single blank; text as read. Fields past the 46th
// are ignored. False when the record cannot be located; the slots then keep what they held.
bool ReadPimRecordByPosition(const std::filesystem::path& file, long record,
                             PimPositionSlots& slots);
bool PimRecordByPosition(std::string_view file_bytes, long record, PimPositionSlots& slots);

// The fields of record `record` in stored order, each with its code and its value as text
// (a date "month/day/year", empty when there is none); none when the record cannot be located.
struct PimFieldText {
  int code = 0;
  std::string value;
};
std::optional<std::vector<PimFieldText>> PimRecordFields(std::string_view file_bytes, long record);

// Why a PIM export cannot be trusted (shorter than its count, a count over 5461, index outside
// the file, a record outside the file or inside the index, a record without fields, fields that
// do not add up to the record length or carry codes outside 1 … 46); none when it looks whole.
// Used by the conduit before it takes an export in, and by the inspector to tell a PIM export
// from other bytes.
std::optional<std::string> FindPimDamage(std::string_view file_bytes);

}  // namespace velmora::transfer
