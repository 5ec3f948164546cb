#include "conduit/conduit_session.h"

#include <cstdio>
#include <system_error>

#include "conduit/backups.h"
#include "conduit/profile_run.h"
#include "db/odbc_result_set.h"
#include "device/desktop_settings.h"
#include "device/device_connection.h"
#include "device/device_files.h"
#include "platform/files/atomic_file.h"
#include "platform/prompt/prompt.h"
#include "profile/profile_store.h"
#include "profile/statements.h"
#include "profile/sync_settings.h"

namespace velmora::conduit {
namespace {

constexpr std::string_view kDashes = "\r\n----------------------";
const std::string kSeparator(110, '=');

constexpr std::string_view kBackupQuestion =
    "This Process may overwrite your Pocket PC Contacts.\nDo you want to take the backup before "
    "Synchronizing ?";
constexpr std::string_view kBackupTaken = "Backup is taken Successfully.";
constexpr std::string_view kBackupFailed = "Error while creating Backup PDB.";
constexpr std::string_view kRunFailedText =
    "An error occured while syncing, please see above log and verify your database contents "
    "using Desktop application.\r\nYou can view Backup data and can restore synced data from "
    "desktop application.\r\n\r\n";

// "month/day/year hh:mm:ss", the date without leading zeros.
std::string LogTime(const profile::ProfileDateTime& t) {
  char text[64];
  std::snprintf(text, sizeof text, "%d/%d/%d %02d:%02d:%02d", t.month, t.day, t.year, t.hour,
                t.minute, t.second);
  return text;
}

// Whether the device contacts backup can be written in its place, found out before the handheld
// is asked for its contacts: nothing but a folder stands there, and the folder takes a new
// file. The earlier backup stays as it is until the new one is complete.
bool DeviceBackupCanBeMade(const std::filesystem::path& file) {
  std::error_code error;
  if (std::filesystem::is_directory(std::filesystem::symlink_status(file, error))) return false;
  files::AtomicFile probe(file);  // never committed: the probe goes with it
  return probe.ok();
}

ProfileListRow RowOf(const profile::ProfileRecord& profile, bool due) {
  ProfileListRow row;
  row.ticked = due;
  row.texts[1] = profile.prof_name;
  row.texts[2] =
      (profile.db_path.size() > 1 ? "File Path = " + profile.db_path : "DSN = ") + profile.db_dsn;
  row.texts[3] = std::string(profile::SyncTypeText(profile.sync_type));
  row.texts[4] = std::string(profile::SyncOnText(profile.sync_on));
  return row;
}

}  // namespace

ConduitSession::ConduitSession(const device::RapiLibrary& rapi, RunObserver& observer,
                               SessionSettings settings)
    : rapi_(rapi), observer_(observer), settings_(std::move(settings)) {}

ConduitSession::~ConduitSession() {
  Abort();
  if (worker_.joinable()) worker_.join();
}

void ConduitSession::Log(std::string_view text) {
  if (log_) log_->Append(text);
}

StartUp ConduitSession::Start() {
  app_folder_ = settings_.app_folder;
  if (app_folder_.empty()) app_folder_ = device::ReadAppPath();
  if (app_folder_.empty()) return StartUp::kNoAppPath;
  log_ = std::make_unique<ConduitLog>(app_folder_ / std::string(kConduitLogFile));
  Log(kDashes);
  Log("\r\nBefore Sync : Start");
  const std::string profile_database = (app_folder_ / "Orvendel.mdb").string();
  if (profile_db_.Connect(db::kProfileDsnConduit, db::kDatabaseAccess, profile_database, "",
                          db::kProfileDatabasePassword, nullptr, false)) {
    Log("\r\nProfile database connected");
  } else {
    Log("\r\nUnable to connect profile database");
  }
  if (!rapi_.Loaded()) return StartUp::kNoRapi;
  device::StartDeviceConnection(rapi_);
  device::CreateDesktopFolder(app_folder_ / "Backup");
  device::DeleteDeviceFile(rapi_, kDeviceTransferPath);
  device::DeleteDeviceFile(rapi_, kDeviceExportPath);
  device::DeleteDeviceFile(rapi_, kDeviceCategoryPath);
  profile::ProfileStore store(profile_db_);
  std::optional<int> first_type =
      store.SyncTypeOfUsersFirstProfile(device::ReadDeviceOwnerName(rapi_));
  if (first_type == profile::kDoNothing) return StartUp::kNoWindow;
  return StartUp::kShowWindow;
}

void ConduitSession::HandleConnect() {
  if (running_.load()) return;
  device::RestartDeviceConnection(rapi_);
  std::string whole_owner;
  owner_ = device::ReadDeviceOwnerName(rapi_, &whole_owner);
  if (!owner_.empty() && whole_owner != owner_) {
    // Profiles are stored under the name the desktop knows, which the cut name may not match.
    const std::string note = "Owner name \"" + whole_owner + "\" is longer than " +
                             std::to_string(device::kOwnerNameMaxBytes) +
                             " bytes; its profiles are looked up as \"" + owner_ + "\"";
    Log("\r\n" + note);
    observer_.StatusChanged(note);
  }
  if (owner_.empty()) {
    abort_.store(true);
  } else {
    device::CreateDeviceDirectory(rapi_, "\\My Documents");
    device::CreateDeviceDirectory(rapi_, "\\My Documents\\Contact");
    RunContext context = MakeContext();
    device::CreateDesktopFolder(context.WorkFolder());
    device::CreateDesktopFolder(context.WorkFolder() / "Update");
    device::CreateDesktopFolder(context.WorkFolder() / "Temp");
  }
  FillProfileList();
}

void ConduitSession::FillProfileList() {
  std::vector<profile::ProfileRecord> profiles;
  std::vector<ProfileListRow> rows;
  bool loaded = false;
  Log("\r\nUser name : ");
  Log(owner_);
  if (!owner_.empty()) {
    const std::string query = profile::sql::SelectProfilesOfUser(owner_);
    Log("\r\nProfile Query : ");
    Log(query);
    db::OdbcResultSet result;
    if (!result.Open(profile_db_, query)) {
      Log("\r\nUnable to initialise profile query");
    } else {
      loaded = true;
      const long count = result.RowCount();
      Log("\r\nTotal Records in Profile database " + std::to_string(count));
      const profile::ProfileDateTime now = settings_.clock();
      for (long r = 0; r < count; ++r) {
        if (!result.MoveToRow(r)) continue;
        profile::ProfileRecord profile = profile::ProfileFromCurrentRow(result);
        const bool due = IsDue(profile, now);
        if (due) Log("\r\n" + std::to_string(r + 1) + " profile valid for Sync");
        rows.push_back(RowOf(profile, due));
        profiles.push_back(std::move(profile));
      }
    }
  }
  {
    std::lock_guard lock(rows_mutex_);
    profiles_ = std::move(profiles);
    rows_ = rows;
    list_loaded_ = loaded;
  }
  observer_.ProfilesListed(rows);
  observer_.OwnerChanged(owner_.empty() ? kNotConnected : std::string_view(owner_));
  Log("\r\nBefore Sync : End");
  Log(kDashes);
}

std::vector<ProfileListRow> ConduitSession::Rows() const {
  std::lock_guard lock(rows_mutex_);
  return rows_;
}

void ConduitSession::SetTicked(int row, bool ticked) {
  std::lock_guard lock(rows_mutex_);
  if (row >= 0 && static_cast<std::size_t>(row) < rows_.size()) {
    rows_[static_cast<std::size_t>(row)].ticked = ticked;
  }
}

RunContext ConduitSession::MakeContext() {
  return RunContext(app_folder_, owner_, profile_db_, rapi_, *log_, observer_, run_error_,
                    settings_.run);
}

void ConduitSession::AskForDeviceBackup() {
  profile::ProfileStore store(profile_db_);
  if (store.CountOverwritingProfilesOfUser(owner_).value_or(0) <= 0) return;
  if (!prompt::AskYesNo(kBackupQuestion, kCaption)) return;
  observer_.StatusChanged("Taking Backup of Pocket PC Contacts.....");
  // The backup is not part of a profile run: its failures are reported here, not by the flag.
  std::atomic<bool> backup_error{false};
  RunContext context(app_folder_, owner_, profile_db_, rapi_, *log_, observer_, backup_error,
                     settings_.run);
  const bool taken =
      DeviceBackupCanBeMade(DeviceBackupPath(app_folder_)) && BackupDeviceContacts(context);
  // Without a backup the profiles that overwrite the device do not run.
  device_backup_failed_ = !taken;
  const std::string_view outcome = taken ? kBackupTaken : kBackupFailed;
  Log("\r\n\r\n\t" + std::string(outcome));
  observer_.StatusChanged(outcome);
}

bool ConduitSession::Synchronize() {
  {
    std::lock_guard lock(rows_mutex_);
    if (!list_loaded_ || run_started_) return false;
  }
  AskForDeviceBackup();
  run_started_ = true;
  running_.store(true);
  observer_.ActivityStarted();
  abort_.store(false);
  try {
    worker_ = std::thread(&ConduitSession::Work, this);
  } catch (const std::system_error&) {
    running_.store(false);
    observer_.ActivityStopped();
    prompt::ShowMessage("CreateThread failed.", kCaption, prompt::Icon::kExclamation);
    return false;
  }
  return true;
}

void ConduitSession::Work() {
  observer_.StatusChanged("Initializing...");
  Log("\r\n\r\nContact Synchronization Conduit Log\r\n\r\nContact conduit Started " +
      LogTime(settings_.clock()));
  RunContext context = MakeContext();
  std::vector<long> went_through;
  // Nothing may end the process from this thread: a failure no step caught ends the run.
  try {
    RunTickedProfiles(context, went_through);
  } catch (const std::exception& failure) {
    context.SetRunError();
    Log("\r\n\tThe run stopped on an unexpected failure: " + std::string(failure.what()));
  } catch (...) {
    context.SetRunError();
    Log("\r\n\tThe run stopped on an unexpected failure");
  }
  observer_.StatusChanged("Finished");
  Log("\r\nContact Conduit Ended " + LogTime(settings_.clock()) + "\r\n\r\n");
  Log("\r\n" + kSeparator);
  WriteBack(went_through);
  observer_.ActivityStopped();
  End();
}

void ConduitSession::RunTickedProfiles(RunContext& context, std::vector<long>& went_through) {
  for (std::size_t r = 0;; ++r) {
    profile::ProfileRecord listed;
    {
      std::lock_guard lock(rows_mutex_);
      if (r >= rows_.size()) break;
      if (!rows_[r].ticked) continue;
      listed = profiles_[r];
    }
    if (abort_.load()) break;
    // Settings saved in the desktop manager since the list was filled are the ones that run.
    std::optional<RunPlan> plan = ReadRunPlan(profile_db_, listed.prof_id);
    if (!plan) {
      Log(QuotedPair(listed.prof_name, "is no longer in the profile database"));
      continue;
    }
    const profile::ProfileRecord& profile = plan->profile;
    if (device_backup_failed_ && profile.sync_type == profile::kDesktopOverwritesDevice) {
      context.BeginProfile();
      context.SetRunError();
      Log(QuotedPair(profile.prof_name,
                     "Not run: without the backup of the Pocket PC contacts it would overwrite "
                     "them"));
      continue;
    }
    if (RunProfile(context, *plan)) went_through.push_back(profile.prof_id);
  }
}

void ConduitSession::WriteBack(const std::vector<long>& went_through) {
  const profile::ProfileDateTime now = settings_.clock();
  profile::ProfileStore store(profile_db_);
  for (long prof_id : went_through) store.RecordRun(prof_id, now);
}

void ConduitSession::End() {
  if (run_error_.load()) {
    ending_ = RunEnding::kFailed;
    Log(kRunFailedText);
    Log("\r\n" + kSeparator);
    observer_.OpenLog(log_->File());
  } else {
    ending_ = RunEnding::kSucceeded;
    prompt::ShowMessage(kRunSucceededMessage, kCaption, prompt::Icon::kInformation);
    Log("Synchronization completed successfully.");
    Log("\r\n" + kSeparator);
  }
  running_.store(false);
  observer_.RunFinished(ending_);
}

std::optional<RunEnding> ConduitSession::WaitForRun() {
  if (!run_started_) return std::nullopt;
  if (worker_.joinable()) worker_.join();
  return ending_;
}

void ConduitSession::Finish() {
  if (!rapi_.Loaded()) return;
  device::DeleteDeviceFile(rapi_, kDeviceCategoryPath);
  device::EndDeviceConnection(rapi_);
}

}  // namespace velmora::conduit
