#include "device/device_agent.h"

#include <algorithm>
#include <thread>

#include "device/desktop_settings.h"
#include "device/rapi_abi.h"

namespace velmora::device {
namespace {

const std::u16string kAgentKeyUnits = u"Software\\Microsoft\\ZOVAziz";

LPCWSTR Wide(const std::u16string& text) {
  return reinterpret_cast<LPCWSTR>(text.c_str());
}

// Loads the library again, connects, runs `body` on the connected library and disconnects.
// `unconnected` is the result when no handheld answers.
template <class Result, class Body>
Result OnOwnConnection(const AgentChannel& channel, Result unloaded, Result unconnected,
                       Body body) {
  const RapiLibrary rapi(channel.library_name);
  if (!rapi.Loaded()) return unloaded;
  Result result = unconnected;
  if (StartDeviceConnection(rapi, channel.connect_wait)) result = body(rapi);
  EndDeviceConnection(rapi);
  return result;
}

bool WriteAgentValue(const std::u16string& name, std::uint32_t value, REGSAM access,
                     const AgentChannel& channel) {
  return OnOwnConnection(channel, false, false, [&](const RapiLibrary& rapi) {
    const auto create_key = rapi.Lookup<CeRegCreateKeyExFn>("CeRegCreateKeyEx");
    const auto set_value = rapi.Lookup<CeRegSetValueExFn>("CeRegSetValueEx");
    const auto close_key = rapi.Lookup<CeRegCloseKeyFn>("CeRegCloseKey");
    if (!create_key || !set_value || !close_key) return false;
    static const std::u16string kEmptyClass;
    std::u16string key_class = kEmptyClass;
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (create_key(HKEY_CLASSES_ROOT, Wide(kAgentKeyUnits), 0,
                   reinterpret_cast<LPWSTR>(key_class.data()), 0, access, nullptr, &key,
                   &disposition) != ERROR_SUCCESS) {
      return false;
    }
    const DWORD data = value;
    const LONG rc =
        set_value(key, Wide(name), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
    close_key(key);
    return rc == ERROR_SUCCESS;
  });
}

}  // namespace

DeviceProcess::DeviceProcess(const RapiLibrary* rapi, void* process, void* thread, std::uint32_t id)
    : rapi_(rapi), process_(process), thread_(thread), id_(id) {}

DeviceProcess::~DeviceProcess() {
  Close();
}

DeviceProcess::DeviceProcess(DeviceProcess&& other) noexcept
    : rapi_(other.rapi_), process_(other.process_), thread_(other.thread_), id_(other.id_) {
  other.process_ = other.thread_ = nullptr;
}

DeviceProcess& DeviceProcess::operator=(DeviceProcess&& other) noexcept {
  if (this != &other) {
    Close();
    rapi_ = other.rapi_;
    process_ = other.process_;
    thread_ = other.thread_;
    id_ = other.id_;
    other.process_ = other.thread_ = nullptr;
  }
  return *this;
}

void DeviceProcess::Close() {
  const auto close = rapi_ ? rapi_->Lookup<CeCloseHandleFn>("CeCloseHandle") : nullptr;
  for (void** handle : {&process_, &thread_}) {
    if (*handle && close) close(*handle);
    *handle = nullptr;
  }
}

DeviceProcess::End DeviceProcess::WaitForEnd(std::chrono::milliseconds wait) const {
  const auto wait_for =
      rapi_ && process_ ? rapi_->Lookup<CeWaitForSingleObjectFn>("CeWaitForSingleObject") : nullptr;
  if (!wait_for) return End::kUnknown;
  switch (wait_for(process_, static_cast<DWORD>(std::max<std::int64_t>(wait.count(), 0)))) {
    case WAIT_OBJECT_0:
      return End::kEnded;
    case WAIT_TIMEOUT:
      return End::kRunning;
    default:
      return End::kUnknown;
  }
}

DeviceProcess StartDeviceAgent(const RapiLibrary& rapi) {
  const auto create = rapi.Lookup<CeCreateProcessFn>("CeCreateProcess");
  if (!create) return {};
  static const std::u16string kImage = u"Sorrelin";
  PROCESS_INFORMATION info{};
  if (!create(Wide(kImage), nullptr, nullptr, nullptr, 0, 0, nullptr, nullptr, nullptr, &info)) {
    return {};
  }
  return DeviceProcess(&rapi, info.hProcess, info.hThread, info.dwProcessId);
}

namespace {

// The DWORD `name` under the agent key; 0 when missing; the registry error code when the key
// cannot be opened; `unconnected` when no handheld answers.
std::uint32_t ReadAgentValue(const std::u16string& name, std::uint32_t unconnected,
                             const AgentChannel& channel) {
  return OnOwnConnection<std::uint32_t>(
      channel, 0, unconnected, [&name](const RapiLibrary& rapi) -> std::uint32_t {
        const auto open_key = rapi.Lookup<CeRegOpenKeyExFn>("CeRegOpenKeyEx");
        const auto query = rapi.Lookup<CeRegQueryValueExFn>("CeRegQueryValueEx");
        const auto close_key = rapi.Lookup<CeRegCloseKeyFn>("CeRegCloseKey");
        if (!open_key || !query || !close_key) return ERROR_INVALID_PARAMETER;
        HKEY key = nullptr;
        const LONG rc = open_key(HKEY_CLASSES_ROOT, Wide(kAgentKeyUnits), 0, KEY_READ, &key);
        if (rc != ERROR_SUCCESS) return static_cast<std::uint32_t>(rc);
        DWORD value = 0;
        DWORD type = REG_DWORD;
        DWORD size = sizeof value;
        if (query(key, Wide(name), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
                ERROR_SUCCESS ||
            size != sizeof value) {
          value = 0;
        }
        close_key(key);
        return value;
      });
}

}  // namespace

std::uint32_t ReadAgentDoneFlag(const AgentChannel& channel) {
  return ReadAgentValue(u"Flag", ERROR_DEVICE_NOT_CONNECTED, channel);
}

std::uint32_t ReadAgentOutcome(const AgentChannel& channel) {
  const std::uint32_t value = ReadAgentValue(u"Outcome", kAgentOutcomeUnknown, channel);
  return value == kAgentOutcomeDone || value == kAgentOutcomeFailed ? value : kAgentOutcomeUnknown;
}

bool WriteAgentOutcome(std::uint32_t value, const AgentChannel& channel) {
  return WriteAgentValue(u"Outcome", value, KEY_ALL_ACCESS, channel);
}

bool WriteAgentDoneFlag(std::uint32_t value, const AgentChannel& channel) {
  return WriteAgentValue(u"Flag", value, KEY_ALL_ACCESS, channel);
}

bool WriteAgentRequest(std::uint32_t code, const AgentChannel& channel) {
  return WriteAgentValue(u"SyncFlag", code, KEY_CREATE_SUB_KEY, channel);
}

namespace {

// The pause between two polls: until the agent ends when that can be waited for and it has not
// ended yet, the whole interval otherwise (an agent that ended without its flag is polled on
// until the time-out, as one whose end cannot be seen).
void PauseBetweenPolls(const DeviceProcess* agent, std::chrono::milliseconds interval,
                       bool* agent_ended) {
  if (agent != nullptr && !*agent_ended) {
    switch (agent->WaitForEnd(interval)) {
      case DeviceProcess::End::kEnded:
        *agent_ended = true;
        return;
      case DeviceProcess::End::kRunning:
        return;
      case DeviceProcess::End::kUnknown:
        break;
    }
  }
  std::this_thread::sleep_for(interval);
}

}  // namespace

AgentWait WaitForAgent(std::chrono::milliseconds timeout, const AgentChannel& channel,
                       std::chrono::milliseconds poll_interval, const DeviceProcess* agent) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  AgentWait outcome = AgentWait::kTimedOut;
  bool agent_ended = false;
  while (true) {
    const std::uint32_t flag = ReadAgentDoneFlag(channel);
    if (flag == 1) {
      outcome = AgentWait::kFinished;
      break;
    }
    // A link that went down does not come back within one run: waiting on is waiting for
    // nothing.
    if (flag == ERROR_DEVICE_NOT_CONNECTED) {
      outcome = AgentWait::kDisconnected;
      break;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) break;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
    PauseBetweenPolls(agent, std::min(poll_interval, left + std::chrono::milliseconds(1)),
                      &agent_ended);
  }
  WriteAgentDoneFlag(0, channel);
  WriteAgentRequest(kAgentIdle, channel);
  return outcome;
}

AgentRun RunDeviceAgent(const RapiLibrary& rapi, std::uint32_t code,
                        std::chrono::milliseconds timeout, const AgentChannel& channel) {
  // A handheld that has gone answers no call and each call waits the whole connect wait, so no
  // connect of the round trip waits longer than the time-out, and a request that cannot be
  // written ends the round trip at once.
  AgentChannel bounded = channel;
  bounded.connect_wait = std::min(channel.connect_wait, timeout);
  // A done flag left by an earlier round trip whose program was ended before it could clear it
  // would make this one look finished before the agent has written anything.
  WriteAgentDoneFlag(0, bounded);
  WriteAgentOutcome(kAgentOutcomeUnknown, bounded);
  if (!WriteAgentRequest(code, bounded)) return AgentRun::kNotStarted;
  RestartDeviceConnection(rapi, bounded.connect_wait);
  DeviceProcess agent = StartDeviceAgent(rapi);
  if (!agent) {
    WriteAgentDoneFlag(0, bounded);
    WriteAgentRequest(kAgentIdle, bounded);
    return AgentRun::kNotStarted;
  }
  const AgentWait wait = WaitForAgent(timeout, bounded, kAgentPollInterval, &agent);
  agent.Close();
  if (wait == AgentWait::kDisconnected) return AgentRun::kDisconnected;
  if (wait != AgentWait::kFinished) return AgentRun::kTimedOut;
  return ReadAgentOutcome(bounded) == kAgentOutcomeFailed ? AgentRun::kFailed : AgentRun::kFinished;
}

}  // namespace velmora::device
