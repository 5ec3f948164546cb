// What an installation holds, as the setup script names it: the files to copy (with the names
// they get in the installation folder), the subfolders and the shortcuts. Used by the
// installation steps and by the bundle tool, so both always agree on the file list.
// Only reads the script; touches no file of its own.
#pragma once

#include <string>
#include <vector>

#include "installer/setup_script.h"

namespace velmora::installer {

enum class FileGroup { kMain, kSampleContacts, kFirstInstall, kLanguage };

struct PlannedCopy {
  FileGroup group = FileGroup::kMain;
  std::string source;  // relative to the source directory
  std::string target;  // relative to the installation folder
  friend bool operator==(const PlannedCopy&, const PlannedCopy&) = default;
};

struct Shortcut {
  std::string name;     // the entry's file name without its extension
  std::string target;   // relative to the installation folder
  std::string comment;  // the description
  friend bool operator==(const Shortcut&, const Shortcut&) = default;
};

// The script's count `id`, capped at kMaxScriptCount.
int ScriptCount(const SetupScript& script, int id);

// In installation order: main files (the last of them readme.txt), the sample contacts
// database, the first-install files unless the existing installation is kept, the language
// files of `language_offset`. A name the script leaves empty stays in the list (and fails to
// copy), so that a damaged script does not pass for a complete installation.
std::vector<PlannedCopy> PlannedCopies(const SetupScript& script, bool keep_existing,
                                       int language_offset);

// Every file any installation may copy (first-install files and the language files of every
// offset the script has), for laying out an installer's source directory.
std::vector<PlannedCopy> AllShippedFiles(const SetupScript& script, int language_offsets);

std::vector<std::string> Subfolders(const SetupScript& script);
std::vector<Shortcut> DesktopShortcuts(const SetupScript& script);
std::vector<Shortcut> MenuShortcuts(const SetupScript& script);

// True for a name that stays inside the folder it is joined to: not empty, not absolute,
// without "." or ".." components.
bool IsContainedName(const std::string& name);

// A language file's installed name: its name without the first three characters.
std::string LanguageTargetName(const std::string& source);

}  // namespace velmora::installer
