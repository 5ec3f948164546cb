// Layout constants and column type codes of the contact PDB file, the record file that carries
// desktop rows to the handheld and holds every backup. Shared by the writers, the reader and
// the inspector; pure constants and one mapping, no I/O.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace velmora::transfer {

inline constexpr std::size_t kPdbHeaderSize = 112;
inline constexpr std::size_t kPdbRecordEntrySize = 8;
inline constexpr std::size_t kPdbNameBytes = 64;
inline constexpr std::size_t kPdbNameMaxUnits = 31;  // plus the terminating 0 unit
inline constexpr std::uint16_t kPdbAttributes = 8;
inline constexpr long kPdbMaxRecords = 65535;
// An append is refused once the file holds more than this many records.
inline constexpr long kPdbAppendLimit = 64000;
// Text values keep at most this many UTF-16 code units (32764 bytes), then the 0 unit.
inline constexpr std::size_t kPdbMaxTextUnits = 16382;
// Slots and descriptor offsets are 16-bit: a record's values and the column descriptors must
// start, and a record must end, within this many bytes of their base.
inline constexpr std::size_t kPdbMaxOffset = 65535;

// Header field offsets.
inline constexpr std::size_t kPdbAttributesAt = 64;
inline constexpr std::size_t kPdbCreationTimeAt = 68;
inline constexpr std::size_t kPdbModificationTimeAt = 72;
inline constexpr std::size_t kPdbColumnListAt = 84;
inline constexpr std::size_t kPdbSortInfoAt = 88;
inline constexpr std::size_t kPdbTypeAt = 92;     // "KOBA"
inline constexpr std::size_t kPdbCreatorAt = 96;  // "DBPL"
inline constexpr std::size_t kPdbRecordCountAt = 108;

// Column type codes as stored in the column descriptors.
enum PdbCode : int {
  kPdbText = 1,
  kPdbDouble = 2,
  kPdbReal = 3,
  kPdbInt32 = 4,
  kPdbInt16 = 5,
  kPdbTimestamp = 6,
  kPdbTime = 7,
  kPdbDate = 8,
  kPdbInt8 = 9,
  kPdbBit = 10,
  kPdbNumericText = 11,
  kPdbUInt32 = 12,
  kPdbUInt16 = 13,
  kPdbTinyInt = 14,
};

// The column type code for a normalised result-set type (db/type_codes.h); none for a type
// that the file cannot carry (such a column is left out of the file).
std::optional<int> PdbCodeForColumnType(int normalised_type);

// Bytes a value of `code` occupies; 0 for the text codes (variable) and for unknown codes.
std::size_t PdbFixedWidth(int code);

}  // namespace velmora::transfer
