// The desktop manager's shared resources for one run: the handheld user library, the RAPI
// library, the application folder, the profile database connection, the linked database of
// the selected profile and the flags the panes share; and the start-up steps that acquire
// them, in order, each failure ending the program with its message. Qt-free; the windows
// reach the resources through it.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "db/connection.h"
#include "db/result_set.h"
#include "db/windowed_result_set.h"
#include "desktop/error_log.h"
#include "desktop/wizard_data.h"

namespace velmora::device {
class RapiLibrary;
}
namespace velmora::peltrix {
class HandheldUserLibrary;
}
namespace velmora::profile {
class ProfileStore;
}

namespace velmora::desktop {

inline constexpr std::string_view kNoUserLibrary = "Unable to load Peltrix.dll";
inline constexpr std::string_view kNoProfileDatabase = "Unable to connect profile database";
inline constexpr std::string_view kFetchFailed = "Unable to Fetch Contents";

struct StartupOptions {
  std::filesystem::path user_library;  // empty: "lib/libpeltrix.so" of the current folder
  std::string rapi_library;            // empty: the program's usual RAPI library
  // How long the start waits for a handheld to answer; its answer is not needed to go on.
  std::chrono::milliseconds device_wait{1000};
};

enum class StartupFailure { kNone, kNoUserLibrary, kNoRapiLibrary, kNoProfileDatabase };

class DesktopSession {
 public:
  DesktopSession();
  ~DesktopSession();  // closes the linked database, ends the device connection
  DesktopSession(const DesktopSession&) = delete;
  DesktopSession& operator=(const DesktopSession&) = delete;

  // The start-up steps: the handheld user library ("Unable to load Peltrix.dll"), the RAPI
  // library (no message), the application folder and the profile database ("Unable to connect
  // profile database"). Messages go through the prompt seam.
  StartupFailure Start(const StartupOptions& options);

  const std::filesystem::path& app_folder() const { return app_folder_; }
  std::filesystem::path ProfileDatabaseFile() const;
  peltrix::HandheldUserLibrary* users() const { return users_.get(); }
  const device::RapiLibrary* rapi() const { return rapi_.get(); }
  db::Connection& profile_database() { return profile_db_; }
  profile::ProfileStore& store() { return *store_; }
  const DesktopErrorLog& log() const { return log_; }

  // The linked database of the selected profile. Connecting closes the previous one first.
  bool ConnectLinked(std::string_view source, std::string_view user, std::string_view password,
                     int database_type, std::string* error_text, bool read_only);
  // Runs `query` on the linked database; nullptr with `error_text` filled on failure.
  std::unique_ptr<db::ResultSet> RunLinkedQuery(std::string_view query, std::string* error_text);
  void CloseLinked();
  bool linked_connected() const { return linked_.IsConnected(); }
  bool linked_has_result() const { return linked_has_result_; }
  db::Connection& linked() { return linked_; }
  // The count of the rows the last query run counted, for the content pane that shows them
  // next: the rows of a large table are counted once.
  db::RowCountShare& linked_counts() { return linked_counts_; }
  // Called before the linked database closes, so that views drop result sets that live on it.
  void SetBeforeLinkedClose(std::function<void()> callback) {
    before_linked_close_ = std::move(callback);
  }

  // Shared flags.
  long current_prof_id = 0;
  bool suspend_content = false;
  WizardMode wizard_mode = WizardMode::kNewProfile;
  bool auto_sync = false;  // the profile pane's copy of `AutoSync`

  // The connected device's owner ("" when none answers).
  std::string DeviceOwner() const;

 private:
  std::unique_ptr<peltrix::HandheldUserLibrary> users_;
  std::unique_ptr<device::RapiLibrary> rapi_;
  bool device_started_ = false;
  std::filesystem::path app_folder_;
  db::Connection profile_db_{db::Program::kDesktopManager};
  std::unique_ptr<profile::ProfileStore> store_;
  db::Connection linked_{db::Program::kDesktopManager};
  bool linked_has_result_ = false;
  db::RowCountShare linked_counts_;
  std::function<void()> before_linked_close_;
  DesktopErrorLog log_;
};

}  // namespace velmora::desktop
