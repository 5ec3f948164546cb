#include "desktop/desktop_session.h"

#include "db/view_result_set.h"
#include "desktop/messages.h"
#include "device/desktop_settings.h"
#include "device/device_connection.h"
#include "device/rapi_library.h"
#include "platform/peltrix/handheld_user_library.h"
#include "platform/prompt/prompt.h"
#include "profile/profile_store.h"
#include "profile/shipped_databases.h"

namespace velmora::desktop {
namespace {

// Database types from this one on were spreadsheet automation, which this platform lacks.
constexpr int kFirstAutomationType = 7;

void Refuse(std::string_view message) {
  prompt::ShowMessage(message, kCaption, prompt::Icon::kExclamation);
}

}  // namespace

DesktopSession::DesktopSession() : store_(std::make_unique<profile::ProfileStore>(profile_db_)) {}

DesktopSession::~DesktopSession() {
  CloseLinked();
  if (device_started_ && rapi_) device::EndDeviceConnection(*rapi_);
}

StartupFailure DesktopSession::Start(const StartupOptions& options) {
  users_ = std::make_unique<peltrix::HandheldUserLibrary>(
      options.user_library.empty() ? std::filesystem::path(peltrix::kDefaultLibraryPath)
                                   : options.user_library);
  if (!users_->Loaded()) {
    Refuse(kNoUserLibrary);
    return StartupFailure::kNoUserLibrary;
  }
  rapi_ = std::make_unique<device::RapiLibrary>(
      options.rapi_library.empty() ? device::RapiLibraryName() : options.rapi_library);
  if (!rapi_->Loaded()) return StartupFailure::kNoRapiLibrary;
  device::StartDeviceConnection(*rapi_, options.device_wait);
  device_started_ = true;

  app_folder_ = users_->AppPath().value_or("");
  log_ = DesktopErrorLog(app_folder_);
  std::string error;
  if (app_folder_.empty() || !profile_db_.Connect(db::kProfileDsnDesktop, db::kDatabaseAccess,
                                                  ProfileDatabaseFile().string(), "",
                                                  db::kProfileDatabasePassword, &error, false)) {
    Refuse(kNoProfileDatabase);
    return StartupFailure::kNoProfileDatabase;
  }
  auto_sync = device::ReadAutoSync();
  return StartupFailure::kNone;
}

std::filesystem::path DesktopSession::ProfileDatabaseFile() const {
  return app_folder_ / profile::kProfileDatabaseFile;
}

bool DesktopSession::ConnectLinked(std::string_view source, std::string_view user,
                                   std::string_view password, int database_type,
                                   std::string* error_text, bool read_only) {
  CloseLinked();
  if (database_type >= kFirstAutomationType) {
    if (error_text) *error_text = kFetchFailed;
    return false;
  }
  return linked_.Connect(db::kCustomDsnDesktop, database_type, source, user, password, error_text,
                         read_only);
}

std::unique_ptr<db::ResultSet> DesktopSession::RunLinkedQuery(std::string_view query,
                                                              std::string* error_text) {
  linked_has_result_ = false;
  if (!linked_.IsConnected()) {
    if (error_text) *error_text = kFetchFailed;
    return nullptr;
  }
  auto rows = db::OpenForView(linked_, query, error_text, &linked_counts_);
  if (!rows) return nullptr;
  linked_has_result_ = true;
  return rows;
}

void DesktopSession::CloseLinked() {
  if (before_linked_close_) before_linked_close_();
  linked_has_result_ = false;
  linked_counts_.Clear();
  if (linked_.IsConnected()) linked_.Disconnect();
}

std::string DesktopSession::DeviceOwner() const {
  if (!rapi_) return {};
  return device::ReadDeviceOwnerName(*rapi_);
}

}  // namespace velmora::desktop
