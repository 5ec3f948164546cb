#include "installer/script_check.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "installer/install_plan.h"
#include "installer/script_ids.h"

namespace velmora::installer {
namespace {

struct CountEntry {
  int id;
  bool required;  // an installation without it would copy no program
};

constexpr CountEntry kCounts[] = {
    {ids::kMainFileCountMinusOne, true}, {ids::kLanguageFileCount, false},
    {ids::kMenuShortcutCount, false},    {ids::kDesktopShortcutCount, false},
    {ids::kSubfolderCount, false},       {ids::kFirstInstallFileCount, false},
};

bool IsCount(std::string_view text) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, ec] = std::from_chars(text.data(), end, value);
  return !text.empty() && text.front() != '-' && ec == std::errc() && stop == end &&
         value <= kMaxScriptCount;
}

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

void CheckCounts(const SetupScript& script, std::vector<std::string>& problems) {
  for (const CountEntry& entry : kCounts) {
    const std::string text = script.Text(entry.id);
    if (text.empty() && !entry.required) continue;
    if (!IsCount(text)) {
      problems.push_back("record " + std::to_string(entry.id) + " is " +
                         (text.empty() ? std::string("missing") : Quoted(text)) +
                         ", not a count from 0 to " + std::to_string(kMaxScriptCount));
    }
  }
}

void CheckName(const std::string& what, const std::string& name,
               std::vector<std::string>& problems) {
  if (!IsContainedName(name)) {
    problems.push_back(what + " " + Quoted(name) + " is empty or names a place outside its folder");
  }
}

void CheckNames(const SetupScript& script, int language_offset,
                std::vector<std::string>& problems) {
  for (const PlannedCopy& copy : PlannedCopies(script, false, language_offset)) {
    CheckName("the file", copy.source, problems);
    if (copy.target != copy.source) CheckName("the installed name", copy.target, problems);
  }
  for (const std::string& folder : Subfolders(script)) CheckName("the subfolder", folder, problems);
  for (const auto& shortcuts : {DesktopShortcuts(script), MenuShortcuts(script)}) {
    for (const Shortcut& shortcut : shortcuts) {
      CheckName("the shortcut target", shortcut.target, problems);
      if (shortcut.name.find('/') != std::string::npos) {
        problems.push_back("the shortcut name " + Quoted(shortcut.name) + " holds a '/'");
      } else {
        CheckName("the shortcut name", shortcut.name, problems);
      }
    }
  }
  if (ScriptCount(script, ids::kMenuShortcutCount) > 0) {
    CheckName("the program menu folder", script.Text(ids::kProductFolder), problems);
  }
}

// The conduit is registered to run on every connection: it must be a program this installation
// copies into its folder.
void CheckConduit(const SetupScript& script, int language_offset,
                  std::vector<std::string>& problems) {
  const std::string conduit = script.Text(ids::kConduitFile);
  if (conduit.empty()) {
    problems.push_back("record " + std::to_string(ids::kConduitFile) + " names no conduit");
    return;
  }
  const auto copies = PlannedCopies(script, false, language_offset);
  const bool installed = std::any_of(copies.begin(), copies.end(), [&](const PlannedCopy& copy) {
    return copy.group == FileGroup::kMain && copy.target == conduit;
  });
  if (!IsContainedName(conduit) || !installed) {
    problems.push_back("the conduit " + Quoted(conduit) +
                       " is not one of the programs the installation copies");
  }
}

}  // namespace

std::vector<std::string> ScriptProblems(const SetupScript& script, int language_offset) {
  std::vector<std::string> problems;
  if (!script.IsUsable()) {
    problems.push_back(script.File().string() + " is missing, unreadable or too short");
    return problems;
  }
  CheckCounts(script, problems);
  if (script.Text(ids::kRegistryKey).empty()) {
    problems.push_back("record " + std::to_string(ids::kRegistryKey) +
                       " names no registry key for the installation");
  }
  CheckConduit(script, language_offset, problems);
  CheckNames(script, language_offset, problems);
  return problems;
}

}  // namespace velmora::installer
