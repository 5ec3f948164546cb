// The private scratch folder of one run of the transfer benchmarks: made on first use under the
// system's temporary folder and removed at exit. Shared by the benchmark files of this
// program; it never touches anything outside that folder.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace velmora::bench {

// The path is never destroyed: the removal at exit runs after the destructors of every static
// made later (a connection holding files in the folder), and needs the path then.
inline const std::filesystem::path& ScratchDir() {
  static const std::filesystem::path* dir = [] {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "velmora-bench-XXXXXX").string();
    const auto* made = new std::filesystem::path(mkdtemp(pattern.data()));
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(ScratchDir(), ignored);
    });
    return made;
  }();
  return *dir;
}

}  // namespace velmora::bench
