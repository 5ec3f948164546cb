// A hermetic desktop with one emulated handheld for the device-link tests: its own registry
// folder, a handheld with the agent installed, attached to that desktop, and a trace of the RAPI
// calls the emulator received.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "handheld/store/attachment.h"
#include "handheld/store/handheld_layout.h"
#include "tests/support/temp_dir.h"

namespace velmora::testing {

class EmulatedHandheld {
 public:
  explicit EmulatedHandheld(const std::string& owner = "Ann Lee", bool agent = true,
                            bool attach = true) {
    ::setenv("VELMORA_REGISTRY", (dir_ / "registry").c_str(), 1);
    ::setenv("VELMORA_RAPI_TRACE", trace_file().c_str(), 1);
    ::unsetenv("VELMORA_RAPI");
    std::string error;
    const auto agent_program =
        agent ? std::optional(BuildDir() / "bin" / "sorrelin") : std::nullopt;
    created_ = handheld::CreateHandheld(folder(), owner, agent_program, &error);
    if (attach) handheld::AttachHandheld(folder());
  }

  bool created() const { return created_; }
  std::filesystem::path folder() const { return dir_ / "handheld"; }
  std::filesystem::path desktop(const std::string& leaf) const { return dir_ / leaf; }
  std::filesystem::path device_file(const std::string& relative) const {
    return handheld::FilesRoot(folder()) / relative;
  }
  std::filesystem::path trace_file() const { return dir_ / "rapi-trace.txt"; }
  static std::string LibraryPath() { return (BuildDir() / "lib" / "librapi-emu.so").string(); }

  // The traced calls whose line starts with `prefix`, and forgets the trace.
  std::vector<std::string> TakeTrace(const std::string& prefix) const {
    std::vector<std::string> lines;
    const std::string text = ReadFileBytes(trace_file());
    std::size_t start = 0;
    while (start < text.size()) {
      const std::size_t end = text.find('\n', start);
      const std::string line = text.substr(start, end - start);
      if (line.rfind(prefix, 0) == 0) lines.push_back(line);
      start = end == std::string::npos ? text.size() : end + 1;
    }
    std::filesystem::remove(trace_file());
    return lines;
  }

 private:
  TempDir dir_;
  bool created_ = false;
};

}  // namespace velmora::testing
