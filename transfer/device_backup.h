// The device contacts backup: a contact PDB file named "DeviceContactsBackup" with 46 text
// columns in field-code order, one record per device contact. Used by the conduit and the
// desktop manager; the column names (the catalogue's FieldName of F1 … F46) come from the
// caller, since this layer does not read the profile database.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "transfer/pdb_values.h"

namespace velmora::transfer {

inline constexpr int kDeviceBackupColumns = 46;
inline constexpr int kDeviceBackupColumnSize = 32765;
inline constexpr std::string_view kDeviceBackupName = "DeviceContactsBackup";

// Replaces `path` with an empty backup file: 0 records, 46 text descriptors named by
// `field_names` (exactly 46, UTF-8). False when the names are not 46 or the file cannot be
// written; the old file is then untouched.
bool CreateDeviceBackupPdb(const std::filesystem::path& path,
                           const std::vector<std::string>& field_names);

// Replaces `path` with a backup holding `records` (each 46 UTF-8 values, missing values empty)
// in one pass. The bytes equal those of CreateDeviceBackupPdb followed by one AppendPdbRecord
// per record, including the append limit: records past the 64001st are not written.
// Each text cut to fit is added to `cuts` when given, with its record (from 0); the cut's cell
// is the column (from 0).
bool WriteDeviceBackupPdb(const std::filesystem::path& path,
                          const std::vector<std::string>& field_names,
                          const std::vector<std::vector<std::string>>& records,
                          std::vector<std::pair<std::size_t, PdbCut>>* cuts = nullptr);

// Record bytes for text values: `slot_count` slots (at least values.size()), then each value as
// UTF-16LE text with its 0 unit. Carriage returns are dropped, tabs become five blanks, each
// text keeps at most 16382 code units, and the longest texts are cut further when the record
// would otherwise end more than 65535 bytes after its start.
std::string BuildTextRecord(const std::vector<std::string>& values, int slot_count,
                            std::vector<PdbCut>* cuts = nullptr);

// Adds one record (its bytes as BuildTextRecord gives them) to the end of an existing contact
// PDB file. Refused (false, file unchanged) when the file holds more than 64000 records, is
// not a contact PDB file, or cannot be rewritten. The new file is built next to the target and
// renamed over it.
bool AppendPdbRecord(const std::filesystem::path& path, std::string_view record);

}  // namespace velmora::transfer
