#include "profilecli/cli_arguments.h"

#include <set>
#include <string_view>

namespace velmora::profilecli {

const char* const kUsage =
    "Usage: velmora-profile [--json] [--folder DIR] COMMAND [ARGUMENTS]\n"
    "\n"
    "The Velmora profiles without a window: the same rules and messages as the desktop\n"
    "manager's wizard and properties pane, on the same profile database.\n"
    "\n"
    "Commands (PROFILE is a profile id or a profile name; --user USER picks among names):\n"
    "  list [--user USER]              the profiles, one a line\n"
    "  show PROFILE                    its settings and mapping, as a settings file\n"
    "  create [SETTINGS]               a new profile\n"
    "  edit PROFILE [SETTINGS]         change a profile; settings not given stay as they are\n"
    "  rename PROFILE NEW-NAME         rename a profile\n"
    "  delete PROFILE                  delete a profile, its mapping and its table backups\n"
    "  run PROFILE [--backup yes|no]   run the profile now through the conduit (tavrill\n"
    "                                  --unattended); the handheld of its owner must be connected\n"
    "  migrate --to DSN [--merge]      copy the profile database file into the server data\n"
    "                                  source DSN and use it from now on; refused when the server\n"
    "                                  holds profiles already, unless --merge\n"
    "\n"
    "SETTINGS are flags or a settings file (--settings FILE, one \"key = value\" a line, \"#\"\n"
    "starts a comment line); flags win over the file:\n"
    "  --name NAME            profile name (at most 31 characters)\n"
    "  --user USER            the handheld user that owns it (create, edit)\n"
    "  --sync-type TYPE       0 to 5 or its name, e.g. \"Desktop Database Adds Pocket PC "
    "Contacts\"\n"
    "  --sync-on WHEN         0 to 4 or its name: \"Every Time\", \"Once Every Day\", \"Once\n"
    "                         Weekly\", \"Once Monthly\", \"Only Once\"\n"
    "  --day N                day of the month for \"Once Monthly\"\n"
    "  --weekday DAY          0 (Sunday) to 6 or the day's name, for \"Once Weekly\"\n"
    "  --time H:M             the time of day on or after which it is due\n"
    "  --category NAME        the device category it is bound to (\"none\" for all contacts)\n"
    "  --source FILE          the desktop database: an .mdb (SQLite), .xls, .dbf or .csv file\n"
    "  --dsn NAME             or an ODBC data source\n"
    "  --db-user U, --db-password P   its credentials\n"
    "  --query SQL            the SELECT statement that supplies the rows, or\n"
    "  --table NAME           a table (the query is then SELECT * FROM it)\n"
    "  --map \"FIELD=COLUMN\"   a device field (display name or F1 … F46) fed by a column;\n"
    "                         repeat it for every field; in a file: map FIELD = COLUMN\n"
    "\n"
    "  --json                 print results (and refusals) as JSON on standard output\n"
    "  --folder DIR           the application folder (default: AppPath in the registry)\n"
    "  --help                 this text\n"
    "\n"
    "The profile database is Orvendel.mdb in the application folder, or the server data\n"
    "source named by ProfileDSN under HKCU\\Software\\Microsoft\\Wrenlock when that is set.\n"
    "\n"
    "Exit status: 0 done, 1 refused or failed (the reason on standard error), 2 bad arguments.\n";

namespace {

const std::set<std::string_view>& Commands() {
  static const std::set<std::string_view> commands = {"list",   "show",   "create", "edit",
                                                      "rename", "delete", "run",    "migrate"};
  return commands;
}

std::size_t OperandCount(std::string_view command) {
  if (command == "list" || command == "create" || command == "migrate") return 0;
  if (command == "rename") return 2;
  return 1;
}

}  // namespace

Arguments ParseArguments(const std::vector<std::string>& arguments) {
  Arguments a;
  const auto fail = [&a](std::string text) {
    a.error = std::move(text);
    return a;
  };
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const auto next = [&](std::string* into) {
      if (i + 1 == arguments.size()) return false;
      *into = arguments[++i];
      return true;
    };
    if (argument == "--help" || argument == "-h") {
      a.help = true;
    } else if (argument == "--json") {
      a.json = true;
    } else if (argument == "--merge") {
      a.merge = true;
    } else if (argument.rfind("--", 0) == 0) {
      const std::string name = argument.substr(2);
      std::string value;
      if (!next(&value)) return fail(argument + " needs a value");
      if (name == "folder") {
        a.folder = value;
      } else if (name == "settings") {
        a.settings_file = value;
      } else if (name == "backup") {
        if (value != "yes" && value != "no") return fail("--backup takes yes or no");
        a.backup = value;
      } else if (name == "to") {
        a.to_dsn = value;
      } else if (name == "map") {
        const std::size_t equals = value.find('=');
        if (equals == std::string::npos) return fail("--map takes FIELD=COLUMN, not " + value);
        a.settings.mapping.emplace_back(value.substr(0, equals), value.substr(equals + 1));
        a.settings.mapping_given = true;
      } else if (IsSettingName(name)) {
        a.settings.values[name] = value;
        if (name == "user") a.user = value;
      } else {
        return fail("unknown option: " + argument);
      }
    } else if (a.command.empty()) {
      if (!Commands().contains(argument)) return fail("unknown command: " + argument);
      a.command = argument;
    } else {
      a.operands.push_back(argument);
    }
  }
  if (a.help) return a;
  if (a.command.empty()) return fail("no command given");
  if (a.operands.size() != OperandCount(a.command)) {
    return fail(a.command + " takes " + std::to_string(OperandCount(a.command)) +
                " argument(s), see --help");
  }
  if (a.command == "migrate" && a.to_dsn.empty()) return fail("migrate needs --to DSN");
  if (const auto problem = SettingsSyntaxProblem(a.settings)) return fail(*problem);
  return a;
}

}  // namespace velmora::profilecli
