// The systemd user units that run a handheld's connection on a schedule: their name, the text
// of the service and of the timer, and the check of the calendar expression that goes into the
// timer. Nothing here reads or writes files; every text put into a unit is checked or quoted
// first, so that no value can add a line or a setting of its own. Used by schedule.cpp.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velmora::installer {

// "hourly", "daily", or an OnCalendar expression of at most 128 characters made only of
// letters, digits, blanks and _ : * / , . ~ + - (no specifier, quote, escape or line break).
// The expression as given when it passes; none otherwise.
std::optional<std::string> CalendarCharactersChecked(const std::string& when);

// "velmora-<folder name>-<8 hex digits of the folder's path>": the folder name keeps the unit
// recognizable, the digits keep two handhelds of the same folder name apart. Without ending.
std::string TimerUnitName(const std::filesystem::path& handheld);

struct ScheduledRun {
  std::filesystem::path device_tool;  // the installation's velmora-device
  std::filesystem::path handheld;     // absolute
  std::string calendar;               // checked by CalendarCharactersChecked
  // Variables the run needs as they are set now (the desktop registry, the ODBC files).
  std::vector<std::pair<std::string, std::string>> environment;
};

// False when a path or a variable holds a control character, which no unit can carry.
bool CanBeWrittenIntoUnits(const ScheduledRun& run);

std::string ServiceUnitText(const ScheduledRun& run);
std::string TimerUnitText(const ScheduledRun& run);

}  // namespace velmora::installer
