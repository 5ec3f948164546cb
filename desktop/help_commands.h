// The Sync log (32792) and Help (32794) commands: the conduit's log in the application folder,
// read for the desktop manager's own log window, and the user guide, handed to the desktop's
// default program. Used by the main window; the interface is Qt-free so that tests can stand
// in for the desktop. A missing or unreadable file, or a desktop that cannot open it, is
// reported with its path through the prompt seam.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::desktop {

inline constexpr std::string_view kConduitLogFile = "ContactConduitlog.log";
inline constexpr std::string_view kUserGuideFile = "Contacts_UserGuide.html";

// Hands a file to the program the desktop opens it with; true when that program started.
class FileOpener {
 public:
  virtual ~FileOpener() = default;
  virtual bool Open(const std::filesystem::path& file) = 0;
};

// The desktop's own: "xdg-open FILE", not waited for. False when it cannot start; when it
// ends with a failure later (no program for the file), OpenFailedMessage is shown then.
class XdgOpener final : public FileOpener {
 public:
  bool Open(const std::filesystem::path& file) override;
};

// The messages for a file that is not there and for one that could not be opened.
std::string MissingLogMessage(const std::filesystem::path& file);
std::string MissingGuideMessage(const std::filesystem::path& file);
std::string OpenFailedMessage(const std::filesystem::path& file);
// `reason` names the file and what went wrong.
std::string UnreadableLogMessage(std::string_view reason);

// The conduit log of the application folder as readable text; nullopt (and the message shown)
// when it is missing or cannot be read.
std::optional<std::string> ReadSyncLog(const std::filesystem::path& app_folder);

// True when the file was handed to the opener and it started.
bool OpenUserGuide(const std::filesystem::path& app_folder, FileOpener& opener);

}  // namespace velmora::desktop
