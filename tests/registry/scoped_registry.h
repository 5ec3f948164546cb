// A registry folder of its own for one test: points $VELMORA_REGISTRY at a fresh temporary
// folder while it lives and restores the previous setting afterwards. Tests that write hundreds
// of values ask for a folder in memory (/dev/shm), where syncing a file costs nothing.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "tests/support/temp_dir.h"

namespace velmora::testing {

class ScopedRegistry {
 public:
  enum class Place { kTempFolder, kMemory };

  explicit ScopedRegistry(Place place = Place::kTempFolder) {
    std::optional<std::string> tmpdir;
    if (const char* old = std::getenv("TMPDIR")) tmpdir = old;
    if (place == Place::kMemory && std::filesystem::is_directory("/dev/shm")) {
      ::setenv("TMPDIR", "/dev/shm", 1);
    }
    folder_.emplace();
    tmpdir ? ::setenv("TMPDIR", tmpdir->c_str(), 1) : ::unsetenv("TMPDIR");
    if (const char* old = std::getenv("VELMORA_REGISTRY")) previous_ = old;
    ::setenv("VELMORA_REGISTRY", folder_->path().c_str(), 1);
  }
  ~ScopedRegistry() {
    if (previous_) {
      ::setenv("VELMORA_REGISTRY", previous_->c_str(), 1);
    } else {
      ::unsetenv("VELMORA_REGISTRY");
    }
  }
  ScopedRegistry(const ScopedRegistry&) = delete;
  ScopedRegistry& operator=(const ScopedRegistry&) = delete;

  const std::filesystem::path& path() const { return folder_->path(); }
  std::filesystem::path HiveFile(const std::string& stem) const {
    return path() / (stem + ".hive");
  }

 private:
  std::optional<TempDir> folder_;
  std::optional<std::string> previous_;
};

}  // namespace velmora::testing
