// The one owner of an open file descriptor: closes it when it goes, or now through Close(),
// which reports the result (a delayed write error shows up there). Used by the copies of the
// device link, the installer and the registry hive store; Qt-free.
#pragma once

#include <unistd.h>

namespace velmora::files {

class UniqueFd {
 public:
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  bool ok() const { return fd_ >= 0; }
  int get() const { return fd_; }
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

}  // namespace velmora::files
