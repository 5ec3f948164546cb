// Writing a file others rely on: the bytes go to a new file in the target's folder, which is
// flushed to disk and renamed over the target only when complete, so a failed or killed run
// leaves the old file as it was and never a half-written one. Used by every writer here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace velmora::transfer {

// Owns a temporary file next to `target` until Commit renames it into place; the destructor
// removes it when it was not committed.
class AtomicFile {
 public:
  explicit AtomicFile(std::filesystem::path target);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  bool ok() const { return fd_ >= 0 && !failed_; }
  // Appends (buffered); failures are remembered and make Commit fail.
  void Write(std::string_view bytes);
  // Writes at an absolute offset (after flushing the buffer).
  void WriteAt(std::uint64_t offset, std::string_view bytes);
  std::uint64_t Size() const { return size_; }
  // Flushes, syncs and renames over the target; false (target untouched) on any failure.
  bool Commit();

 private:
  void Flush();

  std::filesystem::path target_;
  std::filesystem::path temp_;
  int fd_ = -1;
  bool failed_ = false;
  std::uint64_t size_ = 0;
  std::string buffer_;
};

// Replaces `target` with `bytes` as above.
bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes);

}  // namespace velmora::transfer
