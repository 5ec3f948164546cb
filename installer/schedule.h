// Scheduled runs of a handheld's connection for handhelds that are always reachable (an address
// book): --schedule writes the user units of timer_units.h into the user's systemd folder
// ($XDG_CONFIG_HOME/systemd/user, else ~/.config/systemd/user), each written aside and renamed
// into place, and enables the timer with systemctl --user when the user's manager runs;
// --unschedule stops and removes them. Used by the installer's main. Qt-free; never throws.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace velmora::installer {

std::filesystem::path SystemdUserFolder();

// True when the user's systemd manager runs (its private socket is in $XDG_RUNTIME_DIR).
bool UserManagerRuns();

// `when`: hourly, daily or an OnCalendar expression; `device_tool`: the installation's
// velmora-device. Exit status: 0 written (and enabled, or the way to enable it said), 1 when
// writing or enabling failed, 2 for a refused expression or folder. Messages go to `out`.
int ScheduleHandheld(const std::string& when, const std::filesystem::path& handheld,
                     const std::filesystem::path& device_tool, std::FILE* out);

// Exit status 0 when no timer for `handheld` is left (also when there was none), 1 otherwise.
int UnscheduleHandheld(const std::filesystem::path& handheld, std::FILE* out);

}  // namespace velmora::installer
