// velmora-device: ActiveSync and the user's view of an emulated handheld — making one,
// attaching it to this desktop (with the partnership and the registered connection commands),
// its contacts and its fault switches. Used by main.cpp and by tests, which drive it without a
// process. Never throws.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace velmora::device_tool {

// Runs one command line (without the program name); returns the exit code: 0 done, 1 failed,
// 2 bad arguments.
int RunDeviceTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace velmora::device_tool
