// Whether a setup script can carry an installation at all: it names the files, the registry key
// and the conduit an installation needs, its counts are counts, and every name it gives stays
// inside the folder it is joined to. Checked before the installation changes anything, so that a
// damaged or hostile script fails the installation instead of passing for a complete one.
// Only reads the script.
#pragma once

#include <string>
#include <vector>

#include "installer/setup_script.h"

namespace velmora::installer {

// One line per problem; empty when the script can be installed from.
std::vector<std::string> ScriptProblems(const SetupScript& script, int language_offset);

}  // namespace velmora::installer
