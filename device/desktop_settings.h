// The desktop registry values that the programs share: the application folder, the AutoSync
// option and the agent time-out. Used by the conduit, the desktop manager and the agent wait.
// Reads the desktop registry stand-in only; never the device.
#pragma once

#include <chrono>
#include <string>

namespace velmora::device {

inline constexpr const char* kAppKey = "Software\\Microsoft\\Wrenlock";
inline constexpr const char* kSyncOptionKey = "Software\\Microsoft\\Fendrel\\SyncOption";

// `AppPath` (REG_SZ) under HKCU kAppKey; empty when absent.
std::string ReadAppPath();
// True only when HKCU kSyncOptionKey `AutoSync` holds 1.
bool ReadAutoSync();
// Writes 1 for on, 0 for off; true on success.
bool WriteAutoSync(bool on);

// How long a caller waits for the agent: REG_DWORD `AgentTimeout` (seconds) under HKCU
// kAppKey when it is present and not 0, else 120 seconds.
inline constexpr std::chrono::seconds kDefaultAgentTimeout{120};
std::chrono::milliseconds ReadAgentTimeout();

}  // namespace velmora::device
