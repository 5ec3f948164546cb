// The callers' side of the handheld user library: loads libpeltrix.so (or a library with the same
// exports) with dlopen, looks its functions up by name and lists users and the installation
// folder the way the desktop manager and the installer do. Never throws; no Qt.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/peltrix/peltrix.h"

namespace velmora::peltrix {

// Relative to the current folder, where the programs keep their lib folder.
inline constexpr const char* kDefaultLibraryPath = "lib/libpeltrix.so";

class HandheldUserLibrary {
 public:
  explicit HandheldUserLibrary(const std::filesystem::path& path = kDefaultLibraryPath);
  ~HandheldUserLibrary();
  HandheldUserLibrary(const HandheldUserLibrary&) = delete;
  HandheldUserLibrary& operator=(const HandheldUserLibrary&) = delete;
  HandheldUserLibrary(HandheldUserLibrary&& other) noexcept;
  HandheldUserLibrary& operator=(HandheldUserLibrary&& other) noexcept;

  // True when the library was loaded and has all three functions.
  bool Loaded() const;
  // Why loading failed (the loader's message); empty when Loaded().
  const std::string& LoadError() const { return load_error_; }

  // Asks for the count, then for the names of indices 0 … count − 1, keeping each name the
  // library gives; empty when the library is not loaded or reports no user.
  std::vector<std::string> ListUsers() const;
  // The installation folder; nothing when not loaded or when the library does not find it.
  std::optional<std::string> AppPath() const;

 private:
  void Release();

  void* handle_ = nullptr;
  GetHandheldUserCountFn get_count_ = nullptr;
  GetHandheldUserNameFn get_name_ = nullptr;
  GetAppPathFn get_app_path_ = nullptr;
  std::string load_error_;
};

}  // namespace velmora::peltrix
