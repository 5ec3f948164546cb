#include "transfer/atomic_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <random>

namespace velmora::transfer {
namespace {

constexpr std::size_t kBufferLimit = 1 << 20;

// A fresh name in the target's folder: ".<leaf>.<pid>.<counter><random>.tmp".
std::filesystem::path TempNameFor(const std::filesystem::path& target) {
  static std::atomic<unsigned> counter{0};
  static thread_local std::mt19937 random{std::random_device{}()};
  std::string leaf = "." + target.filename().string() + "." + std::to_string(getpid()) + "." +
                     std::to_string(counter++) + std::to_string(random() % 100000) + ".tmp";
  return target.parent_path() / leaf;
}

bool WriteAll(int fd, const char* data, std::size_t size, off_t offset, bool positioned) {
  while (size > 0) {
    ssize_t done = positioned ? pwrite(fd, data, size, offset) : write(fd, data, size);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    data += done;
    size -= static_cast<std::size_t>(done);
    offset += done;
  }
  return true;
}

}  // namespace

AtomicFile::AtomicFile(std::filesystem::path target) : target_(std::move(target)) {
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    temp_ = TempNameFor(target_);
    // 0666 before the umask, as an ordinary new file gets.
    fd_ = open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0 && errno != EEXIST) break;
  }
  if (fd_ < 0) temp_.clear();
}

AtomicFile::~AtomicFile() {
  if (fd_ >= 0) close(fd_);
  if (!temp_.empty()) unlink(temp_.c_str());
}

void AtomicFile::Write(std::string_view bytes) {
  buffer_.append(bytes);
  size_ += bytes.size();
  if (buffer_.size() >= kBufferLimit) Flush();
}

void AtomicFile::WriteAt(std::uint64_t offset, std::string_view bytes) {
  Flush();
  if (fd_ < 0 || failed_) return;
  if (!WriteAll(fd_, bytes.data(), bytes.size(), static_cast<off_t>(offset), true)) failed_ = true;
  if (offset + bytes.size() > size_) failed_ = true;  // only overwrites are meant
}

void AtomicFile::Flush() {
  if (buffer_.empty()) return;
  if (fd_ < 0 || !WriteAll(fd_, buffer_.data(), buffer_.size(), 0, false)) failed_ = true;
  buffer_.clear();
}

bool AtomicFile::Commit() {
  Flush();
  if (fd_ < 0 || failed_) return false;
  bool synced = fsync(fd_) == 0;
  bool closed = close(fd_) == 0;
  fd_ = -1;
  if (!synced || !closed) return false;
  if (rename(temp_.c_str(), target_.c_str()) != 0) return false;
  temp_.clear();
  return true;
}

bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes) {
  AtomicFile file(target);
  file.Write(bytes);
  return file.Commit();
}

}  // namespace velmora::transfer
