// velmora-profile's commands over the profile database: list, show, create, edit, rename,
// delete, run and migrate. Every rule and message comes from the profile layer that the
// desktop manager's wizard and properties pane use (profile/profile_rules.h,
// profile/mapping_rules.h); results go to standard output as text or JSON, refusals to standard
// error (or into the JSON). Never throws.
#pragma once

#include <cstdio>

#include "profilecli/cli_arguments.h"

namespace velmora::profilecli {

// Runs the command of `arguments` (already parsed, the settings file not yet read); returns the
// exit status.
int RunProfileCommand(const Arguments& arguments, std::FILE* out = stdout, std::FILE* err = stderr);

}  // namespace velmora::profilecli
