// Runs a helper program of the system (systemctl, systemd-analyze) to its end and collects what
// it prints, without a shell: the arguments reach it as they are. Used by the timer set-up.
// Never throws.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace velmora::installer {

struct ProgramResult {
  int status = -1;     // the exit status; 128 + the signal when killed
  std::string output;  // standard output and standard error together, cut at 64 KiB
};

// Starts argv[0], searched on PATH, with standard input from /dev/null; none when it cannot be
// started (not installed).
std::optional<ProgramResult> RunProgram(const std::vector<std::string>& argv);

}  // namespace velmora::installer
