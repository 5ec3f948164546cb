// velmora-device: ActiveSync and the user's view of an emulated handheld — making one,
// attaching it to this desktop (with the partnership and the registered connection commands),
// its contacts and its fault switches. Used by main.cpp and by tests, which drive it without a
// process. Never throws.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace velmora::device_tool {

// Exit statuses, which timers and cron read: 0 done, 1 failed, 2 bad arguments, and for connect
// 75 (EX_TEMPFAIL: try again later) when another connection held the desktop too long.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitBadArguments = 2;
inline constexpr int kExitBusy = 75;

// Runs one command line (without the program name); returns one of the exit statuses above.
int RunDeviceTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace velmora::device_tool
