// A profile's settings as velmora-profile reads and writes them: named values ("sync-type",
// "source" …) and mapping lines, from flags or from a settings file of "key = value" lines
// (blank lines and lines starting with "#" are skipped; "map FIELD = COLUMN" maps a device
// field, by its display name or FieldID, to a desktop column). `show` writes the same format,
// so a profile can be shown into a file, changed with an editor and given back to `edit`.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "profile/profile_record.h"

namespace velmora::profilecli {

inline constexpr int kProfileNameLimit = 31;

// The setting names, in the order `show` writes them.
const std::vector<std::string_view>& SettingNames();
bool IsSettingName(std::string_view name);

struct ProfileSettings {
  std::map<std::string, std::string, std::less<>> values;
  std::vector<std::pair<std::string, std::string>> mapping;  // device field, desktop column
  bool mapping_given = false;

  // `later` wins where both name a value or map the same device field.
  void Overlay(const ProfileSettings& later);
  std::optional<std::string> Value(std::string_view name) const;
};

// Reads a settings file's text; nullopt with `error` set ("line 3: …") when a line is not a
// setting, a mapping line, blank or a comment.
std::optional<ProfileSettings> ParseSettingsText(std::string_view text, std::string* error);

// The settings of a stored profile, written as a settings file (plain password, category name).
std::string SettingsText(const std::vector<std::pair<std::string, std::string>>& values,
                         const std::vector<std::pair<std::string, std::string>>& mapping);

// Parsed values: a number or its display text, ignoring case; nullopt when neither.
std::optional<int> ParseSyncType(std::string_view text);
std::optional<int> ParseSyncOn(std::string_view text);
std::optional<int> ParseWeekDay(std::string_view text);
std::optional<int> ParseNumberIn(std::string_view text, int low, int high);

// The device field named by a display name or a FieldID ("First Name", "F2"); 0 when none.
int FieldNumberOf(std::string_view name);

// Checks the values that need no database: numbers, names of sync types, schedules, days and
// fields, the time. The text of the first problem, nullopt when all are well-formed.
std::optional<std::string> SettingsSyntaxProblem(const ProfileSettings& settings);

}  // namespace velmora::profilecli
