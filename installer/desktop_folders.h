// Where a desktop installation puts things on Linux: the folder for programs, the desktop and
// the applications menu, following the XDG conventions. Used by the installation steps and the
// folder page. Reads the environment afresh on every call; never throws.
#pragma once

#include <filesystem>
#include <string>

namespace velmora::installer {

// /opt when running as root, else ~/.local/opt; empty when there is no home folder.
std::filesystem::path ProgramFilesFolder();
// What `xdg-user-dir DESKTOP` prints, else ~/Desktop.
std::filesystem::path DesktopFolder();
// $XDG_DATA_HOME/applications, else ~/.local/share/applications.
std::filesystem::path ApplicationsFolder();

// The folder field's starting text when no installation exists: the program-files folder,
// a "/", the product folder name.
std::string DefaultInstallationFolder(const std::string& product_folder);

// `folder` with a "/" appended when it lacks one, then `product_folder`.
std::string FolderUnder(const std::string& folder, const std::string& product_folder);

// Opens a file with the desktop's associated program (xdg-open). Waits a moment for xdg-open
// to give up (no such file, nothing opens it) but not for the opener it starts; false with the
// reason in `why` when the file is missing, xdg-open could not start or it ended with an error.
bool OpenWithDesktop(const std::filesystem::path& file, std::string* why = nullptr);

}  // namespace velmora::installer
