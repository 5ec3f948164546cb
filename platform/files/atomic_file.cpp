#include "platform/files/atomic_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <random>

#include "platform/files/crash_point.h"

namespace velmora::files {
namespace {

constexpr std::size_t kBufferLimit = 1 << 20;

// A fresh name in the target's folder: ".<leaf>.<pid>.<counter><salt><ending>". The salt, drawn
// once per process, keeps a reused pid from meeting a killed writer's leftovers. No thread-local
// state: this code is also linked into libraries that are loaded and unloaded at run time.
std::filesystem::path FreshNameFor(const std::filesystem::path& target, const std::string& ending) {
  static std::atomic<unsigned> counter{0};
  static const unsigned salt = std::random_device{}() % 100000;
  // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on a chain of '+'.
  std::string leaf(1, '.');
  leaf.append(target.filename().string());
  leaf.append(1, '.').append(std::to_string(getpid()));
  leaf.append(1, '.').append(std::to_string(counter++));
  leaf.append(std::to_string(salt));
  leaf.append(ending.empty() ? std::string(".tmp") : ending);
  return target.parent_path() / leaf;
}

bool WriteAll(int fd, const char* data, std::size_t size, off_t offset, bool positioned) {
  while (size > 0) {
    ssize_t done = positioned ? pwrite(fd, data, size, offset) : write(fd, data, size);
    if (done < 0 && errno == EINTR) continue;
    if (done == 0) errno = EIO;
    if (done <= 0) return false;
    data += done;
    size -= static_cast<std::size_t>(done);
    offset += done;
  }
  return true;
}

bool AllDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool ProcessIsGone(const std::string& pid_text) {
  if (pid_text.size() > 9) return false;
  const pid_t pid = static_cast<pid_t>(std::stol(pid_text));
  return pid > 0 && pid != getpid() && kill(pid, 0) != 0 && errno == ESRCH;
}

// A fresh name of `target` (".<leaf>.<pid>.<digits><ending>") whose writer no longer runs: a
// process killed while writing aside leaves its temporary file behind.
bool IsLeftByAGoneWriter(const std::string& name, const std::string& leaf,
                         const std::string& ending) {
  const std::string prefix = "." + leaf + ".";
  if (name.size() <= prefix.size() + ending.size() || !name.starts_with(prefix) ||
      !name.ends_with(ending)) {
    return false;
  }
  const std::string_view middle =
      std::string_view(name).substr(prefix.size(), name.size() - prefix.size() - ending.size());
  const std::size_t dot = middle.find('.');
  if (dot == std::string_view::npos) return false;
  const std::string pid(middle.substr(0, dot));
  return AllDigits(pid) && AllDigits(middle.substr(dot + 1)) && ProcessIsGone(pid);
}

void RemoveLeftovers(const std::filesystem::path& target, const std::string& temp_ending) {
  const std::string leaf = target.filename().string();
  const std::string ending = temp_ending.empty() ? std::string(".tmp") : temp_ending;
  std::error_code error;
  const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
  // Stepped with an error code: a folder that changes under the walk ends it, never throws.
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = it->path().filename().string();
    std::error_code ignored;
    if (IsLeftByAGoneWriter(name, leaf, ending)) std::filesystem::remove(it->path(), ignored);
  }
}

void SyncFolder(const std::filesystem::path& folder) {
  const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

AtomicFile::AtomicFile(std::filesystem::path target, AsideOptions options)
    : target_(std::move(target)), options_(std::move(options)) {
  if (options_.fixed_temp_name) {
    temp_ = std::filesystem::path(target_) += ".tmp";
    fd_ = open(temp_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, options_.create_mode);
  } else {
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
      temp_ = FreshNameFor(target_, options_.temp_ending);
      fd_ = open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, options_.create_mode);
      if (fd_ < 0 && errno != EEXIST) break;
    }
  }
  if (fd_ < 0) {
    error_ = errno;
    temp_.clear();
  }
}

AtomicFile::~AtomicFile() {
  if (fd_ >= 0) close(fd_);
  if (!temp_.empty()) unlink(temp_.c_str());
}

void AtomicFile::Fail(int error) {
  if (error_ == 0) error_ = error != 0 ? error : EIO;
}

void AtomicFile::Write(std::string_view bytes) {
  buffer_.append(bytes);
  size_ += bytes.size();
  if (buffer_.size() >= kBufferLimit) Flush();
}

void AtomicFile::WriteAt(std::uint64_t offset, std::string_view bytes) {
  Flush();
  if (!ok()) return;
  if (offset + bytes.size() > size_) return Fail(EINVAL);  // only overwrites are meant
  if (!WriteAll(fd_, bytes.data(), bytes.size(), static_cast<off_t>(offset), true)) Fail(errno);
  CrashPoint("file write");
}

bool AtomicFile::Flush() {
  if (buffer_.empty()) return ok();
  if (fd_ < 0) {
    Fail(EBADF);
  } else if (error_ == 0 && !WriteAll(fd_, buffer_.data(), buffer_.size(), 0, false)) {
    Fail(errno);
  }
  buffer_.clear();
  CrashPoint("file write");
  return ok();
}

bool AtomicFile::Sync() {
  Flush();
  if (!ok()) return false;
  if (options_.exact_mode && fchmod(fd_, *options_.exact_mode & 07777) != 0) Fail(errno);
  if (error_ == 0 && fsync(fd_) != 0) Fail(errno);
  if (close(fd_) != 0) Fail(errno);
  fd_ = -1;
  synced_ = error_ == 0;
  return synced_;
}

bool AtomicFile::Rename() {
  if (!synced_) return false;
  if (rename(temp_.c_str(), target_.c_str()) != 0) {
    Fail(errno);
    return false;
  }
  temp_.clear();
  if (options_.sync_folder) SyncFolder(target_.parent_path());
  CrashPoint("file replaced");
  if (!options_.fixed_temp_name) RemoveLeftovers(target_, options_.temp_ending);
  return true;
}

bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         const AsideOptions& options) {
  AtomicFile file(target, options);
  file.Write(bytes);
  return file.Commit();
}

}  // namespace velmora::files
