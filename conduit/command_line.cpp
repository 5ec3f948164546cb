#include "conduit/command_line.h"

#include <string_view>

#include "platform/text/utf.h"

namespace velmora::conduit {

const char* const kUsage =
    "Usage: tavrill [connect | disconnect]\n"
    "       tavrill --unattended [--backup yes|no] [--profile ID]\n"
    "       tavrill --help\n"
    "\n"
    "The Velmora conduit. Started when a handheld connects, it lists the handheld owner's\n"
    "profiles, ticks the ones that are due and runs them when you choose Synchronize (at once\n"
    "when \"Start Syncing when my device connects\" is on). Only one conduit runs per user: a\n"
    "second start hands the connection to the running window and ends.\n"
    "\n"
    "  connect            what the handheld link passes when a handheld connects (the default)\n"
    "  disconnect         what it passes when the handheld goes: a conduit window that is open\n"
    "                     shows \"Not Connected\" and empties its list; then end\n"
    "  --unattended       no window and no display: start up, list the profiles, then run the\n"
    "                     due ones as if Synchronize was chosen. Each message is printed on a\n"
    "                     line of its own on standard output. Without a display (a timer,\n"
    "                     cron) the conduit always runs so.\n"
    "  --backup yes|no    unattended only: answer to \"take the backup before Synchronizing?\"\n"
    "                     asked when the owner has a profile that overwrites the handheld\n"
    "                     (default yes)\n"
    "  --profile ID       unattended only: run this profile of the owner now, due or not,\n"
    "                     and no other\n"
    "  --help             this text\n"
    "\n"
    "The application folder is AppPath under HKCU\\Software\\Microsoft\\Wrenlock in the desktop\n"
    "registry ($VELMORA_REGISTRY). Every step is logged in ContactConduitlog.log there.\n"
    "\n"
    "Exit status: 0 when the run ended with \"Synchronization Completed Successfully\" (or\n"
    "there was nothing to run, or a running conduit took the connection), 1 when a run ended\n"
    "with an error (see the log), 2 when the conduit could not start (no AppPath, no RAPI\n"
    "library, another conduit running).\n";

namespace {

// The word itself, or the word between the double quotes it still carries.
std::string Unquoted(std::string_view argument) {
  if (argument.size() >= 2 && argument.front() == '"' && argument.back() == '"') {
    argument = argument.substr(1, argument.size() - 2);
  }
  return text::AsciiUpper(argument);
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine line;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--help" || argument == "-h") {
      line.help = true;
    } else if (argument == "--unattended") {
      line.unattended = true;
    } else if (argument == "--backup") {
      if (i + 1 == arguments.size()) {
        line.error = "--backup needs yes or no";
        return line;
      }
      const std::string& answer = arguments[++i];
      if (answer != "yes" && answer != "no") {
        line.error = "--backup takes yes or no, not " + answer;
        return line;
      }
      line.backup = answer == "yes";
    } else if (argument == "--profile") {
      const std::string id = i + 1 < arguments.size() ? arguments[++i] : "";
      if (id.empty() || id.find_first_not_of("0123456789") != std::string::npos || id.size() > 9 ||
          std::stol(id) <= 0) {
        line.error = "--profile needs a profile id";
        return line;
      }
      line.profile = std::stol(id);
    } else if (Unquoted(argument) == "DISCONNECT") {
      // Only the whole command line being the word ends the program.
      line.disconnect = arguments.size() == 1;
    } else if (Unquoted(argument) == "CONNECT") {
      // The usual start; nothing to remember.
    } else {
      line.error = "unknown argument: " + argument;
      return line;
    }
  }
  return line;
}

}  // namespace velmora::conduit
