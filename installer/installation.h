// The installation itself, as run when the folder page is left: folders, file copies,
// shortcuts, registry values, the ActiveSync registration and the binding of the sample
// profiles to the chosen handheld user. Used by the wizard and the unattended mode alike; every
// message box goes through the current prompt. No Qt; never throws.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "db/connection.h"
#include "installer/installer_state.h"
#include "installer/setup_script.h"

namespace velmora::installer {

struct InstallChoices {
  std::string folder;     // the folder field's text
  std::string user_name;  // the handheld user chosen in the list (may be empty)
  // Whether profiles 1 and 2 are bound to the user. A first installation (or one that replaces
  // the profile database) binds them; over a kept profile database only when asked for, since
  // binding moves the user's own sample profiles to another owner.
  bool bind_sample_profiles = true;
};

struct InstallReport {
  int failed_copies = 0;
  std::vector<std::string> failures;  // one line per failed step, for the unattended summary
  bool profiles_bound = false;
  // The step after the profile database: the last page.
  bool Succeeded() const { return failures.empty(); }
};

// Binding is the default for a first installation and for one that replaced the profile
// database; over a kept one only when `asked`.
bool ShouldBindSampleProfiles(const InstallerState& state, bool asked);

// `argument` in double quotes, so that a Windows-style command line splits it back exactly:
// a quote inside becomes \" and backslashes before a quote (or the closing one) are doubled.
// Text without quotes or backslashes is only enclosed in quotes.
std::string QuotedArgument(std::string_view argument);

// The command line ActiveSync runs: "<folder>/<conduit>" "<word>", each part quoted as above, so
// that it names exactly the installed conduit whatever the folder holds.
std::string ConduitCommandLine(const std::string& folder, const std::string& conduit,
                               const std::string& word);

// Runs every step. `profile_db` is the application's connection, kept open until exit; it is
// connected here when profiles are to be bound. Copy failures clear `state.success`.
InstallReport Install(InstallerState& state, const SetupScript& script,
                      const InstallChoices& choices, db::Connection& profile_db);

}  // namespace velmora::installer
