// Shortcuts as freedesktop desktop entries: a program becomes an Application entry that runs it
// in the installation folder, any other file a Link entry that opens it. Used by the
// installation steps. Values are escaped, so no name or path can add keys or arguments.
#pragma once

#include <filesystem>
#include <string>

namespace velmora::installer {

struct DesktopEntry {
  std::string name;
  std::string comment;
  std::filesystem::path target;             // absolute
  std::filesystem::path working_directory;  // absolute
  bool is_program = false;                  // Application (runs target) or Link (opens it)
};

inline constexpr const char* kDesktopEntryExtension = ".desktop";

// The text of the entry file.
std::string DesktopEntryText(const DesktopEntry& entry);

// Writes it as `file` (aside, then renamed), readable by all and executable, which desktops ask
// of launchers on the desktop.
bool WriteDesktopEntry(const std::filesystem::path& file, const DesktopEntry& entry,
                       std::string* error);

// One argument of an Exec key: in double quotes, with ", `, $ and \ escaped, and % doubled.
std::string ExecArgument(const std::string& argument);

}  // namespace velmora::installer
