// The conduit log "ContactConduitlog.log" in the application folder: every text is appended as
// UTF-16LE code units with no byte-order mark and no terminator; the file is never truncated,
// shortened or rotated. Used by every step of the conduit run. A write that cannot open the
// file is dropped, since the log is the only place a failure could be reported.
#pragma once

#include <filesystem>
#include <mutex>
#include <string_view>

namespace velmora::conduit {

inline constexpr std::string_view kConduitLogFile = "ContactConduitlog.log";

// Appends `text` (UTF-8; it carries its own "\r\n" and tabs) to the log file `log_file`.
void AppendToConduitLog(const std::filesystem::path& log_file, std::string_view text);

// The log of one application folder. Appends from several threads never interleave.
class ConduitLog {
 public:
  explicit ConduitLog(std::filesystem::path log_file) : log_file_(std::move(log_file)) {}

  void Append(std::string_view text);
  const std::filesystem::path& File() const { return log_file_; }

 private:
  std::filesystem::path log_file_;
  std::mutex mutex_;
};

}  // namespace velmora::conduit
