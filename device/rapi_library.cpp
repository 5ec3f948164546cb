#include "device/rapi_library.h"

#include <dlfcn.h>

#include <cstdlib>
#include <system_error>

namespace velmora::device {

RapiLibrary::RapiLibrary(const std::string& name) : name_(name) {
  if (name.empty()) {
    load_error_ = "no RAPI library named";
    return;
  }
  handle_ = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* why = ::dlerror();
    load_error_ = why ? why : "dlopen failed";
  }
}

RapiLibrary::~RapiLibrary() {
  if (handle_) ::dlclose(handle_);
}

RapiLibrary::RapiLibrary(RapiLibrary&& other) noexcept
    : handle_(other.handle_),
      name_(std::move(other.name_)),
      load_error_(std::move(other.load_error_)) {
  other.handle_ = nullptr;
}

RapiLibrary& RapiLibrary::operator=(RapiLibrary&& other) noexcept {
  if (this != &other) {
    if (handle_) ::dlclose(handle_);
    handle_ = other.handle_;
    name_ = std::move(other.name_);
    load_error_ = std::move(other.load_error_);
    other.handle_ = nullptr;
  }
  return *this;
}

void* RapiLibrary::LookupAddress(const char* symbol) const {
  if (handle_ == nullptr) return nullptr;
  return ::dlsym(handle_, symbol);
}

std::string RapiLibraryName() {
  if (const char* named = std::getenv("VELMORA_RAPI"); named && *named) return named;
  std::error_code ec;
  const auto program = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    const auto folder = program.parent_path();
    for (const auto& candidate :
         {folder / kEmulatorLibraryFile, folder / "lib" / kEmulatorLibraryFile,
          folder / ".." / "lib" / kEmulatorLibraryFile}) {
      if (std::filesystem::is_regular_file(candidate, ec)) {
        return candidate.lexically_normal().string();
      }
    }
  }
  return kEmulatorLibraryFile;
}

const RapiLibrary& ProgramRapiLibrary() {
  static const RapiLibrary library(RapiLibraryName());
  return library;
}

}  // namespace velmora::device
