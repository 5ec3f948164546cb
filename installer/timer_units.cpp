#include "installer/timer_units.h"

#include <cstdint>
#include <cstdio>
#include <string_view>

namespace velmora::installer {
namespace {

constexpr std::size_t kMostCalendarCharacters = 128;
constexpr std::size_t kMostNameCharacters = 32;

bool IsAsciiAlnum(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool HoldsControlCharacter(const std::string& text) {
  for (const unsigned char c : text) {
    if (c < 0x20 || c == 0x7f) return true;
  }
  return false;
}

// FNV-1a: the same digits for the same path on every machine and build.
std::uint32_t PathDigits(const std::string& path) {
  std::uint32_t hash = 2166136261u;
  for (const unsigned char c : path) {
    hash ^= c;
    hash *= 16777619u;
  }
  return hash;
}

// A double-quoted word of a unit file: "\" and the quote escaped, "%" doubled (systemd's
// specifiers), and "$" doubled where the setting expands variables (the command line).
std::string Quoted(const std::string& text, bool expands_variables) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '\\' || c == '"') {
      out += '\\';
      out += c;
    } else if (c == '%') {
      out += "%%";
    } else if (c == '$' && expands_variables) {
      out += "$$";
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// A description expands specifiers too: a "%" of the path is doubled.
std::string Description(const ScheduledRun& run) {
  std::string folder;
  for (const char c : run.handheld.string()) {
    if (c == '%') folder += '%';
    folder += c;
  }
  return "Velmora: synchronize the handheld in " + folder;
}

}  // namespace

std::optional<std::string> CalendarCharactersChecked(const std::string& when) {
  if (when.empty() || when.size() > kMostCalendarCharacters) return std::nullopt;
  for (const char c : when) {
    if (IsAsciiAlnum(c)) continue;
    if (std::string_view(" _:*/,.~+-").find(c) == std::string_view::npos) return std::nullopt;
  }
  if (when.front() == ' ' || when.back() == ' ') return std::nullopt;
  return when;
}

std::string TimerUnitName(const std::filesystem::path& handheld) {
  std::string folder;
  for (const char c : handheld.filename().string()) {
    if (folder.size() == kMostNameCharacters) break;
    folder += IsAsciiAlnum(c) || c == '-' || c == '_' ? c : '_';
  }
  if (folder.empty()) folder = "handheld";
  char digits[9];
  std::snprintf(digits, sizeof digits, "%08x", PathDigits(handheld.string()));
  return "velmora-" + folder + "-" + digits;
}

bool CanBeWrittenIntoUnits(const ScheduledRun& run) {
  if (HoldsControlCharacter(run.device_tool.string()) ||
      HoldsControlCharacter(run.handheld.string())) {
    return false;
  }
  for (const auto& [name, value] : run.environment) {
    if (HoldsControlCharacter(name) || HoldsControlCharacter(value)) return false;
  }
  return CalendarCharactersChecked(run.calendar).has_value();
}

std::string ServiceUnitText(const ScheduledRun& run) {
  std::string text =
      "# Written by the Velmora installer (installer --schedule); installer --unschedule\n"
      "# removes it.\n"
      "[Unit]\n"
      "Description=" +
      Description(run) +
      "\n"
      "\n"
      "[Service]\n"
      "Type=oneshot\n"
      "ExecStart=" +
      Quoted(run.device_tool.string(), true) + " connect " + Quoted(run.handheld.string(), true) +
      " --wait\n"
      // A scheduled run has nobody at the screen: the conduit runs unattended, never a window.
      "UnsetEnvironment=DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM\n";
  for (const auto& [name, value] : run.environment) {
    text += "Environment=" + Quoted(name + "=" + value, false) + "\n";
  }
  return text;
}

std::string TimerUnitText(const ScheduledRun& run) {
  return "# Written by the Velmora installer (installer --schedule); installer --unschedule\n"
         "# removes it.\n"
         "[Unit]\n"
         "Description=" +
         Description(run) +
         " on a schedule\n"
         "\n"
         "[Timer]\n"
         "OnCalendar=" +
         run.calendar +
         "\n"
         // A run missed while the machine was off is made up once at the next start.
         "Persistent=true\n"
         "\n"
         "[Install]\n"
         "WantedBy=timers.target\n";
}

}  // namespace velmora::installer
