#include "platform/peltrix/handheld_user_library.h"

#include <dlfcn.h>

#include <cstring>
#include <utility>

namespace velmora::peltrix {
namespace {

template <typename Fn>
Fn Lookup(void* handle, const char* name) {
  return reinterpret_cast<Fn>(::dlsym(handle, name));
}

}  // namespace

HandheldUserLibrary::HandheldUserLibrary(const std::filesystem::path& path) {
  // dlopen searches the library path for a bare name; a relative path must stay relative to the
  // current folder, so it always gets a folder part.
  const std::string file = path.has_parent_path() ? path.string() : "./" + path.string();
  handle_ = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* why = ::dlerror();
    load_error_ = why != nullptr ? why : "cannot load " + file;
    return;
  }
  get_count_ = Lookup<GetHandheldUserCountFn>(handle_, "GetHandheldUserCount");
  get_name_ = Lookup<GetHandheldUserNameFn>(handle_, "GetHandheldUserName");
  get_app_path_ = Lookup<GetAppPathFn>(handle_, "GetAppPath");
  if (!Loaded()) {
    load_error_ = file + " lacks GetHandheldUserCount, GetHandheldUserName or GetAppPath";
    Release();
  }
}

HandheldUserLibrary::~HandheldUserLibrary() {
  Release();
}

HandheldUserLibrary::HandheldUserLibrary(HandheldUserLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)),
      get_count_(std::exchange(other.get_count_, nullptr)),
      get_name_(std::exchange(other.get_name_, nullptr)),
      get_app_path_(std::exchange(other.get_app_path_, nullptr)),
      load_error_(std::move(other.load_error_)) {}

HandheldUserLibrary& HandheldUserLibrary::operator=(HandheldUserLibrary&& other) noexcept {
  if (this != &other) {
    Release();
    handle_ = std::exchange(other.handle_, nullptr);
    get_count_ = std::exchange(other.get_count_, nullptr);
    get_name_ = std::exchange(other.get_name_, nullptr);
    get_app_path_ = std::exchange(other.get_app_path_, nullptr);
    load_error_ = std::move(other.load_error_);
  }
  return *this;
}

void HandheldUserLibrary::Release() {
  if (handle_ != nullptr) ::dlclose(handle_);
  handle_ = nullptr;
  get_count_ = nullptr;
  get_name_ = nullptr;
  get_app_path_ = nullptr;
}

bool HandheldUserLibrary::Loaded() const {
  return handle_ != nullptr && get_count_ != nullptr && get_name_ != nullptr &&
         get_app_path_ != nullptr;
}

std::vector<std::string> HandheldUserLibrary::ListUsers() const {
  std::vector<std::string> users;
  if (!Loaded()) return users;
  unsigned short count = 0;
  const unsigned short returned = get_count_(&count);
  if (count == 0) return users;
  for (unsigned short index = 0; index < returned; ++index) {
    // Zeroed, and read no further than its end, so a library that leaves the name unterminated
    // cannot make us read past the buffer.
    char buffer[PELTRIX_BUFFER_BYTES] = {};
    if (get_name_(index, buffer) != 0) users.emplace_back(buffer, ::strnlen(buffer, sizeof buffer));
  }
  return users;
}

std::optional<std::string> HandheldUserLibrary::AppPath() const {
  if (!Loaded()) return std::nullopt;
  char buffer[PELTRIX_BUFFER_BYTES] = {};
  if (get_app_path_(buffer) == 0) return std::nullopt;
  return std::string(buffer, ::strnlen(buffer, sizeof buffer));
}

}  // namespace velmora::peltrix
