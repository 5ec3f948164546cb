#include "platform/registry/hive_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <system_error>
#include <utility>

#include "platform/files/atomic_file.h"
#include "platform/files/unique_fd.h"

namespace velmora::registry {
namespace {

namespace fs = std::filesystem;

constexpr off_t kMaxHiveFileBytes = static_cast<off_t>(kMaxHiveBytes);

using files::UniqueFd;

void Report(const std::string& message) {
  ReportRegistryProblem(message);
}

// Lookups repeat; one line per file and reason is enough to tell the user.
void ReportOnce(const std::string& message) {
  static std::mutex mutex;
  static std::set<std::string> reported;
  std::lock_guard lock(mutex);
  if (reported.insert(message).second) Report(message);
}

std::string ErrnoText() {
  return std::strerror(errno);
}

// kTooLarge: a regular file over the hive limit, not read; it counts as a damaged hive.
enum class ReadStatus { kOk, kMissing, kFailed, kTooLarge };

struct FileBytes {
  ReadStatus status = ReadStatus::kFailed;
  std::string bytes;
  std::string error;
};

FileBytes ReadWholeFile(const fs::path& file) {
  FileBytes result;
  UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.ok()) {
    result.status = errno == ENOENT ? ReadStatus::kMissing : ReadStatus::kFailed;
    result.error = ErrnoText();
    return result;
  }
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    result.error = "not a regular file";
    return result;
  }
  if (info.st_size > kMaxHiveFileBytes) {
    result.status = ReadStatus::kTooLarge;
    result.error = "too large for a hive";
    return result;
  }
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      result.error = ErrnoText();
      return result;
    }
    result.bytes.append(buffer, static_cast<std::size_t>(got));
    if (result.bytes.size() > kMaxHiveBytes) {
      result.status = ReadStatus::kTooLarge;
      result.error = "too large for a hive";
      return result;
    }
  }
  result.status = ReadStatus::kOk;
  return result;
}

// Writes `bytes` beside `file` and renames it into place; readers see the old or the new file.
// The data is synced before the rename so that a crash leaves one whole file or the other; the
// folder is not synced (that costs a journal commit per write), so the newest write may be lost.
// Writers hold the hive's lock, so one fixed temporary name serves them all.
bool ReplaceFile(const fs::path& file, std::string_view bytes) {
  files::AsideOptions options;
  options.create_mode = 0644;
  options.sync_folder = false;
  options.fixed_temp_name = true;
  files::AtomicFile out(file, options);
  out.Write(bytes);
  if (out.Commit()) return true;
  Report(file.string() + ": cannot be written (" + std::strerror(out.Error()) + ")");
  return false;
}

// Renames a damaged hive to the first free "<file>.damaged-N"; the new name, or empty on failure.
fs::path SetAside(const fs::path& file) {
  for (int n = 1; n < 1000; ++n) {
    fs::path aside = fs::path(file) += ".damaged-" + std::to_string(n);
    std::error_code ec;
    if (fs::exists(aside, ec) || ec) continue;
    if (::rename(file.c_str(), aside.c_str()) == 0) return aside;
    break;
  }
  return {};
}

// Holds the hive's exclusive write lock while it lives.
class WriteLock {
 public:
  explicit WriteLock(const fs::path& lock_file)
      : fd_(::open(lock_file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)) {
    while (fd_.ok() && !locked_) {
      if (::flock(fd_.get(), LOCK_EX) == 0) {
        locked_ = true;
      } else if (errno != EINTR) {
        break;
      }
    }
    if (!locked_) Report(lock_file.string() + ": cannot be locked (" + ErrnoText() + ")");
  }
  // Closing the descriptor releases the lock.
  bool locked() const { return locked_; }

 private:
  UniqueFd fd_;
  bool locked_ = false;
};

const char* HiveStem(Hive hive) {
  return hive == Hive::kCurrentUser ? "HKCU" : "HKLM";
}

}  // namespace

void ReportRegistryProblem(const std::string& message) {
  std::fprintf(stderr, "velmora registry: %s\n", message.c_str());
}

fs::path HiveFile(Hive hive) {
  return RegistryFolder() / (std::string(HiveStem(hive)) + ".hive");
}

HiveContents LoadHive(Hive hive) {
  const fs::path file = HiveFile(hive);
  FileBytes read = ReadWholeFile(file);
  if (read.status == ReadStatus::kMissing) return {};
  if (read.status == ReadStatus::kTooLarge) {
    ReportOnce(file.string() + ": damaged (" + read.error + "); its values read as absent");
    return {};
  }
  if (read.status == ReadStatus::kFailed) {
    ReportOnce(file.string() + ": cannot be read (" + read.error + "); its values read as absent");
    return {};
  }
  ParsedHive parsed = ParseHive(read.bytes);
  if (!parsed.ok) {
    ReportOnce(file.string() + ": damaged (" + parsed.error + "); its values read as absent");
    return {};
  }
  return std::move(parsed.contents);
}

bool UpdateHive(Hive hive, const std::function<bool(HiveContents&)>& change) {
  const fs::path folder = RegistryFolder();
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) {
    Report(folder.string() + ": cannot be created (" + ec.message() + ")");
    return false;
  }
  const WriteLock lock(folder / (std::string(HiveStem(hive)) + ".lock"));
  if (!lock.locked()) return false;

  const fs::path file = HiveFile(hive);
  FileBytes read = ReadWholeFile(file);
  if (read.status == ReadStatus::kFailed) {
    Report(file.string() + ": cannot be read (" + read.error + "); left unchanged");
    return false;
  }
  HiveContents contents;
  std::string damage;
  if (read.status == ReadStatus::kTooLarge) damage = read.error;
  if (read.status == ReadStatus::kOk) {
    ParsedHive parsed = ParseHive(read.bytes);
    if (parsed.ok) {
      contents = std::move(parsed.contents);
    } else {
      damage = parsed.error;
    }
  }
  if (!change(contents)) return false;
  std::string bytes = SerialiseHive(contents);
  if (bytes.size() > kMaxHiveBytes) {
    Report(file.string() + ": the change would make the hive " + std::to_string(bytes.size()) +
           " bytes long, over the limit of " + std::to_string(kMaxHiveBytes) +
           " that it can be read with; refused, nothing changed");
    return false;
  }
  if (!damage.empty()) {
    const fs::path aside = SetAside(file);
    if (aside.empty()) {
      Report(file.string() + ": damaged (" + damage + ") and cannot be kept aside; left unchanged");
      return false;
    }
    Report(file.string() + ": damaged (" + damage + "); kept as " + aside.filename().string() +
           ", the hive starts afresh");
  }
  return ReplaceFile(file, bytes);
}

}  // namespace velmora::registry
