#include "installer/unattended.h"

#include <algorithm>
#include <charconv>

#include "db/connection.h"
#include "installer/installation.h"
#include "installer/installer_state.h"
#include "installer/profile_server.h"
#include "installer/schedule.h"
#include "installer/script_ids.h"
#include "installer/setup_script.h"
#include "platform/peltrix/handheld_user_library.h"
#include "platform/prompt/console_prompt.h"

namespace velmora::installer {
namespace {

constexpr int kUsageError = 2;

std::string Comparable(const std::string& folder) {
  std::error_code ec;
  std::string out = std::filesystem::absolute(folder, ec).lexically_normal().string();
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

// Restores the prompt that was current before, when the run ends.
class ScopedPrompt {
 public:
  explicit ScopedPrompt(prompt::Prompt* prompt) { prompt::SetCurrentPrompt(prompt); }
  ~ScopedPrompt() { prompt::SetCurrentPrompt(nullptr); }
  ScopedPrompt(const ScopedPrompt&) = delete;
  ScopedPrompt& operator=(const ScopedPrompt&) = delete;
};

}  // namespace

bool ParseCommandLine(const std::vector<std::string>& args, CommandLine* command_line,
                      std::string* error) {
  *command_line = CommandLine();
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const auto value = [&](std::optional<std::string>* out) {
      if (i + 1 >= args.size()) {
        *error = arg + " needs a value";
        return false;
      }
      *out = args[++i];
      return true;
    };
    if (arg == "--help" || arg == "-h") {
      command_line->help = true;
    } else if (arg == "--unattended") {
      command_line->unattended = true;
    } else if (arg == "--keep-existing") {
      command_line->keep_existing = true;
    } else if (arg == "--bind-samples") {
      command_line->bind_samples = true;
    } else if (arg == "--folder") {
      if (!value(&command_line->folder)) return false;
      if (command_line->folder->empty()) {
        *error = "--folder needs a folder";
        return false;
      }
    } else if (arg == "--profile-dsn") {
      if (!value(&command_line->profile_dsn)) return false;
      if (command_line->profile_dsn->empty()) {
        *error = "--profile-dsn needs a data source name";
        return false;
      }
    } else if (arg == "--user") {
      if (!value(&command_line->user)) return false;
    } else if (arg == "--language") {
      std::optional<std::string> text;
      if (!value(&text)) return false;
      const char* end = text->data() + text->size();
      const auto [stop, ec] = std::from_chars(text->data(), end, command_line->language);
      if (ec != std::errc() || stop != end || command_line->language < 0 ||
          command_line->language > 99) {
        *error = "--language needs a number from 0 to 99";
        return false;
      }
    } else if (arg == "--schedule") {
      if (!value(&command_line->schedule)) return false;
    } else if (arg == "--unschedule") {
      command_line->unschedule = true;
    } else if (arg == "--handheld") {
      if (!value(&command_line->handheld)) return false;
      if (command_line->handheld->empty()) {
        *error = "--handheld needs a folder";
        return false;
      }
    } else {
      *error = "unknown option " + arg;
      return false;
    }
  }
  const bool timer = command_line->schedule || command_line->unschedule;
  if (command_line->schedule && command_line->unschedule) {
    *error = "--schedule and --unschedule do not go together";
    return false;
  }
  if (timer != command_line->handheld.has_value()) {
    *error = timer ? "--schedule and --unschedule need --handheld DIR"
                   : "--handheld goes with --schedule or --unschedule";
    return false;
  }
  if (timer && command_line->unattended) {
    *error = "--schedule and --unschedule do not install: leave out --unattended";
    return false;
  }
  return true;
}

std::string UsageText() {
  return "usage: installer [--help]\n"
         "       installer --unattended [--folder DIR] [--user NAME] [--keep-existing]\n"
         "                 [--bind-samples] [--language N] [--profile-dsn NAME]\n"
         "       installer --profile-dsn NAME\n"
         "       installer --schedule hourly|daily|EXPRESSION --handheld DIR\n"
         "       installer --unschedule --handheld DIR\n"
         "\n"
         "Without --unattended the installer wizard opens. Run it from the folder that holds\n"
         "InstallerRes.rs and the files it names (build/bundle after a build).\n"
         "\n"
         "  --unattended     install without a window; messages go to standard output\n"
         "  --folder DIR     installation folder (default: the existing installation, else\n"
         "                   ~/.local/opt/<product>, or /opt/<product> as root)\n"
         "  --user NAME      handheld user the sample profiles are bound to (default: the\n"
         "                   first handheld user)\n"
         "  --keep-existing  over an existing installation, keep its databases (the\n"
         "                   profiles and the sample contacts) as they are; a folder that\n"
         "                   holds them counts as an installation\n"
         "  --bind-samples   with --keep-existing, still bind sample profiles 1 and 2 to the user\n"
         "  --language N     language offset of the texts and language files (default 0)\n"
         "  --schedule WHEN  run \"velmora-device connect DIR --wait\" of the installation on a\n"
         "                   systemd user timer: write velmora-<name>.service and .timer into\n"
         "                   ~/.config/systemd/user and enable the timer when your systemd user\n"
         "                   manager runs (else say how). WHEN is hourly, daily or an OnCalendar\n"
         "                   expression (man systemd.time), e.g. \"Mon..Fri 08..18:00\"\n"
         "  --unschedule     stop the timer of the handheld in DIR and remove its units\n"
         "  --handheld DIR   the handheld of --schedule or --unschedule\n"
         "  --profile-dsn NAME  keep the profiles in the ODBC data source NAME (PostgreSQL) that\n"
         "                   several desktops share, instead of Orvendel.mdb; its tables and\n"
         "                   sample profiles are made when the database is empty. The password\n"
         "                   belongs in the data source's entry of odbc.ini, not here. Alone, it\n"
         "                   only points this desktop at the server.\n"
         "\n"
         "Exit status: 0 when every step succeeded, 1 when something failed (the failures are\n"
         "listed), 2 for a wrong command line (with --schedule: also an expression systemd does\n"
         "not accept).\n";
}

int RunScheduleCommand(const CommandLine& command_line,
                       const std::filesystem::path& source_directory, std::FILE* out) {
  if (command_line.unschedule) return UnscheduleHandheld(*command_line.handheld, out);
  const SetupScript script(source_directory / kScriptFileName);
  const std::string installation = FindExistingInstallation(script);
  if (installation.empty()) {
    std::fprintf(out, "Velmora is not installed for this user: install it first\n");
    return 1;
  }
  return ScheduleHandheld(*command_line.schedule, *command_line.handheld,
                          std::filesystem::path(installation) / kDeviceToolFile, out);
}

int RunUnattended(const CommandLine& command_line, const std::filesystem::path& source_directory,
                  std::FILE* out) {
  const SetupScript script(source_directory / kScriptFileName);
  InstallerState state = StartUp(script, source_directory);
  state.language_offset = command_line.language;
  state.keep_existing = state.keep_existing != 0 && command_line.keep_existing ? 1 : 0;

  InstallChoices choices;
  choices.folder = command_line.folder.value_or(InitialFolder(state, script));
  if (command_line.keep_existing && state.existing_folder.empty() &&
      HoldsInstallation(script, Comparable(choices.folder))) {
    std::fprintf(out, "the registry names no installation, but %s holds one: keeping it\n",
                 Comparable(choices.folder).c_str());
    state.existing_folder = Comparable(choices.folder);
    state.keep_existing = 1;
  }
  if (state.keep_existing && Comparable(choices.folder) != Comparable(state.existing_folder)) {
    std::fprintf(out,
                 "--keep-existing keeps the installation in %s; install there or leave out "
                 "--keep-existing\n",
                 state.existing_folder.c_str());
    return kUsageError;
  }
  if (command_line.keep_existing && state.existing_folder.empty()) {
    std::fprintf(out, "no existing installation found: installing afresh\n");
  }

  const std::vector<std::string> users = peltrix::HandheldUserLibrary().ListUsers();
  if (command_line.user) {
    choices.user_name = *command_line.user;
    if (std::find(users.begin(), users.end(), choices.user_name) == users.end()) {
      std::fprintf(out, "note: \"%s\" is not a handheld user of this desktop yet\n",
                   choices.user_name.c_str());
    }
  } else if (!users.empty()) {
    choices.user_name = users.front();
  }
  choices.bind_sample_profiles = ShouldBindSampleProfiles(state, command_line.bind_samples);
  if (command_line.profile_dsn) {
    const ProfileServerOutcome server = UseProfileServer(*command_line.profile_dsn);
    std::fprintf(out, "%s\n", server.message.c_str());
    if (!server.ok) return 1;
    // The sample profiles on a shared server belong to the desktop that made them.
    choices.bind_sample_profiles = choices.bind_sample_profiles && server.created;
  }

  std::fprintf(out, "installing into %s\n", Comparable(choices.folder).c_str());
  std::fflush(out);
  prompt::ConsolePrompt console(prompt::Answer::kNo, out);
  ScopedPrompt scoped(&console);
  db::Connection profile_db(db::Program::kInstaller);
  const InstallReport report = Install(state, script, choices, profile_db);
  profile_db.Disconnect();

  if (report.profiles_bound) {
    std::fprintf(out, "sample profiles bound to \"%s\"\n", choices.user_name.c_str());
  }
  if (report.Succeeded()) {
    std::fprintf(out, "%s\n", script.Text(ids::kCompleted + state.language_offset).c_str());
    return 0;
  }
  if (report.failed_copies > 0) {
    std::fprintf(out, "%s\n", script.Text(ids::kSomethingFailed + state.language_offset).c_str());
  }
  std::fprintf(out, "%zu step(s) failed:\n", report.failures.size());
  for (const std::string& failure : report.failures) std::fprintf(out, "  %s\n", failure.c_str());
  return 1;
}

}  // namespace velmora::installer
