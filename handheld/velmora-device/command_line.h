// The command lines ActiveSync starts on connection and disconnection: split as Windows splits
// a command line ("quoted path" "connect") and started without a shell. Used by velmora-device.
// Never throws.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::device_tool {

// The arguments of `command_line` by the Windows rules: blanks and tabs separate arguments
// outside double quotes; 2n backslashes before a quote give n backslashes and the quote opens
// or closes quoting, 2n+1 give n backslashes and a literal quote; "" inside quotes is a quote;
// other backslashes are kept.
std::vector<std::string> SplitWindowsCommandLine(std::string_view command_line);

// Starts argv[0] (searched on PATH when it holds no "/") with its arguments; when `wait`,
// waits and returns its exit status (128 + signal when killed). Without waiting returns 0 once
// it started. None when it cannot be started, with the reason in `error`.
std::optional<int> StartProgram(const std::vector<std::string>& argv, bool wait,
                                std::string* error);

}  // namespace velmora::device_tool
