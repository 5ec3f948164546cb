#include "platform/files/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <thread>

namespace velmora::files {
namespace {

// flock has no time-out: a bounded wait asks again at this pace.
constexpr std::chrono::milliseconds kRetry(50);

}  // namespace

FileLock::FileLock(const std::filesystem::path& file,
                   std::optional<std::chrono::milliseconds> patience)
    : fd_(::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600)) {
  if (!fd_.ok()) {
    error_ = errno;
    return;
  }
  const auto deadline = std::chrono::steady_clock::now() + patience.value_or(kRetry);
  const int operation = patience ? LOCK_EX | LOCK_NB : LOCK_EX;
  while (::flock(fd_.get(), operation) != 0) {
    error_ = errno;
    if (error_ == EINTR) continue;
    if (error_ != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) return;
    std::this_thread::sleep_for(kRetry);
  }
  error_ = 0;
  held_ = true;
}

}  // namespace velmora::files
