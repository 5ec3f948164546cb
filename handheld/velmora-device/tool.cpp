#include "handheld/velmora-device/tool.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>

#include "handheld/carddav/binding.h"
#include "handheld/carddav/handheld_contacts.h"
#include "handheld/store/attachment.h"
#include "handheld/store/contact_store.h"
#include "handheld/store/device_path.h"
#include "handheld/store/device_registry.h"
#include "handheld/store/handheld_layout.h"
#include "handheld/store/link_state.h"
#include "handheld/velmora-device/command_line.h"
#include "handheld/velmora-device/contacts_csv.h"
#include "handheld/velmora-device/contacts_vcard.h"
#include "platform/files/atomic_file.h"
#include "platform/registry/registry.h"

namespace velmora::device_tool {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

// Long enough for a run of a large profile set to end, short enough that a timer's next start
// is not queued behind a run that hangs.
constexpr std::chrono::seconds kDefaultBusyTimeout(600);

constexpr const char* kUsage =
    "usage: velmora-device COMMAND ...\n"
    "  create DIR --owner NAME [--no-agent] [--carddav URL [--user USER]\n"
    "         [--password-file FILE] [--ca-file FILE]]\n"
    "                                         make a new handheld in DIR\n"
    "  connect DIR [--wait] [--busy-timeout S] attach it to this desktop and run the\n"
    "                                         AutoStartOnConnect commands\n"
    "  disconnect [--wait]                    detach it and run the AutoStartOnDisconnect\n"
    "                                         commands\n"
    "  status                                 which handheld is attached, and its owner\n"
    "  contacts DIR list [--csv] | import FILE.csv|FILE.vcf | export FILE.vcf | clear |\n"
    "           count\n"
    "  fault DIR NAME [VALUE] | fault DIR clear\n"
    "  log DIR                                print the contacts agent's log\n"
    "Each command takes --help. Exit status: 0 done, 1 failed, 2 bad arguments, 75 (connect)\n"
    "another connection is still running.\n";

constexpr const char* kCreateUsage =
    "usage: velmora-device create DIR --owner NAME [--no-agent]\n"
    "           [--carddav URL [--user USER] [--password-file FILE] [--ca-file FILE]]\n"
    "Makes a new handheld in DIR: its file system (\\My Documents\\Contact), its registry with\n"
    "the owner's name in \\Ident Name, an empty contacts store and, unless --no-agent, the\n"
    "contacts agent.\n"
    "With --carddav its contacts are the cards of that CardDAV address book instead (the\n"
    "collection's URL, or the server's, where the user's first address book is found). The\n"
    "password is read from FILE, which only its owner may read, whenever the book is opened;\n"
    "only the file's path is recorded. Certificates are always verified; --ca-file trusts a\n"
    "private certificate authority.\n";
constexpr const char* kLogUsage =
    "usage: velmora-device log DIR\n"
    "Prints the log the contacts agent keeps on the handheld: each request and why one failed.\n";
constexpr const char* kConnectUsage =
    "usage: velmora-device connect DIR [--wait] [--busy-timeout SECONDS]\n"
    "Attaches the handheld in DIR to this desktop, adds a partnership for its owner when there\n"
    "is none, and starts every command line registered under HKLM\\SOFTWARE\\Microsoft\\\n"
    "Windows CE Services\\AutoStartOnConnect; --wait waits for each to end. This is what a\n"
    "timer or cron runs for a handheld that is always reachable.\n"
    "One connection runs at a time on a desktop: a connect made while another one is attaching\n"
    "or waiting for its commands waits for it to end, at most --busy-timeout seconds (default\n"
    "600, 0: not at all).\n"
    "Exit status:\n"
    "  0   connected, and every command started (with --wait: ended with exit status 0; for\n"
    "      the conduit, its run ended with \"Synchronization Completed Successfully\" or there\n"
    "      was nothing to run)\n"
    "  1   failed: the connection could not be recorded, or a command could not start or (with\n"
    "      --wait) ended with another exit status; for the conduit, its run ended with an\n"
    "      error or the conduit could not start (its log, ContactConduitlog.log, says why)\n"
    "  2   bad arguments\n"
    "  75  another connection was still running after --busy-timeout seconds; nothing was done\n";
constexpr const char* kDisconnectUsage =
    "usage: velmora-device disconnect [--wait]\n"
    "Detaches the attached handheld, then starts every command line registered under\n"
    "HKLM\\SOFTWARE\\Microsoft\\Windows CE Services\\AutoStartOnDisconnect; --wait waits for\n"
    "each to end.\n";
constexpr const char* kStatusUsage =
    "usage: velmora-device status\n"
    "Says which handheld is attached to this desktop and who owns it.\n";
constexpr const char* kContactsUsage =
    "usage: velmora-device contacts DIR list [--csv]\n"
    "       velmora-device contacts DIR import FILE.csv|FILE.vcf\n"
    "       velmora-device contacts DIR export FILE.vcf\n"
    "       velmora-device contacts DIR clear\n"
    "       velmora-device contacts DIR count\n"
    "list prints the handheld's contacts (--csv: RFC 4180 CSV, UTF-8, header of the 46 field\n"
    "names); import adds the rows of a CSV file whose header names any of those fields, or the\n"
    "cards of a vCard file (.vcf: vCard 2.1, 3.0 or 4.0, any number of cards; properties that\n"
    "map to no contact field are not kept, as the handheld holds the 46 fields only); export\n"
    "writes every contact to a vCard 3.0 file, one card each; clear removes every contact;\n"
    "count prints how many there are.\n";
constexpr const char* kFaultUsage =
    "usage: velmora-device fault DIR NAME [VALUE]\n"
    "       velmora-device fault DIR clear\n"
    "Faults of the link and the agent, until cleared:\n"
    "  unplug-after-bytes N   the link drops once N bytes of file data have crossed it\n"
    "  disk-full [on|off]     writes to the handheld fail with error 112\n"
    "  agent-hangs [on|off]   the agent never sets Flag\n"
    "  agent-missing [on|off] the agent cannot be started\n"
    "  export-file FILE       requests 2 and 5 deliver FILE as Contact1.pim, byte for byte\n"
    "clear removes every fault and plugs a dropped link back in.\n";

bool WantsHelp(const Args& args) {
  for (const auto& arg : args) {
    if (arg == "--help" || arg == "-h") return true;
  }
  return false;
}

int BadArguments(std::ostream& err, const std::string& why, const char* usage) {
  err << "velmora-device: " << why << "\n" << usage;
  return 2;
}

bool RequireHandheld(const fs::path& dir, std::ostream& err) {
  if (handheld::IsHandheld(dir)) return true;
  err << "velmora-device: " << dir.string() << " holds no handheld (make one with create)\n";
  return false;
}

std::string OwnerOf(const fs::path& dir) {
  auto registry = handheld::DeviceRegistry::Open(dir, false);
  if (!registry) return {};
  return registry->ReadString(handheld::DeviceRoot::kLocalMachine, "Ident", "Name").value_or("");
}

fs::path AgentProgramBesideTool() {
  std::error_code ec;
  const auto self = fs::read_symlink("/proc/self/exe", ec);
  return self.parent_path() / handheld::kAgentProgramFile;
}

int Create(const Args& args, std::ostream& out, std::ostream& err) {
  std::optional<std::string> dir, owner;
  std::optional<carddav::Binding> binding;
  std::optional<std::string> user, password_file, ca_file;
  bool agent = true;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const bool has_value = i + 1 < args.size();
    if (args[i] == "--owner" && has_value) {
      owner = args[++i];
    } else if (args[i] == "--carddav" && has_value) {
      binding = carddav::Binding{args[++i], {}, {}, {}};
    } else if (args[i] == "--user" && has_value) {
      user = args[++i];
    } else if (args[i] == "--password-file" && has_value) {
      password_file = args[++i];
    } else if (args[i] == "--ca-file" && has_value) {
      ca_file = args[++i];
    } else if (args[i] == "--no-agent") {
      agent = false;
    } else if (!dir && !args[i].empty() && args[i][0] != '-') {
      dir = args[i];
    } else {
      return BadArguments(err, "unexpected argument \"" + args[i] + "\"", kCreateUsage);
    }
  }
  if (!dir || !owner) return BadArguments(err, "create needs DIR and --owner NAME", kCreateUsage);
  if (!binding && (user || password_file || ca_file)) {
    return BadArguments(err, "--user, --password-file and --ca-file go with --carddav",
                        kCreateUsage);
  }
  std::string error;
  if (binding) {
    binding->user = user.value_or("");
    if (password_file) binding->password_file = *password_file;
    if (ca_file) binding->ca_file = *ca_file;
    if (!carddav::CheckBinding(*binding, &error)) {
      err << "velmora-device: " << error << "\n";
      return 1;
    }
  }
  const auto program = agent ? std::optional<fs::path>(AgentProgramBesideTool()) : std::nullopt;
  if (!handheld::CreateHandheld(*dir, *owner, program, &error) ||
      (binding && !carddav::WriteBinding(*dir, *binding, &error))) {
    err << "velmora-device: " << error << "\n";
    return 1;
  }
  out << "Created a handheld for \"" << *owner << "\" in " << *dir
      << (agent ? "" : " (without the contacts agent)")
      << (binding ? " bound to the address book " + binding->url : "") << "\n";
  return 0;
}

// Starts every REG_SZ value of `key` as a command line.
int RunAutoStart(const char* key, bool wait, std::ostream& out, std::ostream& err) {
  int failures = 0;
  for (const auto& [name, value] : registry::ListValues(registry::Hive::kLocalMachine, key)) {
    if (value.type != registry::RegValue::Type::kString) continue;
    const auto argv = SplitWindowsCommandLine(value.text);
    std::string error;
    out << "Starting " << name << ": " << value.text << "\n" << std::flush;
    const auto status = StartProgram(argv, wait, &error);
    if (!status) {
      err << "velmora-device: " << error << "\n";
      ++failures;
    } else if (wait) {
      out << name << " ended with exit status " << *status << "\n";
      // A scheduler sees only this program's status: a command that failed fails it.
      if (*status != 0) ++failures;
    }
  }
  return failures == 0 ? kExitDone : kExitFailed;
}

// Whole seconds from 0 to a day.
std::optional<std::chrono::seconds> ParseSeconds(const std::string& text) {
  constexpr int kMostSeconds = 24 * 60 * 60;
  int seconds = -1;
  const char* end = text.data() + text.size();
  const auto [stop, ec] = std::from_chars(text.data(), end, seconds);
  if (ec != std::errc() || stop != end || seconds < 0 || seconds > kMostSeconds) {
    return std::nullopt;
  }
  return std::chrono::seconds(seconds);
}

int Connect(const Args& args, std::ostream& out, std::ostream& err) {
  std::optional<std::string> dir;
  bool wait = false;
  std::chrono::seconds busy_timeout = kDefaultBusyTimeout;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--wait") {
      wait = true;
    } else if (arg == "--busy-timeout") {
      const auto seconds = i + 1 < args.size() ? ParseSeconds(args[++i]) : std::nullopt;
      if (!seconds) {
        return BadArguments(err, "--busy-timeout needs seconds from 0 to 86400", kConnectUsage);
      }
      busy_timeout = *seconds;
    } else if (!dir && !arg.empty() && arg[0] != '-') {
      dir = arg;
    } else {
      return BadArguments(err, "unexpected argument \"" + arg + "\"", kConnectUsage);
    }
  }
  if (!dir) return BadArguments(err, "connect needs DIR", kConnectUsage);
  if (!RequireHandheld(*dir, err)) return kExitFailed;
  // Held until the commands waited for have ended; without --wait only while starting them.
  const auto turn = handheld::TakeConnectionTurn(busy_timeout);
  if (!turn->held()) {
    if (turn->error() == EWOULDBLOCK) {
      err << "velmora-device: another connection of this desktop is still running after "
          << busy_timeout.count() << " s; nothing was done\n";
      return kExitBusy;
    }
    err << "velmora-device: cannot take the connection lock in "
        << registry::RegistryFolder().string() << ": " << std::strerror(turn->error()) << "\n";
    return kExitFailed;
  }
  const std::string owner = OwnerOf(*dir);
  if (!handheld::AttachHandheld(*dir)) {
    err << "velmora-device: cannot record the connection in " << registry::RegistryFolder().string()
        << "\n";
    return 1;
  }
  bool created = false;
  if (!owner.empty() && !handheld::EnsurePartnership(owner, &created)) {
    err << "velmora-device: cannot record the partnership for \"" << owner << "\"\n";
    return 1;
  }
  out << "Connected the handheld of \"" << owner << "\" (" << *dir << ")\n";
  if (created) out << "Created a partnership for \"" << owner << "\"\n";
  return RunAutoStart(handheld::kAutoStartOnConnectKey, wait, out, err);
}

int Disconnect(const Args& args, std::ostream& out, std::ostream& err) {
  bool wait = false;
  for (const auto& arg : args) {
    if (arg != "--wait")
      return BadArguments(err, "unexpected argument \"" + arg + "\"", kDisconnectUsage);
    wait = true;
  }
  const auto attached = handheld::AttachedHandheld();
  if (!handheld::DetachHandheld()) {
    err << "velmora-device: cannot remove the connection\n";
    return 1;
  }
  out << (attached ? "Disconnected " + attached->string() : std::string("No handheld was attached"))
      << "\n";
  return RunAutoStart(handheld::kAutoStartOnDisconnectKey, wait, out, err);
}

int Status(const Args& args, std::ostream& out, std::ostream& err) {
  if (!args.empty()) return BadArguments(err, "status takes no arguments", kStatusUsage);
  const auto attached = handheld::AttachedHandheld();
  if (!attached) {
    out << "No handheld is attached\n";
    return 0;
  }
  out << "Attached: " << attached->string() << "\n";
  if (!handheld::IsHandheld(*attached)) {
    out << "The folder holds no handheld\n";
    return 1;
  }
  out << "Owner: " << OwnerOf(*attached) << "\n";
  return 0;
}

std::string Because(const handheld::ContactBook& store) {
  const std::string why = store.Why();
  return why.empty() ? "" : ": " + why;
}

void PrintContacts(const std::vector<handheld::Contact>& contacts, std::ostream& out) {
  const auto& names = handheld::ContactFieldNames();
  for (std::size_t i = 0; i < contacts.size(); ++i) {
    out << "Contact " << i + 1 << "\n";
    for (std::size_t f = 0; f < names.size(); ++f) {
      if (!contacts[i].fields[f].empty())
        out << "  " << names[f] << ": " << contacts[i].fields[f] << "\n";
    }
  }
}

bool IsVcardFile(const fs::path& file) {
  std::string extension = file.extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".vcf" || extension == ".vcard";
}

int ExportVcard(handheld::ContactBook& store, const fs::path& file, std::ostream& out,
                std::ostream& err) {
  const auto contacts = store.All();
  if (!contacts) {
    err << "velmora-device: cannot read the contacts" << Because(store) << "\n";
    return 1;
  }
  if (!files::WriteFileAtomically(file, ContactsToVcard(*contacts))) {
    err << "velmora-device: cannot write " << file.string() << "\n";
    return 1;
  }
  out << "Exported " << contacts->size() << " contacts\n";
  return 0;
}

int Contacts(const Args& args, std::ostream& out, std::ostream& err) {
  if (args.size() < 2) return BadArguments(err, "contacts needs DIR and an action", kContactsUsage);
  const fs::path dir = args[0];
  const std::string& action = args[1];
  const Args rest(args.begin() + 2, args.end());
  const bool csv = rest.size() == 1 && rest[0] == "--csv";
  const bool valid = (action == "list" && (rest.empty() || csv)) ||
                     ((action == "import" || action == "export") && rest.size() == 1) ||
                     ((action == "clear" || action == "count") && rest.empty());
  if (!valid) return BadArguments(err, "unknown contacts action", kContactsUsage);
  if (!RequireHandheld(dir, err)) return 1;
  std::string why;
  auto store = carddav::OpenHandheldContacts(dir, &why);
  if (!store) {
    err << "velmora-device: " << why << "\n";
    return 1;
  }
  if (action == "export") return ExportVcard(*store, rest[0], out, err);
  if (action == "list") {
    const auto contacts = store->All();
    if (!contacts) {
      err << "velmora-device: cannot read the contacts" << Because(*store) << "\n";
      return 1;
    }
    if (csv) {
      out << ContactsToCsv(*contacts);
    } else {
      PrintContacts(*contacts, out);
    }
    return 0;
  }
  if (action == "count") {
    const auto count = store->Count();
    if (!count) {
      err << "velmora-device: cannot read the contacts\n";
      return 1;
    }
    out << *count << "\n";
    return 0;
  }
  handheld::ContactChange change;
  if (action == "clear") {
    change.remove_all = true;
  } else {
    std::ifstream in(rest[0], std::ios::binary);
    if (!in) {
      err << "velmora-device: cannot read " << rest[0] << "\n";
      return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();
    std::string error;
    auto contacts = IsVcardFile(rest[0]) ? ContactsFromVcard(text.str(), &error)
                                         : ContactsFromCsv(text.str(), &error);
    if (!contacts) {
      err << "velmora-device: " << rest[0] << ": " << error << "\n";
      return 1;
    }
    change.add = std::move(*contacts);
  }
  if (!store->Apply(change)) {
    err << "velmora-device: the contacts store refused the change" << Because(*store) << "\n";
    return 1;
  }
  if (action == "import") out << "Imported " << change.add.size() << " contacts\n";
  return 0;
}

int Log(const Args& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 1) return BadArguments(err, "log needs DIR", kLogUsage);
  if (!RequireHandheld(args[0], err)) return 1;
  const auto log = handheld::ResolveDevicePath(handheld::FilesRoot(args[0]),
                                               handheld::kAgentLogDevicePath, nullptr);
  std::ifstream in;
  if (log) in.open(log->host, std::ios::binary);
  if (in && in.peek() != std::ifstream::traits_type::eof()) out << in.rdbuf();
  return 0;
}

int Fault(const Args& args, std::ostream& out, std::ostream& err) {
  if (args.size() < 2 || args.size() > 3) {
    return BadArguments(err, "fault needs DIR and NAME", kFaultUsage);
  }
  const fs::path dir = args[0];
  if (!RequireHandheld(dir, err)) return 1;
  auto link = handheld::LinkState::Open(dir, true);
  if (!link) {
    err << "velmora-device: cannot open the link state of " << dir.string() << "\n";
    return 1;
  }
  if (args[1] == "clear" && args.size() == 2) {
    if (!link->ClearFaults()) return 1;
    out << "Cleared every fault\n";
    return 0;
  }
  std::string error;
  if (!link->SetFault(args[1], args.size() == 3 ? args[2] : "", &error)) {
    return BadArguments(err, error, kFaultUsage);
  }
  out << "Set " << args[1] << (args.size() == 3 ? " " + args[2] : "") << "\n";
  return 0;
}

}  // namespace

int RunDeviceTool(const Args& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) return BadArguments(err, "no command", kUsage);
  const std::string& command = args[0];
  const Args rest(args.begin() + 1, args.end());
  struct Command {
    const char* name;
    const char* usage;
    int (*run)(const Args&, std::ostream&, std::ostream&);
  };
  static constexpr Command kCommands[] = {
      {"create", kCreateUsage, Create},
      {"connect", kConnectUsage, Connect},
      {"disconnect", kDisconnectUsage, Disconnect},
      {"status", kStatusUsage, Status},
      {"contacts", kContactsUsage, Contacts},
      {"fault", kFaultUsage, Fault},
      {"log", kLogUsage, Log},
  };
  if (command == "--help" || command == "-h" || command == "help") {
    out << kUsage;
    return 0;
  }
  for (const auto& entry : kCommands) {
    if (command != entry.name) continue;
    if (WantsHelp(rest)) {
      out << entry.usage;
      return 0;
    }
    return entry.run(rest, out, err);
  }
  return BadArguments(err, "unknown command \"" + command + "\"", kUsage);
}

}  // namespace velmora::device_tool
