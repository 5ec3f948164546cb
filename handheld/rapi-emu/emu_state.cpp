#include "handheld/rapi-emu/emu_state.h"

#include <fcntl.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "handheld/store/attachment.h"
#include "handheld/store/handheld_layout.h"
#include "platform/text/utf.h"

namespace velmora::rapi_emu {
namespace {

// Initial-exec: the two codes live in the static TLS space kept for libraries loaded at run time,
// not in a block allocated on first use; LeakSanitizer misreads such blocks of this library at
// exit and stops the process.
[[gnu::tls_model("initial-exec")]] thread_local DWORD last_error = 0;
[[gnu::tls_model("initial-exec")]] thread_local HRESULT rapi_error = RAPI_S_OK;

constexpr std::size_t kMaxPath = 259;

}  // namespace

void SetLastError(DWORD code) {
  last_error = code;
}
DWORD LastError() {
  return last_error;
}
void SetRapiError(HRESULT code) {
  rapi_error = code;
}
HRESULT RapiError() {
  return rapi_error;
}
void BeginCall() {
  rapi_error = RAPI_S_OK;
}

void Trace(const std::string& line) {
  const char* file = std::getenv("VELMORA_RAPI_TRACE");
  if (file == nullptr || *file == '\0') return;
  const int fd = ::open(file, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return;
  const std::string text = line + "\n";
  [[maybe_unused]] const ssize_t n = ::write(fd, text.data(), text.size());
  ::close(fd);
}

std::string Utf8Path(LPCWSTR path, bool* too_long) {
  std::u16string units;
  for (const WCHAR* p = path; *p != 0; ++p) units.push_back(static_cast<char16_t>(*p));
  if (too_long) *too_long = units.size() > kMaxPath;
  return text::Utf16ToUtf8(units);
}

void ProcessEnd::MarkEnded() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    ended_ = true;
  }
  ended_changed_.notify_all();
}

bool ProcessEnd::WaitFor(std::chrono::milliseconds wait) {
  std::unique_lock<std::mutex> lock(mutex_);
  return ended_changed_.wait_for(lock, wait, [this] { return ended_; });
}

EmuState& EmuState::Instance() {
  static EmuState* state = new EmuState();  // never destroyed: agent reapers may outlive main
  return *state;
}

int EmuState::Init(bool* connected) {
  const int event = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (event < 0) return -1;
  events_.push_back(event);
  *connected = (!handheld_.empty() || Bind()) && StillAttached();
  // Signalled either way: the start is complete, and its result says whether a handheld
  // answered. A caller waiting on a link that went down learns it at once.
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = ::write(event, &one, sizeof one);
  return event;
}

bool EmuState::Uninit() {
  if (events_.empty()) return false;
  ::close(events_.back());
  events_.pop_back();
  if (events_.empty()) Unbind();
  return true;
}

bool EmuState::Bind() {
  const auto attached = handheld::AttachedHandheld();
  if (!attached || !handheld::IsHandheld(*attached)) return false;
  auto registry = handheld::DeviceRegistry::Open(*attached, false);
  auto link = handheld::LinkState::Open(*attached, true);
  if (!registry || !link) return false;
  handheld_ = *attached;
  registry_ = std::move(registry);
  link_ = std::move(link);
  return true;
}

void EmuState::Unbind() {
  handheld_.clear();
  registry_.reset();
  link_.reset();
}

bool EmuState::StillAttached() {
  const auto attached = handheld::AttachedHandheld();
  return attached && *attached == handheld_ && !link_->Unplugged();
}

bool EmuState::Available() {
  const bool ok = !events_.empty() && !handheld_.empty() && StillAttached();
  if (!ok) {
    SetLastError(ERROR_DEVICE_NOT_CONNECTED);
    SetRapiError(RAPI_E_DEVICE_NOT_CONNECTED);
  }
  return ok;
}

std::uintptr_t EmuState::Add(HandleObject object) {
  const std::uintptr_t handle = next_handle_;
  next_handle_ += 4;
  handles_.emplace(handle, std::move(object));
  return handle;
}

HandleObject* EmuState::Find(std::uintptr_t handle) {
  const auto it = handles_.find(handle);
  return it == handles_.end() ? nullptr : &it->second;
}

bool EmuState::Remove(std::uintptr_t handle) {
  return handles_.erase(handle) > 0;
}

const OpenFile* EmuState::OpenOn(const std::filesystem::path& host) {
  for (const auto& [handle, object] : handles_) {
    if (const auto* file = std::get_if<OpenFile>(&object); file && file->host == host) return file;
  }
  return nullptr;
}

}  // namespace velmora::rapi_emu
