#include "conduit/conduit_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/text/utf.h"

namespace velmora::conduit {

void AppendToConduitLog(const std::filesystem::path& log_file, std::string_view text) {
  std::u16string units = text::Utf8ToUtf16(text);
  std::string bytes;
  bytes.reserve(units.size() * 2);
  for (char16_t unit : units) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  // O_APPEND: every write lands at the end, also when another process appends meanwhile.
  // The log names contacts and databases: private to the user.
  int fd = ::open(log_file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) return;
  // A log cut short by a full disk or a crash can end in half a unit; every later entry would
  // then read as garbage. One zero byte completes that unit and realigns what follows.
  struct stat info {};
  if (::fstat(fd, &info) == 0 && info.st_size % 2 != 0) bytes.insert(bytes.begin(), '\0');
  const char* data = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    ssize_t written = ::write(fd, data, left);
    if (written <= 0) break;
    data += written;
    left -= static_cast<std::size_t>(written);
  }
  ::close(fd);
}

void ConduitLog::Append(std::string_view text) {
  std::lock_guard lock(mutex_);
  AppendToConduitLog(log_file_, text);
}

}  // namespace velmora::conduit
