// An exclusive lock on a lock file (flock(2)), held for the life of the object: what keeps two
// processes of one user out of the same step, such as two connections of a desktop or two
// owners taking a partnership number. The lock belongs to the open file, so it goes with the
// process however it ends; the file itself stays. Used by the emulated handheld's desktop side.
// Never throws.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>

#include "platform/files/unique_fd.h"

namespace velmora::files {

class FileLock {
 public:
  // Takes the lock on `file` (made private when missing, never through a link). Waits for a
  // holder to let go: as long as it takes without `patience`, at most that long with it.
  explicit FileLock(const std::filesystem::path& file,
                    std::optional<std::chrono::milliseconds> patience = std::nullopt);
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  bool held() const { return held_; }
  // Why it is not held: EWOULDBLOCK when another holder kept it past the patience, else the
  // errno of opening or locking the file.
  int error() const { return error_; }

 private:
  UniqueFd fd_;
  bool held_ = false;
  int error_ = 0;
};

}  // namespace velmora::files
