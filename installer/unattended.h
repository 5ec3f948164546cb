// The installer without a window: its command line, and a run of the same steps as the wizard
// with every message on standard output. Used by scripted installations and the tests.
// Never reads from the terminal.
#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace velmora::installer {

struct CommandLine {
  bool help = false;
  bool unattended = false;
  std::optional<std::string> folder;
  std::optional<std::string> user;
  bool keep_existing = false;
  bool bind_samples = false;
  int language = 0;
  // A timer for the handheld in `handheld`: `schedule` hourly, daily or an OnCalendar
  // expression; or `unschedule` to remove it.
  std::optional<std::string> schedule;
  bool unschedule = false;
  std::optional<std::string> handheld;
  std::optional<std::string> profile_dsn;  // the profile database on this server data source
};

// False with `error` for an unknown option, a missing value, a bad language number or options
// that do not go together.
bool ParseCommandLine(const std::vector<std::string>& args, CommandLine* command_line,
                      std::string* error);

std::string UsageText();

// --schedule or --unschedule: the timer of a handheld, run with the installation that
// `source_directory`'s setup script finds. Exit status as ScheduleHandheld's.
int RunScheduleCommand(const CommandLine& command_line,
                       const std::filesystem::path& source_directory, std::FILE* out);

// Exit status: 0 when every step succeeded, 1 when something failed (listed on `out`).
int RunUnattended(const CommandLine& command_line, const std::filesystem::path& source_directory,
                  std::FILE* out);

}  // namespace velmora::installer
