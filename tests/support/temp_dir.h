// A folder of its own for one test, removed with everything in it when the test ends.
#pragma once

#include <filesystem>
#include <string>

namespace velmora::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& leaf) const { return path_ / leaf; }

 private:
  std::filesystem::path path_;
};

// Whole content of a file as bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::filesystem::path& file);
void WriteFileBytes(const std::filesystem::path& file, const std::string& bytes);

// The build folder and the source folder ($VELMORA_BUILD_DIR / $VELMORA_SOURCE_DIR override the
// folders this build was configured with).
std::filesystem::path BuildDir();
std::filesystem::path SourceDir();

}  // namespace velmora::testing
