#include "installer/schedule.h"

#include <cstdlib>
#include <optional>
#include <vector>

#include "installer/program_run.h"
#include "installer/timer_units.h"
#include "platform/files/atomic_file.h"

namespace velmora::installer {
namespace {

namespace fs = std::filesystem;

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kRefused = 2;

// What the run needs from this environment: the desktop registry and RAPI library in use, and
// the ODBC files that name the data sources of the profiles.
constexpr const char* kCarriedVariables[] = {"VELMORA_REGISTRY", "VELMORA_RAPI", "ODBCINI",
                                             "ODBCSYSINI"};

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

// The folder as one spelling, whatever links or "." led to it, so that --unschedule finds the
// units --schedule wrote.
fs::path SameFolder(const fs::path& folder) {
  std::error_code ec;
  fs::path path = fs::weakly_canonical(fs::absolute(folder, ec), ec);
  if (ec) path = fs::absolute(folder, ec).lexically_normal();
  std::string text = path.string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

std::optional<ProgramResult> Systemctl(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {"systemctl", "--user"};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunProgram(argv);
}

// True when the call ran and ended with 0; otherwise says so on `out`.
bool SystemctlSucceeded(const std::vector<std::string>& args, std::FILE* out) {
  const auto result = Systemctl(args);
  if (result && result->status == 0) return true;
  std::string call = "systemctl --user";
  for (const auto& arg : args) call += " " + arg;
  std::fprintf(out, "%s %s\n%s", call.c_str(),
               result ? ("failed with exit status " + std::to_string(result->status)).c_str()
                      : "could not be started",
               result ? result->output.c_str() : "");
  return false;
}

// systemd's own verdict on the expression, when systemd-analyze is installed.
bool SystemdAcceptsCalendar(const std::string& calendar, std::FILE* out) {
  const auto result = RunProgram({"systemd-analyze", "calendar", "--", calendar});
  if (!result) {
    std::fprintf(out,
                 "note: systemd-analyze is not installed; the calendar expression was "
                 "checked for its characters only\n");
    return true;
  }
  if (result->status == 0) return true;
  std::fprintf(out, "systemd does not accept the calendar expression \"%s\":\n%s", calendar.c_str(),
               result->output.c_str());
  return false;
}

bool WriteUnit(const fs::path& file, const std::string& text, std::FILE* out) {
  files::AsideOptions options;
  options.create_mode = 0644;
  if (files::WriteFileAtomically(file, text, options)) return true;
  std::fprintf(out, "cannot write %s\n", file.c_str());
  return false;
}

void SayHowToEnable(const std::string& timer, std::FILE* out) {
  std::fprintf(out,
               "No systemd user manager runs for this user now. Once one does (at your next "
               "login), enable the timer with:\n"
               "  systemctl --user daemon-reload\n"
               "  systemctl --user enable --now %s\n"
               "and, for it to run while you are logged out: loginctl enable-linger\n",
               timer.c_str());
}

// Removes `file`; true when it is gone.
bool RemoveFile(const fs::path& file, std::FILE* out) {
  std::error_code ec;
  fs::remove(file, ec);
  if (!ec) return true;
  std::fprintf(out, "cannot remove %s: %s\n", file.c_str(), ec.message().c_str());
  return false;
}

}  // namespace

fs::path SystemdUserFolder() {
  fs::path config = Env("XDG_CONFIG_HOME");
  if (config.empty() || !config.is_absolute()) config = fs::path(Env("HOME")) / ".config";
  return config / "systemd" / "user";
}

bool UserManagerRuns() {
  const fs::path runtime = Env("XDG_RUNTIME_DIR");
  std::error_code ec;
  return !runtime.empty() && fs::is_socket(runtime / "systemd" / "private", ec);
}

int ScheduleHandheld(const std::string& when, const fs::path& handheld, const fs::path& device_tool,
                     std::FILE* out) {
  ScheduledRun run;
  run.handheld = SameFolder(handheld);
  run.device_tool = device_tool;
  std::error_code ec;
  if (!fs::is_directory(run.handheld, ec)) {
    std::fprintf(out, "%s is no folder (make the handheld with velmora-device create)\n",
                 run.handheld.c_str());
    return kRefused;
  }
  const auto calendar = CalendarCharactersChecked(when);
  if (!calendar) {
    std::fprintf(out,
                 "--schedule takes hourly, daily or an OnCalendar expression (man systemd.time) "
                 "of at most 128 letters, digits, blanks and _:*/,.~+- characters, not \"%s\"\n",
                 when.c_str());
    return kRefused;
  }
  if (!SystemdAcceptsCalendar(*calendar, out)) return kRefused;
  run.calendar = *calendar;
  for (const char* name : kCarriedVariables) {
    const std::string value = Env(name);
    if (!value.empty()) run.environment.emplace_back(name, value);
  }
  if (!CanBeWrittenIntoUnits(run)) {
    std::fprintf(out,
                 "a folder or variable of the run holds a control character, which a "
                 "systemd unit cannot carry\n");
    return kRefused;
  }
  if (!fs::is_regular_file(device_tool, ec)) {
    std::fprintf(out, "%s is missing: install Velmora first\n", device_tool.c_str());
    return kFailed;
  }

  const fs::path folder = SystemdUserFolder();
  fs::create_directories(folder, ec);
  const std::string name = TimerUnitName(run.handheld);
  const std::string timer = name + ".timer";
  if (!WriteUnit(folder / (name + ".service"), ServiceUnitText(run), out) ||
      !WriteUnit(folder / timer, TimerUnitText(run), out)) {
    return kFailed;
  }
  std::fprintf(out, "wrote %s/%s.service and %s (OnCalendar=%s)\n", folder.c_str(), name.c_str(),
               timer.c_str(), run.calendar.c_str());
  if (!UserManagerRuns()) {
    SayHowToEnable(timer, out);
    return kDone;
  }
  if (!SystemctlSucceeded({"daemon-reload"}, out) ||
      !SystemctlSucceeded({"enable", "--now", timer}, out)) {
    return kFailed;
  }
  std::fprintf(out, "enabled %s; systemctl --user list-timers shows its next run\n", timer.c_str());
  return kDone;
}

int UnscheduleHandheld(const fs::path& handheld, std::FILE* out) {
  const fs::path folder = SystemdUserFolder();
  const std::string name = TimerUnitName(SameFolder(handheld));
  const fs::path timer = folder / (name + ".timer");
  const fs::path service = folder / (name + ".service");
  // What `systemctl enable` links, which only a running manager would unlink for us.
  const fs::path wanted = folder / "timers.target.wants" / (name + ".timer");
  std::error_code ec;
  const bool had_timer = fs::exists(fs::symlink_status(timer, ec));
  if (!had_timer && !fs::exists(fs::symlink_status(service, ec))) {
    std::fprintf(out, "no timer is installed for %s\n", SameFolder(handheld).c_str());
    return kDone;
  }
  bool ok = true;
  const bool manager = UserManagerRuns();
  if (manager && had_timer) ok = SystemctlSucceeded({"disable", "--now", name + ".timer"}, out);
  ok = RemoveFile(wanted, out) && ok;
  ok = RemoveFile(timer, out) && ok;
  ok = RemoveFile(service, out) && ok;
  if (manager) ok = SystemctlSucceeded({"daemon-reload"}, out) && ok;
  if (ok) std::fprintf(out, "removed %s.timer and %s.service\n", name.c_str(), name.c_str());
  return ok ? kDone : kFailed;
}

}  // namespace velmora::installer
