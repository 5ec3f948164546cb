#include "installer/file_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>
#include <system_error>

namespace velmora::installer {
namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  // Closes now, reporting the result (a delayed write error shows up here).
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool Fail(std::string* error, const std::string& what) {
  if (error) *error = what + ": " + std::strerror(errno);
  return false;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

std::filesystem::path TemporaryName(const std::filesystem::path& to) {
  return to.parent_path() / ("." + to.filename().string() + ".part-" + std::to_string(::getpid()));
}

// Fills `out` (the open temporary file) through `produce`, then flushes, sets the mode and
// renames it over `to`. The temporary file is removed on any failure.
template <class Produce>
bool WriteThenRename(const std::filesystem::path& to, unsigned mode, std::string* error,
                     Produce produce) {
  const std::filesystem::path temp = TemporaryName(to);
  FileDescriptor out(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  if (out.get() < 0) return Fail(error, "cannot create " + temp.string());
  bool ok = produce(out.get(), error);
  if (ok && ::fchmod(out.get(), mode & 0777) != 0) ok = Fail(error, "cannot set the mode");
  if (ok && ::fsync(out.get()) != 0) ok = Fail(error, "cannot flush " + temp.string());
  if (!out.Close() && ok) ok = Fail(error, "cannot write " + temp.string());
  if (ok && ::rename(temp.c_str(), to.c_str()) != 0) {
    ok = Fail(error, "cannot rename onto " + to.string());
  }
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

}  // namespace

bool CopyFileAside(const std::filesystem::path& from, const std::filesystem::path& to,
                   std::string* error) {
  FileDescriptor in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.get() < 0) return Fail(error, "cannot open " + from.string());
  struct stat info {};
  if (::fstat(in.get(), &info) != 0) return Fail(error, "cannot read " + from.string());
  if (!S_ISREG(info.st_mode)) {
    if (error) *error = from.string() + " is not a file";
    return false;
  }
  return WriteThenRename(to, info.st_mode, error, [&](int out, std::string* why) {
    char buffer[1 << 16];
    for (;;) {
      const ssize_t got = ::read(in.get(), buffer, sizeof buffer);
      if (got == 0) return true;
      if (got < 0) {
        if (errno == EINTR) continue;
        return Fail(why, "cannot read " + from.string());
      }
      if (!WriteAll(out, buffer, static_cast<std::size_t>(got))) {
        return Fail(why, "cannot write " + to.string());
      }
    }
  });
}

bool WriteFileAside(const std::filesystem::path& to, std::string_view bytes, unsigned mode,
                    std::string* error) {
  return WriteThenRename(to, mode, error, [&](int out, std::string* why) {
    return WriteAll(out, bytes.data(), bytes.size()) || Fail(why, "cannot write " + to.string());
  });
}

}  // namespace velmora::installer
