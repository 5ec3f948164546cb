// Fetching the handheld's contacts: the agent writes every contact to "Contact1.pim" on the
// device and the file is copied to the owner's Temp folder. Shared by the device-to-desktop
// run, the CSV export and the device contacts backup; logs each step itself.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "conduit/run_context.h"
#include "conduit/run_plan.h"

namespace velmora::conduit {

// The desktop copy of the export: work folder + "Temp/Contact1.pim".
std::filesystem::path DesktopExportPath(const RunContext& context);

// The whole desktop copy of the export; empty when it cannot be read.
std::string ReadExportBytes(const std::filesystem::path& file);

// kFailed: the agent reported that the request failed, or the handheld went away meanwhile.
enum class AgentOutcome { kFinished, kNotStarted, kTimedOut, kFailed };

// Has the agent run with `request` and resets the flags; logs a time-out and a reported
// failure, and sets the run error flag for them and for an agent that does not start.
AgentOutcome RunAgent(RunContext& context, std::uint32_t request);

// An export on the desktop that passed the damage check.
struct DeviceExport {
  std::string bytes;  // the whole desktop copy
  long records = 0;
};

// The bytes of the desktop copy when they are a whole export; otherwise logs the failure line,
// what is wrong and sets the run error flag. Nothing may be deleted, appended or written from
// an export that fails this check.
std::optional<DeviceExport> CheckedExport(RunContext& context,
                                          const std::filesystem::path& desktop_copy);

// The steps up to the record count for a device-to-desktop or CSV profile; the checked export,
// or none when it could not be fetched or is damaged (logged, and the run error flag set).
// `statement_form` selects the statement writer's status texts.
std::optional<DeviceExport> FetchDeviceExport(RunContext& context, const RunPlan& plan,
                                              bool statement_form);

}  // namespace velmora::conduit
