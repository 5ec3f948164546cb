// The loaded RAPI library: one dlopen handle with its entry points looked up by exported name
// at the moment each is used. Used by every device-link operation; the conduit and the desktop
// manager load it once for the program's life (ProgramRapiLibrary). Never throws; a library that
// is missing or lacks an entry point makes the operation that needs it fail.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <type_traits>

#include "platform/files/crash_point.h"

namespace velmora::device {

// One entry point of the library, called like the function it wraps; each call is followed by
// a crash point, since every call may change the handheld.
template <class Fn>
class RapiEntry;

template <class R, class... Args>
class RapiEntry<R (*)(Args...)> {
 public:
  using Function = R (*)(Args...);
  RapiEntry(Function function, const char* symbol) : function_(function), symbol_(symbol) {}
  RapiEntry(std::nullptr_t) : function_(nullptr), symbol_("") {}  // NOLINT: like a null pointer
  explicit operator bool() const { return function_ != nullptr; }
  R operator()(Args... args) const {
    if constexpr (std::is_void_v<R>) {
      function_(args...);
      files::CrashPoint(symbol_);
    } else {
      R result = function_(args...);
      files::CrashPoint(symbol_);
      return result;
    }
  }

 private:
  Function function_;
  const char* symbol_;
};

class RapiLibrary {
 public:
  RapiLibrary() = default;
  // dlopen of `name` (a path, or a bare name the dynamic loader searches); not loaded when empty
  // or when the loader refuses it.
  explicit RapiLibrary(const std::string& name);
  ~RapiLibrary();
  RapiLibrary(RapiLibrary&& other) noexcept;
  RapiLibrary& operator=(RapiLibrary&& other) noexcept;
  RapiLibrary(const RapiLibrary&) = delete;
  RapiLibrary& operator=(const RapiLibrary&) = delete;

  bool Loaded() const { return handle_ != nullptr; }
  const std::string& Name() const { return name_; }
  // Why dlopen refused the library; empty when it loaded.
  const std::string& LoadError() const { return load_error_; }

  // The entry point `symbol` as a function of type Fn (one of the typedefs of rapi_abi.h);
  // empty (false) when the library is not loaded or does not export it.
  template <class Fn>
  RapiEntry<Fn> Lookup(const char* symbol) const {
    return RapiEntry<Fn>(reinterpret_cast<Fn>(LookupAddress(symbol)), symbol);
  }

 private:
  void* LookupAddress(const char* symbol) const;

  void* handle_ = nullptr;
  std::string name_;
  std::string load_error_;
};

// Which library a program loads: $VELMORA_RAPI when set and not empty, else the emulated
// handheld's library found beside the running program (its folder, its lib/, its ../lib/),
// else the bare file name, left to the dynamic loader's search.
std::string RapiLibraryName();
inline constexpr const char* kEmulatorLibraryFile = "librapi-emu.so";

// The library of this program, loaded by RapiLibraryName() on the first call and kept until
// the program ends. Safe to call from any thread.
const RapiLibrary& ProgramRapiLibrary();

}  // namespace velmora::device
