// The CSV export of the handheld's contacts (sync type 5): "ContactDatabase.csv" in the
// application folder, UTF-16LE with a byte-order mark, a fixed header and one line per contact.
// Used by the profile run; the file is built aside and replaces the previous export when whole.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "conduit/device_export.h"
#include "conduit/run_context.h"
#include "conduit/run_plan.h"
#include "transfer/pim_reader.h"

namespace velmora::conduit {

inline constexpr std::string_view kCsvExportFile = "ContactDatabase.csv";
extern const std::string_view kCsvHeader;

// One line without its "\r\n" (UTF-8). `profile_category`, when given, replaces the
// Categories column: "No Categories" for a contact without categories, else that name.
std::string CsvLine(const transfer::PimPositionSlots& fields,
                    const std::optional<std::string>& profile_category);

// Fetches the export and writes the CSV file.
void RunCsvExport(RunContext& context, const RunPlan& plan);

// The 46 columns of record `record` by field code, as the CSV file shows them: a text as read
// (empty when the record lacks it), a date as month/day/year or a single blank. A record that
// lacks a field or holds them out of order cannot shift later values under the wrong header.
transfer::PimPositionSlots CsvFieldsOf(std::string_view export_bytes, long record);

// Writes the CSV file from a checked export.
void WriteCsvExport(RunContext& context, const RunPlan& plan, const DeviceExport& pim);

}  // namespace velmora::conduit
