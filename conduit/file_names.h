// Owner and profile names as parts of desktop file names (the owner's work folder, the
// transfer file, the table backups). A name never leads outside the folder it is placed in.
// Used by the conduit's file paths; pure text work, no I/O.
#pragma once

#include <string>
#include <string_view>

namespace velmora::conduit {

// `name` with "/" and NUL replaced by "_"; "." becomes "_" and ".." becomes "__". Every other
// character is kept.
std::string SafeFileNamePart(std::string_view name);

}  // namespace velmora::conduit
