// `velmora-profile run`: the conduit beside this program started unattended for one profile
// (`tavrill --unattended --profile ID`), its output passed through, its exit status returned.
#pragma once

#include <string>

namespace velmora::profilecli {

// The conduit's exit status; -1 when it could not be started or did not exit.
// `backup` is "yes", "no" or empty (the conduit's default).
int RunThroughConduit(long prof_id, const std::string& backup, std::string* program);

}  // namespace velmora::profilecli
