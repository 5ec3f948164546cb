// Fingerprints of source files: size, modification time and a content hash, taken when a
// .dbf file is staged and compared before it is replaced. Used by the dBase reader and
// write-back. The hash (64-bit FNV-1a) detects change; it is no protection against malice.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/filedb/file_database.h"

namespace velmora::filedb {

class Fnv1a {
 public:
  void Add(std::string_view bytes) {
    for (char c : bytes) {
      value_ ^= static_cast<unsigned char>(c);
      value_ *= 0x100000001b3ULL;
    }
  }
  std::uint64_t value() const { return value_; }

 private:
  std::uint64_t value_ = 0xcbf29ce484222325ULL;
};

// Whole content of a file; nothing with `problem` filled when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& file, std::string* problem);

// The fingerprint of `file` whose content is `bytes` (read just before).
std::optional<SourceFingerprint> FingerprintOf(const std::filesystem::path& file,
                                               std::string_view bytes);

// Reads the file again and fingerprints it; nothing when it cannot be read.
std::optional<SourceFingerprint> FingerprintNow(const std::filesystem::path& file);

}  // namespace velmora::filedb
