#include "platform/filedb/fingerprint.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace velmora::filedb {

std::optional<std::string> ReadWholeFile(const std::filesystem::path& file, std::string* problem) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    if (problem) *problem = std::string("cannot be read: ") + std::strerror(errno);
    return std::nullopt;
  }
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) {
    if (problem) *problem = "cannot be read";
    return std::nullopt;
  }
  return std::move(bytes).str();
}

std::optional<SourceFingerprint> FingerprintOf(const std::filesystem::path& file,
                                               std::string_view bytes) {
  struct stat info {};
  if (stat(file.c_str(), &info) != 0) return std::nullopt;
  SourceFingerprint fingerprint;
  fingerprint.size = static_cast<std::uintmax_t>(info.st_size);
  fingerprint.mtime_ns =
      static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
  Fnv1a hash;
  hash.Add(bytes);
  fingerprint.content_hash = hash.value();
  return fingerprint;
}

std::optional<SourceFingerprint> FingerprintNow(const std::filesystem::path& file) {
  const std::optional<std::string> bytes = ReadWholeFile(file, nullptr);
  if (!bytes) return std::nullopt;
  return FingerprintOf(file, *bytes);
}

}  // namespace velmora::filedb
