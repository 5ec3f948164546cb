#include "installer/install_plan.h"

#include <algorithm>
#include <filesystem>

#include "installer/script_ids.h"

namespace velmora::installer {
namespace {

void Add(std::vector<PlannedCopy>& copies, FileGroup group, std::string source,
         std::string target) {
  copies.push_back({group, std::move(source), std::move(target)});
}

void AddLanguageFiles(std::vector<PlannedCopy>& copies, const SetupScript& script, int offset) {
  const int count = ScriptCount(script, ids::kLanguageFileCount);
  for (int i = 0; i < count; ++i) {
    std::string source = script.Text(ids::kFirstLanguageFile + offset + i);
    std::string target = LanguageTargetName(source);
    Add(copies, FileGroup::kLanguage, std::move(source), std::move(target));
  }
}

std::vector<Shortcut> Shortcuts(const SetupScript& script, int count_id, int first_target,
                                int first_name, int first_comment) {
  std::vector<Shortcut> shortcuts;
  const int count = ScriptCount(script, count_id);
  const std::string shared_comment =
      first_comment < 0 ? script.Text(ids::kDesktopShortcutComment) : std::string();
  for (int i = 0; i < count; ++i) {
    Shortcut shortcut;
    shortcut.target = script.Text(first_target + i);
    shortcut.name = script.Text(first_name + i);
    shortcut.comment = first_comment < 0 ? shared_comment : script.Text(first_comment + i);
    shortcuts.push_back(std::move(shortcut));
  }
  return shortcuts;
}

}  // namespace

int ScriptCount(const SetupScript& script, int id) {
  return std::min(script.Number(id), kMaxScriptCount);
}

std::vector<PlannedCopy> PlannedCopies(const SetupScript& script, bool keep_existing,
                                       int language_offset) {
  std::vector<PlannedCopy> copies;
  // The main files run from 0 to the count inclusive; the last place is readme.txt's.
  const int last = ScriptCount(script, ids::kMainFileCountMinusOne);
  for (int i = 0; i <= last; ++i) {
    std::string name = i == last ? std::string(kReadmeFile) : script.Text(ids::kFirstMainFile + i);
    Add(copies, FileGroup::kMain, name, name);
  }
  Add(copies, FileGroup::kSampleContacts, kSampleContactsFile, kSampleContactsFile);
  if (!keep_existing) {
    const int count = ScriptCount(script, ids::kFirstInstallFileCount);
    for (int i = 0; i < count; ++i) {
      std::string name = script.Text(ids::kFirstFirstInstallFile + i);
      Add(copies, FileGroup::kFirstInstall, name, name);
    }
  }
  AddLanguageFiles(copies, script, language_offset);
  return copies;
}

std::vector<PlannedCopy> AllShippedFiles(const SetupScript& script, int language_offsets) {
  std::vector<PlannedCopy> copies = PlannedCopies(script, false, 0);
  for (int offset = 1; offset < language_offsets; ++offset)
    AddLanguageFiles(copies, script, offset);
  std::vector<PlannedCopy> unique;
  for (PlannedCopy& copy : copies) {
    const bool seen = std::any_of(unique.begin(), unique.end(), [&](const PlannedCopy& other) {
      return other.source == copy.source;
    });
    if (!seen) unique.push_back(std::move(copy));
  }
  return unique;
}

std::vector<std::string> Subfolders(const SetupScript& script) {
  std::vector<std::string> folders;
  const int count = ScriptCount(script, ids::kSubfolderCount);
  for (int i = 0; i < count; ++i) folders.push_back(script.Text(ids::kFirstSubfolder + i));
  return folders;
}

std::vector<Shortcut> DesktopShortcuts(const SetupScript& script) {
  return Shortcuts(script, ids::kDesktopShortcutCount, ids::kFirstDesktopTarget,
                   ids::kFirstDesktopName, -1);
}

std::vector<Shortcut> MenuShortcuts(const SetupScript& script) {
  return Shortcuts(script, ids::kMenuShortcutCount, ids::kFirstMenuTarget, ids::kFirstMenuName,
                   ids::kFirstMenuComment);
}

bool IsContainedName(const std::string& name) {
  if (name.empty()) return false;
  const std::filesystem::path path(name);
  if (path.is_absolute()) return false;
  for (const std::filesystem::path& part : path) {
    if (part == "." || part == "..") return false;
  }
  return true;
}

std::string LanguageTargetName(const std::string& source) {
  if (source.size() <= static_cast<std::size_t>(kLanguagePrefixLength)) return {};
  return source.substr(kLanguagePrefixLength);
}

}  // namespace velmora::installer
