#include "conduit/device_export.h"

#include <cstdio>
#include <thread>

#include "conduit/category_sender.h"
#include "device/device_agent.h"
#include "device/device_files.h"
#include "transfer/pim_reader.h"

namespace velmora::conduit {

std::filesystem::path DesktopExportPath(const RunContext& context) {
  return context.WorkFolder() / "Temp" / "Contact1.pim";
}

std::string ReadExportBytes(const std::filesystem::path& file) {
  std::error_code error;
  auto size = std::filesystem::file_size(file, error);
  if (error) return {};
  std::string bytes(size, '\0');
  std::FILE* in = std::fopen(file.c_str(), "rb");
  if (in == nullptr) return {};
  std::size_t got = std::fread(bytes.data(), 1, bytes.size(), in);
  std::fclose(in);
  bytes.resize(got);
  return bytes;
}

AgentOutcome RunAgent(RunContext& context, std::uint32_t request) {
  const device::AgentRun run =
      device::RunDeviceAgent(context.Rapi(), request, context.AgentTimeout());
  switch (run) {
    case device::AgentRun::kFinished:
      return AgentOutcome::kFinished;
    case device::AgentRun::kNotStarted:
      context.SetRunError();
      return AgentOutcome::kNotStarted;
    case device::AgentRun::kFailed:
    case device::AgentRun::kDisconnected:
      context.SetRunError();
      context.Log(QuotedLine(run == device::AgentRun::kFailed ? device::kAgentFailedText
                                                              : device::kAgentDisconnectedText));
      return AgentOutcome::kFailed;
    case device::AgentRun::kTimedOut:
      break;
  }
  context.SetRunError();
  context.Log(QuotedLine(device::kAgentTimedOutText));
  return AgentOutcome::kTimedOut;
}

std::optional<DeviceExport> CheckedExport(RunContext& context,
                                          const std::filesystem::path& desktop_copy) {
  // Past the index the format can address, every record at its longest.
  constexpr std::uintmax_t kLargestExport =
      2 + (transfer::kPimIndexEntrySize + 0xFFFF) *
              static_cast<std::uintmax_t>(transfer::kPimMaxRecords);
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(desktop_copy, error);
  DeviceExport out;
  if (!error && size <= kLargestExport) out.bytes = ReadExportBytes(desktop_copy);
  std::optional<std::string> damage =
      !error && size > kLargestExport ? std::optional<std::string>("it is larger than any export")
                                      : transfer::FindPimDamage(out.bytes);
  if (damage) {
    context.SetRunError();
    context.Log("\r\n\tFail to Copy PIM  database from Device to Desktop");
    context.Log("\r\n\tThe PIM database is damaged: " + *damage + ".");
    return std::nullopt;
  }
  out.records = transfer::PimRecordCount(out.bytes);
  return out;
}

std::optional<DeviceExport> FetchDeviceExport(RunContext& context, const RunPlan& plan,
                                              bool statement_form) {
  context.Log("\r\n\r\n\tDEVICE SIDE::");
  context.Log("\r\n\tOpening Device side Application");
  context.Status("Executing Pocket PC side Application...");
  SendCategoryList(context, plan);
  AgentOutcome outcome = RunAgent(context, device::kAgentExport);
  if (outcome == AgentOutcome::kNotStarted) {
    context.Log(QuotedLine("Problem in invoking device side application"));
  }
  if (outcome == AgentOutcome::kFinished) {
    context.Log("\r\n\tDevice side Application execute Successfully");
    if (statement_form) context.Status("Pocket PC side Application executed successfully");
  } else {
    context.Log("\r\n\tProblem in executing device side Application");
  }
  // An agent that is still at work may be rewriting the export, and one that failed left none
  // or an earlier one: nothing of it is taken.
  if (outcome == AgentOutcome::kTimedOut || outcome == AgentOutcome::kFailed) return std::nullopt;

  context.Log("\r\n\tOpening PIM database \"" + plan.profile.prof_name + "\"");
  context.Status("Importing Contacts to Desktop..., Please wait");
  if (context.Settings().export_pause.count() > 0) {
    std::this_thread::sleep_for(context.Settings().export_pause);
  }
  std::filesystem::path desktop_copy = DesktopExportPath(context);
  if (!device::CopyFileFromDevice(context.Rapi(), kDeviceExportPath, desktop_copy,
                                  context.Report())) {
    context.SetRunError();
    context.Log("\r\n\tFail to Copy PIM  database from Device to Desktop");
    return std::nullopt;
  }
  std::optional<DeviceExport> checked = CheckedExport(context, desktop_copy);
  if (!checked) return std::nullopt;
  context.Log("\r\n\tPIM Database Opened.");
  context.Log("\r\n\r\n\tCONDUIT SIDE::");
  context.Log(NumberLine("Number of Records in PIM Database=", checked->records));
  return checked;
}

}  // namespace velmora::conduit
