// Deliberate crash points for the kill tests: each place that makes a change durable (a file
// write, a rename, a database statement, a handheld call) calls CrashPoint afterwards. With
// $VELMORA_CRASH_AT=N the N-th call kills the process with SIGKILL; with $VELMORA_CRASH_TRACE
// naming a file, each call appends "<number> <what>" to it; $VELMORA_CRASH_PID, when set, limits
// both to the process of that id. Unset, a call costs one relaxed load.
#pragma once

#include <atomic>
#include <string_view>

namespace velmora::files {

namespace crash_point_detail {
// 1 until the environment was read, then 0 when neither variable is set, 2 when one is.
extern std::atomic<int> state;
void Hit(std::string_view what);
}  // namespace crash_point_detail

inline void CrashPoint(std::string_view what) {
  if (crash_point_detail::state.load(std::memory_order_relaxed) != 0) {
    crash_point_detail::Hit(what);
  }
}

}  // namespace velmora::files
