#include "tests/support/temp_dir.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace velmora::testing {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "velmora-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string ReadFileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFileBytes(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::filesystem::path BuildDir() {
  const char* dir = std::getenv("VELMORA_BUILD_DIR");
  return dir ? std::filesystem::path(dir) : std::filesystem::path(VELMORA_TEST_BUILD_DIR);
}

std::filesystem::path SourceDir() {
  const char* dir = std::getenv("VELMORA_SOURCE_DIR");
  return dir ? std::filesystem::path(dir) : std::filesystem::path(VELMORA_TEST_SOURCE_DIR);
}

}  // namespace velmora::testing
