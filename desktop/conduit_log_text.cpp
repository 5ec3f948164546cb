#include "desktop/conduit_log_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/text/utf.h"

namespace velmora::desktop {
namespace {

std::string Utf16LeToUtf8(std::string_view bytes) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  }
  if (!units.empty() && units.front() == u'\xFEFF') units.erase(0, 1);
  return text::Utf16ToUtf8(units);
}

std::string UnixLineEnds(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      out.push_back(text[i]);
    } else if (i + 1 >= text.size() || text[i + 1] != '\n') {
      out.push_back('\n');
    }
  }
  return out;
}

std::string SystemError(const std::filesystem::path& file, int error_number) {
  return file.string() + ": " + std::strerror(error_number);
}

bool ReadFrom(int fd, off_t offset, std::size_t size, std::string& bytes) {
  bytes.resize(size);
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = ::pread(fd, bytes.data() + got, size - got, offset + static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;  // the file became shorter while it was read
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);
  return true;
}

}  // namespace

std::string DecodeConduitLog(std::string_view bytes) {
  return UnixLineEnds(Utf16LeToUtf8(bytes));
}

std::optional<std::string> ReadConduitLog(const std::filesystem::path& file, std::string* error) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    if (error) *error = SystemError(file, errno);
    return std::nullopt;
  }
  struct stat info {};
  std::string bytes;
  bool ok = ::fstat(fd, &info) == 0;
  int error_number = ok ? 0 : errno;
  if (ok && !S_ISREG(info.st_mode)) {
    ok = false;
    error_number = EINVAL;
  }
  const std::size_t size = ok ? static_cast<std::size_t>(info.st_size) : 0;
  // The end of a long log, from an even offset so that the UTF-16 units stay whole.
  const std::size_t start = size > kLogViewLimit ? (size - kLogViewLimit) & ~std::size_t{1} : 0;
  if (ok && !ReadFrom(fd, static_cast<off_t>(start), size - start, bytes)) {
    ok = false;
    error_number = errno;
  }
  ::close(fd);
  if (!ok) {
    if (error) {
      *error = error_number == EINVAL ? file.string() + ": not a regular file"
                                      : SystemError(file, error_number);
    }
    return std::nullopt;
  }
  std::string text = DecodeConduitLog(bytes);
  if (start > 0) {
    const std::size_t line = text.find('\n');
    text.erase(0, line == std::string::npos ? 0 : line + 1);
  }
  return text;
}

}  // namespace velmora::desktop
