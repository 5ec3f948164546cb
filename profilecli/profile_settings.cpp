#include "profilecli/profile_settings.h"

#include <charconv>

#include "platform/text/utf.h"
#include "profile/field_catalogue.h"
#include "profile/sync_settings.h"

namespace velmora::profilecli {
namespace {

std::string_view Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return text::AsciiUpper(a) == text::AsciiUpper(b);
}

// A number in [low, high], or the position of `text` among the display texts of that range.
std::optional<int> NumberOrText(std::string_view text, int low, int high,
                                std::string_view (*text_of)(int)) {
  if (auto number = ParseNumberIn(text, low, high)) return number;
  for (int value = low; value <= high; ++value) {
    if (SameIgnoringCase(text_of(value), Trimmed(text))) return value;
  }
  return std::nullopt;
}

}  // namespace

const std::vector<std::string_view>& SettingNames() {
  static const std::vector<std::string_view> names = {
      "name",     "user",   "sync-type", "sync-on", "day",         "weekday", "time",
      "category", "source", "dsn",       "db-user", "db-password", "query",   "table"};
  return names;
}

bool IsSettingName(std::string_view name) {
  for (std::string_view known : SettingNames()) {
    if (known == name) return true;
  }
  return false;
}

void ProfileSettings::Overlay(const ProfileSettings& later) {
  for (const auto& [name, value] : later.values) values[name] = value;
  for (const auto& [field, column] : later.mapping) {
    const int number = FieldNumberOf(field);
    std::erase_if(mapping, [number](const auto& m) { return FieldNumberOf(m.first) == number; });
    mapping.emplace_back(field, column);
  }
  mapping_given = mapping_given || later.mapping_given;
}

std::optional<std::string> ProfileSettings::Value(std::string_view name) const {
  const auto it = values.find(name);
  if (it == values.end()) return std::nullopt;
  return it->second;
}

std::optional<ProfileSettings> ParseSettingsText(std::string_view text, std::string* error) {
  ProfileSettings settings;
  int number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = Trimmed(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++number;
    if (line.empty() || line.front() == '#') continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
      if (error)
        *error = "line " + std::to_string(number) + ": no \"=\" in \"" + std::string(line) + "\"";
      return std::nullopt;
    }
    const std::string_view key = Trimmed(line.substr(0, equals));
    const std::string value(Trimmed(line.substr(equals + 1)));
    if (key.rfind("map ", 0) == 0) {
      settings.mapping.emplace_back(std::string(Trimmed(key.substr(4))), value);
      settings.mapping_given = true;
    } else if (IsSettingName(key)) {
      settings.values[std::string(key)] = value;
    } else {
      if (error)
        *error =
            "line " + std::to_string(number) + ": unknown setting \"" + std::string(key) + "\"";
      return std::nullopt;
    }
  }
  return settings;
}

std::string SettingsText(const std::vector<std::pair<std::string, std::string>>& values,
                         const std::vector<std::pair<std::string, std::string>>& mapping) {
  std::string out;
  for (const auto& [name, value] : values) out += name + " = " + value + "\n";
  for (const auto& [field, column] : mapping) out += "map " + field + " = " + column + "\n";
  return out;
}

std::optional<int> ParseNumberIn(std::string_view text, int low, int high) {
  text = Trimmed(text);
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
    return std::nullopt;
  }
  if (value < low || value > high) return std::nullopt;
  return value;
}

std::optional<int> ParseSyncType(std::string_view text) {
  return NumberOrText(text, profile::kDesktopAddsDevice, profile::kExportCsv,
                      profile::SyncTypeText);
}

std::optional<int> ParseSyncOn(std::string_view text) {
  return NumberOrText(text, profile::kEveryTime, profile::kOnlyOnce, profile::SyncOnText);
}

std::optional<int> ParseWeekDay(std::string_view text) {
  return NumberOrText(text, 0, 6, profile::WeekDayText);
}

int FieldNumberOf(std::string_view name) {
  name = Trimmed(name);
  for (const profile::ContactField& field : profile::ContactFields()) {
    if (SameIgnoringCase(field.field_id, name) || SameIgnoringCase(field.display_name, name)) {
      return field.number;
    }
  }
  return 0;
}

std::optional<std::string> SettingsSyntaxProblem(const ProfileSettings& settings) {
  struct Check {
    std::string_view name;
    bool (*valid)(std::string_view);
    std::string_view expected;
  };
  static const Check checks[] = {
      {"sync-type", [](std::string_view v) { return ParseSyncType(v).has_value(); },
       "0 to 5 or a sync type's name"},
      {"sync-on", [](std::string_view v) { return ParseSyncOn(v).has_value(); },
       "0 to 4 or a schedule's name"},
      {"day", [](std::string_view v) { return ParseNumberIn(v, 1, 31).has_value(); }, "1 to 31"},
      {"weekday", [](std::string_view v) { return ParseWeekDay(v).has_value(); },
       "0 to 6 or a day's name"},
      {"time", [](std::string_view v) { return profile::ParseSyncTime(v).has_value(); },
       "hour:minute"},
  };
  for (const Check& check : checks) {
    const auto value = settings.Value(check.name);
    if (value && !check.valid(*value)) {
      return std::string(check.name) + " takes " + std::string(check.expected) + ", not \"" +
             *value + "\"";
    }
  }
  // The wizard's name edit takes 31 characters, counted as the edit counts them.
  if (const auto name = settings.Value("name");
      name && text::Utf8ToUtf16(*name).size() > static_cast<std::size_t>(kProfileNameLimit)) {
    return "a profile name has at most " + std::to_string(kProfileNameLimit) + " characters";
  }
  for (const auto& [field, column] : settings.mapping) {
    if (FieldNumberOf(field) == 0) return "no device field is called \"" + field + "\"";
    if (Trimmed(column).empty()) return "the mapping of \"" + field + "\" names no column";
  }
  return std::nullopt;
}

}  // namespace velmora::profilecli
