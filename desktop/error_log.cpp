#include "desktop/error_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "platform/text/utf.h"

namespace velmora::desktop {
namespace {

constexpr std::size_t kSeparatorLength = 110;

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0) return false;
    written += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

bool DesktopErrorLog::Append(std::string_view message) const {
  if (file_.empty()) return false;
  const std::u16string wide = text::Utf8ToUtf16(std::string(message) + "\r\n");
  std::string bytes;
  bytes.reserve(wide.size() * 2);
  for (const char16_t unit : wide) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  // O_APPEND keeps every message whole at the end even when two programs write at once.
  const int fd = ::open(file_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool ok = WriteAll(fd, bytes);
  return ::close(fd) == 0 && ok;
}

bool DesktopErrorLog::AppendSection(std::string_view text) const {
  return Append("\r\n\t" + std::string(text));
}

bool DesktopErrorLog::AppendTabbed(std::string_view text) const {
  return Append("\t" + std::string(text));
}

std::string LogHeaderEntry(const std::tm& t) {
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, "%s\r\n%s %d/%d/%d %02d:%02d:%02d",
                "Contact Synchronization Desktop side Log...", "Date:", t.tm_mon + 1, t.tm_mday,
                t.tm_year + 1900, t.tm_hour, t.tm_min, t.tm_sec);
  return buffer;
}

std::string LogSeparator() {
  return std::string(kSeparatorLength, '=');
}

}  // namespace velmora::desktop
