// Writing a file others rely on: the bytes go to a new file in the target's folder, which is
// flushed to disk and renamed over the target only when complete, so a failed or killed run
// leaves the old file as it was and never a half-written one. Used by every writer of the
// project (transfer files, copies from the handheld, the installer, the registry, dBase files).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::files {

struct AsideOptions {
  // Permission bits the new file is created with, before the umask. Private by default: most
  // of what is written aside holds contacts; a writer of a file others may read says so.
  mode_t create_mode = 0600;
  // Permission bits set exactly (no umask) before the rename, when given.
  std::optional<mode_t> exact_mode;
  // Syncs the folder after the rename so the new name itself survives a power cut.
  bool sync_folder = true;
  // Writes to "<target>.tmp" (replacing a leftover one) instead of a fresh hidden name; only
  // for writers that hold a lock on the target while they write.
  bool fixed_temp_name = false;
  // Ending of the fresh hidden name, for writers that fill the file by its name and need a
  // particular extension (".dbf"); ".tmp" when empty.
  std::string temp_ending;
};

// Owns a temporary file next to `target` until Commit renames it into place; the destructor
// removes it when it was not committed. Never throws.
class AtomicFile {
 public:
  explicit AtomicFile(std::filesystem::path target, AsideOptions options = {});
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  bool ok() const { return fd_ >= 0 && error_ == 0; }
  // The errno of the first failure; 0 while none.
  int Error() const { return error_; }
  // The temporary file, for a writer that fills it through its own handle (closed before
  // Commit); empty when it could not be made.
  const std::filesystem::path& TempPath() const { return temp_; }

  // Appends (buffered); failures are remembered and make Commit fail.
  void Write(std::string_view bytes);
  // Writes at an absolute offset within what was written (after flushing the buffer).
  void WriteAt(std::uint64_t offset, std::string_view bytes);
  std::uint64_t Size() const { return size_; }
  // Writes out what is buffered now; false once anything failed (errno in Error()).
  bool Flush();

  // Flushes, sets the mode, syncs and closes; the target is not touched yet.
  bool Sync();
  // Renames the synced file over the target (and syncs the folder); false leaves the target.
  // Then removes what writers of the same target that were killed left aside.
  bool Rename();
  // Sync and Rename.
  bool Commit() { return Sync() && Rename(); }

 private:
  void Fail(int error);

  std::filesystem::path target_;
  std::filesystem::path temp_;
  AsideOptions options_;
  int fd_ = -1;
  int error_ = 0;
  bool synced_ = false;
  std::uint64_t size_ = 0;
  std::string buffer_;
};

// Replaces `target` with `bytes` as above.
bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         const AsideOptions& options = {});

}  // namespace velmora::files
