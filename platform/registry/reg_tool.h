// The velmora-reg command line, in the manner of the Windows reg tool: query, add and delete
// keys and values of the registry stand-in. Used by the velmora-reg program and its tests; it
// reads and writes only the streams it is given and the registry.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace velmora::registry {

inline constexpr int kRegToolOk = 0;
inline constexpr int kRegToolFailed = 1;     // key or value absent, write failed, cancelled
inline constexpr int kRegToolBadSyntax = 2;  // arguments not understood

// `args` without the program name. `in` answers the overwrite and delete questions that /f skips.
int RunRegTool(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
               std::ostream& err);

}  // namespace velmora::registry
