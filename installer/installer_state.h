// The installer's state for one run: where it copies from, the installation it found, the
// choices made on the pages, and whether every copy succeeded. Filled at start-up, changed by
// the wizard pages (or the unattended options) and read by the installation steps. No Qt.
#pragma once

#include <filesystem>
#include <string>

#include "installer/setup_script.h"

namespace velmora::installer {

struct InstallerState {
  std::filesystem::path source_directory;  // the current folder at start-up
  std::string existing_folder;             // AppPath of an installation still on disk, or empty
  int keep_existing = 0;                   // 1: the existing installation's data is retained
  int language_offset = 0;
  std::string installation_folder;  // the folder finally chosen
  bool success = true;              // cleared when any file copy fails
};

// AppPath under the current user's key of script id 100 when it names an existing folder;
// empty otherwise (a deleted folder counts as no installation).
std::string FindExistingInstallation(const SetupScript& script);

// True when `folder` holds a database an installation keeps (the profile database or the sample
// contacts database): such a folder is an installation whatever the registry says.
bool HoldsInstallation(const SetupScript& script, const std::string& folder);

// The state at start-up: source directory `source_directory`, the existing installation and,
// when there is one, keep-existing 1.
InstallerState StartUp(const SetupScript& script, const std::filesystem::path& source_directory);

// The folder field's first text: the existing installation, else the default folder.
std::string InitialFolder(const InstallerState& state, const SetupScript& script);

}  // namespace velmora::installer
