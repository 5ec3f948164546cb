// The desktop error log "QuenlowError.log" in the application folder: wizard errors and
// progress, appended as UTF-16LE text without a byte-order mark, each message ending in CR LF.
// Used by the wizard pages and the main window. Never truncates the file and never throws:
// a message that cannot be written is dropped.
#pragma once

#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>

namespace velmora::desktop {

inline constexpr std::string_view kDesktopLogFile = "QuenlowError.log";

class DesktopErrorLog {
 public:
  DesktopErrorLog() = default;  // writes nowhere
  explicit DesktopErrorLog(const std::filesystem::path& app_folder)
      : file_(app_folder / kDesktopLogFile) {}

  // Appends `message` (UTF-8) and CR LF; false when the file could not be written.
  bool Append(std::string_view message) const;
  // A tab-led entry: CR LF, a tab and the text.
  bool AppendSection(std::string_view text) const;
  // A line of its own led by a tab.
  bool AppendTabbed(std::string_view text) const;

  const std::filesystem::path& file() const { return file_; }

 private:
  std::filesystem::path file_;
};

// "Contact Synchronization Desktop side Log...\r\nDate: M/D/YYYY HH:MM:SS" for the wizard's
// first page.
std::string LogHeaderEntry(const std::tm& local_time);

// The line of 110 "=" that ends a saved profile's entry.
std::string LogSeparator();

}  // namespace velmora::desktop
