// The CSV export of the handheld's contacts (sync type 5): "ContactDatabase.csv" in the
// application folder, UTF-16LE with a byte-order mark, a fixed header and one line per contact.
// Used by the profile run; the file is built aside and replaces the previous export when whole.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "conduit/run_context.h"
#include "profile/profile_record.h"
#include "transfer/pim_reader.h"

namespace velmora::conduit {

inline constexpr std::string_view kCsvExportFile = "ContactDatabase.csv";
extern const std::string_view kCsvHeader;

// One line without its "\r\n" (UTF-8). `profile_category`, when given, replaces the
// Categories column: "No Categories" for a contact without categories, else that name.
std::string CsvLine(const transfer::PimPositionSlots& fields,
                    const std::optional<std::string>& profile_category);

// Fetches the export and writes the CSV file.
void RunCsvExport(RunContext& context, const profile::ProfileRecord& profile);

// Writes the CSV file from the desktop copy of an export that holds `records` records.
void WriteCsvExport(RunContext& context, const profile::ProfileRecord& profile,
                    const std::filesystem::path& export_copy, long records);

}  // namespace velmora::conduit
