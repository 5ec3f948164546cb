// A hermetic desktop for the desktop manager's tests: its own registry folder with one handheld
// partnership and the application folder recorded, an application folder holding a fresh copy
// of the shipped profile database (sample profiles removed) and sample contacts database, the
// process's own ODBC configuration, and a scripted prompt that answers every message box.
#pragma once

#include <clocale>
#include <filesystem>
#include <memory>
#include <string>

#include "db/connection.h"
#include "platform/prompt/scripted_prompt.h"
#include "platform/registry/registry.h"
#include "profile/profile_store.h"
#include "tests/registry/scoped_registry.h"
#include "tests/support/odbc_env.h"
#include "tests/support/temp_dir.h"

namespace velmora::desktop::testing {

inline velmora::testing::OdbcEnvironment& ProcessOdbc() {
  // The SQLite driver's 8-bit text is converted in the process's character set.
  static const bool utf8 = std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr;
  (void)utf8;
  static velmora::testing::OdbcEnvironment odbc;
  return odbc;
}

inline constexpr const char* kUser = "Ann Lee";

class DesktopWorld {
 public:
  DesktopWorld() {
    ProcessOdbc();
    std::filesystem::create_directories(app_folder());
    const auto share = velmora::testing::BuildDir() / "share";
    std::filesystem::copy_file(share / "Orvendel.mdb", app_folder() / "Orvendel.mdb");
    std::filesystem::copy_file(share / "SampleContactsDB.mdb",
                               app_folder() / "SampleContactsDB.mdb");
    registry::WriteString(registry::Hive::kCurrentUser, "Software\\Microsoft\\Wrenlock", "AppPath",
                          app_folder().string());
    registry::WriteString(registry::Hive::kCurrentUser,
                          "Software\\Microsoft\\Windows CE Services\\Partners\\P1", "DisplayName",
                          kUser);
    prompt::SetCurrentPrompt(&prompt_);
  }
  ~DesktopWorld() { prompt::SetCurrentPrompt(nullptr); }

  std::filesystem::path app_folder() const { return dir_ / "app"; }
  std::filesystem::path contacts_file() const { return app_folder() / "SampleContactsDB.mdb"; }
  prompt::ScriptedPrompt& prompt() { return prompt_; }

  // A connection of the test's own to the profile database, with the sample profiles gone.
  bool ConnectProfiles(db::Connection& connection, const std::string& dsn = "TestProfileDSN") {
    std::string error;
    if (!connection.Connect(dsn, db::kDatabaseAccess, (app_folder() / "Orvendel.mdb").string(), "",
                            db::kProfileDatabasePassword, &error, false)) {
      return false;
    }
    profile::ProfileStore store(connection);
    for (const auto& p : store.AllProfiles()) store.DeleteProfile(p.prof_id);
    return true;
  }

 private:
  velmora::testing::TempDir dir_;
  velmora::testing::ScopedRegistry registry_;
  prompt::ScriptedPrompt prompt_;
};

}  // namespace velmora::desktop::testing
