// The conduit's run driver without a window: start-up, the connect handler that lists the
// owner's profiles and ticks the due ones, the Synchronize command with its backup question,
// the run on a worker thread, the write-back to the profile database and the ending.
// Used by the window and the unattended mode, which see it only through RunObserver. Qt-free.
#pragma once

#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "conduit/conduit_log.h"
#include "conduit/due_test.h"
#include "conduit/run_context.h"
#include "conduit/run_observer.h"
#include "db/connection.h"
#include "device/rapi_library.h"
#include "profile/profile_record.h"

namespace velmora::conduit {

inline constexpr std::string_view kCaption = "Velmora";
inline constexpr std::string_view kNotConnected = "Not Connected";
inline constexpr std::string_view kRunSucceededMessage = "Synchronization Completed Successfully";

enum class StartUp {
  kShowWindow,  // ready: show the window (or run unattended)
  kNoWindow,    // the owner's first profile does nothing: no window
  kNoAppPath,   // nothing to start from
  kNoRapi,      // the RAPI library is not loaded
};

struct SessionSettings {
  // The application folder; empty means AppPath from the registry.
  std::filesystem::path app_folder;
  Clock clock = CurrentLocalTime;
  RunSettings run;
};

class ConduitSession {
 public:
  ConduitSession(const device::RapiLibrary& rapi, RunObserver& observer,
                 SessionSettings settings = {});
  ~ConduitSession();  // waits for a run that is still going
  ConduitSession(const ConduitSession&) = delete;
  ConduitSession& operator=(const ConduitSession&) = delete;

  // Start-up up to the choice of showing the window.
  StartUp Start();
  // Message 1031: reconnects, reads the owner, fills the list. Ignored while a run is going
  // (the caller queues it).
  void HandleConnect();
  // Synchronize: asks about the device backup when the owner overwrites the device, then
  // starts the run on a worker thread. False when no list is loaded or a run already started.
  bool Synchronize();
  // Sets the abort flag: the run stops before its next profile.
  void Abort() { abort_.store(true); }
  bool Running() const { return running_.load(); }
  bool RunStarted() const { return run_started_; }
  // Waits for the worker; the ending of the run, none when no run was started.
  std::optional<RunEnding> WaitForRun();
  // After the window has closed: ends the device connection, deletes the device's category file.
  void Finish();

  // The list as last filled; ticks may be changed until Synchronize.
  std::vector<ProfileListRow> Rows() const;
  void SetTicked(int row, bool ticked);
  // Ticks the profile `prof_id` alone, due or not; false when the list does not hold it.
  bool TickOnly(long prof_id);
  const std::string& Owner() const { return owner_; }
  const std::filesystem::path& AppFolder() const { return app_folder_; }
  std::filesystem::path LogFile() const { return log_ ? log_->File() : std::filesystem::path(); }
  bool RunError() const { return run_error_.load(); }

 private:
  void Log(std::string_view text);
  void FillProfileList();
  void AskForDeviceBackup();
  void Work();
  void RunTickedProfiles(RunContext& context, std::vector<long>& went_through);
  void WriteBack(const std::vector<long>& went_through);
  void End();
  RunContext MakeContext();

  const device::RapiLibrary& rapi_;
  RunObserver& observer_;
  SessionSettings settings_;
  std::filesystem::path app_folder_;
  std::unique_ptr<ConduitLog> log_;
  db::Connection profile_db_{db::Program::kConduit};
  std::string owner_;

  mutable std::mutex rows_mutex_;
  std::vector<profile::ProfileRecord> profiles_;
  std::vector<ProfileListRow> rows_;
  bool list_loaded_ = false;

  std::atomic<bool> abort_{false};
  std::atomic<bool> run_error_{false};
  std::atomic<bool> running_{false};
  bool run_started_ = false;
  // The user asked for the device backup and it could not be taken.
  bool device_backup_failed_ = false;
  RunEnding ending_ = RunEnding::kSucceeded;
  std::thread worker_;
};

}  // namespace velmora::conduit
