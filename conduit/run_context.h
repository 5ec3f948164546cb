// What every step of a conduit run shares: the application folder, the owner and their work
// folder, the profile database, the RAPI library, the log, the status line and the run error
// flag. Made by the conduit session for each run and passed down to the profile steps; owns
// nothing but the failure marks, which it keeps for the run and for the current profile.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>

#include "conduit/conduit_log.h"
#include "conduit/run_observer.h"
#include "device/rapi_library.h"
#include "device/transfer_report.h"

namespace velmora::db {
class Connection;
}

namespace velmora::conduit {

// Paths and names on the device.
inline constexpr std::string_view kDeviceTransferPath = "\\My Documents\\Contact\\test.pdb";
inline constexpr std::string_view kDeviceExportPath = "\\My Documents\\Contact\\Contact1.pim";
inline constexpr std::string_view kDeviceCategoryPath = "\\My Documents\\Contact\\category.css";

// Knobs of a run that the program normally leaves alone.
struct RunSettings {
  // Wait before the export is copied from the device. The agent sets its flag only once the
  // export is complete, so no wait is needed; kept for handhelds that are slow to close files.
  std::chrono::milliseconds export_pause{0};
  // Limit of the wait for the agent; zero means the AgentTimeout setting of the registry.
  std::chrono::milliseconds agent_timeout{0};
  // Write device contacts with INSERT statements whatever the data source (normally only for
  // FoxPro sources).
  bool force_statement_writer = false;
};

class RunContext {
 public:
  RunContext(std::filesystem::path app_folder, std::string owner, db::Connection& profile_db,
             const device::RapiLibrary& rapi, ConduitLog& log, RunObserver& observer,
             std::atomic<bool>& run_error, RunSettings settings);
  RunContext(const RunContext&) = delete;
  RunContext& operator=(const RunContext&) = delete;

  const std::filesystem::path& AppFolder() const { return app_folder_; }
  const std::string& Owner() const { return owner_; }
  // Application folder + owner, with the subfolders "Update" and "Temp".
  std::filesystem::path WorkFolder() const;
  db::Connection& ProfileDb() const { return profile_db_; }
  const device::RapiLibrary& Rapi() const { return rapi_; }
  const RunSettings& Settings() const { return settings_; }
  std::chrono::milliseconds AgentTimeout() const;

  void Log(std::string_view text) { log_.Append(text); }
  void Status(std::string_view text) { observer_.StatusChanged(text); }

  // A step failed in a way the user must look at: the run ends with the log opened, and the
  // current profile is not marked as synchronized.
  void SetRunError();
  bool RunError() const { return run_error_.load(); }
  // Called before each profile; true afterwards when nothing failed during it.
  void BeginProfile() { profile_failed_ = false; }
  bool ProfileWentThrough() const { return !profile_failed_; }

  // The log and the error flag as the device link's file copies report to them.
  device::TransferReport& Report() { return report_; }

 private:
  class LogReport final : public device::TransferReport {
   public:
    explicit LogReport(RunContext& context) : context_(context) {}
    void Log(std::string_view text) override { context_.Log(text); }
    void ShowError(std::string_view caption, std::string_view text) override;
    void SetRunError() override { context_.SetRunError(); }

   private:
    RunContext& context_;
  };

  std::filesystem::path app_folder_;
  std::string owner_;
  db::Connection& profile_db_;
  const device::RapiLibrary& rapi_;
  ConduitLog& log_;
  RunObserver& observer_;
  std::atomic<bool>& run_error_;
  RunSettings settings_;
  bool profile_failed_ = false;
  LogReport report_{*this};
};

// Log pieces that several steps write.
// "\r\n\t\"" + text: a quoted line (the quote is never closed).
std::string QuotedLine(std::string_view text);
// "\r\n\t\"" + first + "\" " + second.
std::string QuotedPair(std::string_view first, std::string_view second);
// "\r\n\t\"" + text + " " + number.
std::string CountedLine(std::string_view text, long number);
// "\r\n\t" + text + " " + number, as "%s %d".
std::string NumberLine(std::string_view text, long number);

}  // namespace velmora::conduit
