// Inside the emulated RAPI library: the connection to the attached handheld (counted, as each
// CeRapiInitEx is balanced by a CeRapiUninit), the table of open handles and the per-thread
// error codes. Every entry point takes the lock for the whole call. Not visible outside the
// library.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "device/rapi_abi.h"
#include "handheld/store/device_registry.h"
#include "handheld/store/link_state.h"

namespace velmora::rapi_emu {

struct OpenFile {
  int fd = -1;
  std::filesystem::path host;
  DWORD access = 0;
  DWORD share = 0;
};
struct OpenKey {
  handheld::DeviceRoot root;
  std::string path;
};
// The end of an agent process as its reaper sees it, shared by the reaper and the process's
// handles: a wait on a handle needs no poll.
class ProcessEnd {
 public:
  void MarkEnded();
  // True once the process has ended, waiting at most `wait` for it.
  bool WaitFor(std::chrono::milliseconds wait);

 private:
  std::mutex mutex_;
  std::condition_variable ended_changed_;
  bool ended_ = false;
};
struct AgentProcess {
  pid_t pid = 0;
  std::shared_ptr<ProcessEnd> end;
};
using HandleObject = std::variant<OpenFile, OpenKey, AgentProcess>;

class EmuState {
 public:
  static EmuState& Instance();
  std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(mutex_); }

  // Counts one CeRapiInitEx; binds the attached handheld when none is bound. Returns a new event
  // descriptor for this start, already signalled; `connected` (the start's result) says
  // whether a handheld answered.
  int Init(bool* connected);
  // Counts one CeRapiUninit and closes the newest event; the last one also closes the
  // handheld's files.
  bool Uninit();

  // True when a handheld is bound, still attached and its link has not dropped; otherwise
  // sets the "not connected" errors. Every device call asks first.
  bool Available();
  const std::filesystem::path& Handheld() const { return handheld_; }
  handheld::DeviceRegistry& Registry() { return *registry_; }
  handheld::LinkState& Link() { return *link_; }

  std::uintptr_t Add(HandleObject object);
  HandleObject* Find(std::uintptr_t handle);
  bool Remove(std::uintptr_t handle);
  // A file handle open on `host`, if any.
  const OpenFile* OpenOn(const std::filesystem::path& host);

 private:
  bool Bind();
  void Unbind();
  // The bound handheld is still the attached one and its link has not dropped.
  bool StillAttached();

  std::mutex mutex_;
  std::vector<int> events_;  // one per CeRapiInitEx not yet balanced
  std::filesystem::path handheld_;
  std::unique_ptr<handheld::DeviceRegistry> registry_;
  std::unique_ptr<handheld::LinkState> link_;
  std::map<std::uintptr_t, HandleObject> handles_;
  std::uintptr_t next_handle_ = 0x1000;
};

// The calling thread's codes, as CeGetLastError and CeRapiGetError report them.
void SetLastError(DWORD code);
DWORD LastError();
void SetRapiError(HRESULT code);
HRESULT RapiError();
// Starts a call: the transport error is cleared.
void BeginCall();

// One line to $VELMORA_RAPI_TRACE when it names a file: lets tests see the device calls.
void Trace(const std::string& line);

std::string Utf8Path(LPCWSTR path, bool* too_long);

}  // namespace velmora::rapi_emu
