// Driving the handheld's contacts agent: the request code and completion flag on the device
// registry, starting the agent and waiting for it with a limit. Used by the conduit and the
// desktop manager; only one program may drive the agent at a time, as the flag pair is a
// single shared channel. Never throws.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "device/device_connection.h"
#include "device/rapi_library.h"

namespace velmora::device {

// Values of `SyncFlag`.
enum AgentRequest : std::uint32_t {
  kAgentIdle = 0,
  kAgentOverwrite = 1,  // take in "test.pdb" after removing the category's contacts
  kAgentExport = 2,     // write every contact to "Contact1.pim"
  kAgentAdd = 3,        // take in "test.pdb"
  kAgentRestore = 4,    // replace every contact by the backup "test.pdb"
  kAgentBackup = 5,     // as kAgentExport, for a backup
};

inline constexpr const char* kAgentKey = "Software\\Microsoft\\ZOVAziz";  // under HKCR

// Values of `Outcome`, the third value beside `SyncFlag` and `Flag`: the desktop writes
// kAgentOutcomeUnknown before each request; an agent that reports its outcome sets one of the
// others before it sets `Flag`. An agent that knows nothing of it leaves kAgentOutcomeUnknown,
// read as finished, as `Flag` alone would say.
enum AgentOutcomeCode : std::uint32_t {
  kAgentOutcomeUnknown = 0,
  kAgentOutcomeDone = 1,
  kAgentOutcomeFailed = 2,
};
inline constexpr const char* kAgentImage = "Sorrelin";

// The agent process as the device started it; closes its handles with CeCloseHandle when it
// goes. Closing does not stop the agent.
class DeviceProcess {
 public:
  DeviceProcess() = default;
  DeviceProcess(const RapiLibrary* rapi, void* process, void* thread, std::uint32_t id);
  ~DeviceProcess();
  DeviceProcess(DeviceProcess&& other) noexcept;
  DeviceProcess& operator=(DeviceProcess&& other) noexcept;
  DeviceProcess(const DeviceProcess&) = delete;
  DeviceProcess& operator=(const DeviceProcess&) = delete;

  explicit operator bool() const { return process_ != nullptr; }
  std::uint32_t Id() const { return id_; }
  void Close();

  // How a wait for the process's end came out. kUnknown: the library offers no such wait or it
  // failed, so the caller paces itself.
  enum class End { kEnded, kRunning, kUnknown };
  // Waits at most `wait` for the process to end ("CeWaitForSingleObject", where the library
  // has it).
  End WaitForEnd(std::chrono::milliseconds wait) const;

 private:
  const RapiLibrary* rapi_ = nullptr;
  void* process_ = nullptr;
  void* thread_ = nullptr;
  std::uint32_t id_ = 0;
};

// CeCreateProcess of "Sorrelin" with no command line; a closed process when it fails.
DeviceProcess StartDeviceAgent(const RapiLibrary& rapi);

// The flag operations load the library `library_name` again for themselves and open and close
// their own connection around the registry work.
struct AgentChannel {
  std::string library_name = RapiLibraryName();
  std::chrono::milliseconds connect_wait = kDefaultConnectWait;
};

// The stored `Flag`; 0 when the library cannot be loaded or the value is missing; the registry
// error code when the key cannot be opened.
std::uint32_t ReadAgentDoneFlag(const AgentChannel& channel = {});
bool WriteAgentDoneFlag(std::uint32_t value, const AgentChannel& channel = {});
bool WriteAgentRequest(std::uint32_t code, const AgentChannel& channel = {});
// The stored `Outcome`; kAgentOutcomeUnknown when it is missing or cannot be read.
std::uint32_t ReadAgentOutcome(const AgentChannel& channel = {});
bool WriteAgentOutcome(std::uint32_t value, const AgentChannel& channel = {});

// kDisconnected: the handheld stopped answering, so the agent's flag can no longer be seen.
enum class AgentWait { kFinished, kTimedOut, kDisconnected };

// Polls `Flag` every `poll_interval` until it reads 1, `timeout` has passed or the handheld no
// longer answers, then writes 0 to `Flag` and to `SyncFlag` in each case. Given the `agent`
// process, a poll that finds no flag waits for the agent's end instead of the whole interval:
// the agent sets `Flag` last, so its end is the moment to look again.
inline constexpr std::chrono::milliseconds kAgentPollInterval{20};
AgentWait WaitForAgent(std::chrono::milliseconds timeout, const AgentChannel& channel = {},
                       std::chrono::milliseconds poll_interval = kAgentPollInterval,
                       const DeviceProcess* agent = nullptr);

// What callers log when the wait expired.
inline constexpr const char* kAgentTimedOutText = "Device side Application did not finish in time";
// What callers log when the handheld went away while they waited for the agent.
inline constexpr const char* kAgentDisconnectedText =
    "Device side Application: The device is not connected.";
// What callers log when the agent reported that the request failed.
inline constexpr const char* kAgentFailedText =
    "Device side Application reported that the request failed; see its log on the device";

// kFailed: the agent finished and reported that it could not carry out the request.
// kDisconnected: the handheld went away while the agent ran.
enum class AgentRun { kFinished, kNotStarted, kTimedOut, kFailed, kDisconnected };

// The usual round trip: WriteAgentOutcome(unknown), WriteAgentRequest(code),
// RestartDeviceConnection, StartDeviceAgent; when it started WaitForAgent(timeout), read the
// outcome and close the process; when it did not, reset both flags without waiting. kNotStarted at
// once when the request cannot be written; no connect in the round trip waits longer than
// `timeout`.
AgentRun RunDeviceAgent(const RapiLibrary& rapi, std::uint32_t code,
                        std::chrono::milliseconds timeout, const AgentChannel& channel = {});

}  // namespace velmora::device
