#include "handheld/velmora-device/tool.h"

#include <cctype>
#include <fstream>
#include <sstream>

#include "handheld/store/attachment.h"
#include "handheld/store/contact_store.h"
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

constexpr const char* kUsage =
    "usage: velmora-device COMMAND ...\n"
    "  create DIR --owner NAME [--no-agent]   make a new handheld in DIR\n"
    "  connect DIR [--wait]                   attach it to this desktop and run the\n"
    "                                         AutoStartOnConnect commands\n"
    "  disconnect [--wait]                    detach it and run the AutoStartOnDisconnect\n"
    "                                         commands\n"
    "  status                                 which handheld is attached, and its owner\n"
    "  contacts DIR list [--csv] | import FILE.csv|FILE.vcf | export FILE.vcf | clear |\n"
    "           count\n"
    "  fault DIR NAME [VALUE] | fault DIR clear\n"
    "Each command takes --help. Exit status: 0 done, 1 failed, 2 bad arguments.\n";

constexpr const char* kCreateUsage =
    "usage: velmora-device create DIR --owner NAME [--no-agent]\n"
    "Makes a new handheld in DIR: its file system (\\My Documents\\Contact), its registry with\n"
    "the owner's name in \\Ident Name, an empty contacts store and, unless --no-agent, the\n"
    "contacts agent.\n";
constexpr const char* kConnectUsage =
    "usage: velmora-device connect DIR [--wait]\n"
    "Attaches the handheld in DIR to this desktop, adds a partnership for its owner when there\n"
    "is none, and starts every command line registered under HKLM\\SOFTWARE\\Microsoft\\\n"
    "Windows CE Services\\AutoStartOnConnect; --wait waits for each to end.\n";
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
  bool agent = true;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--owner" && i + 1 < args.size()) {
      owner = args[++i];
    } else if (args[i] == "--no-agent") {
      agent = false;
    } else if (!dir && !args[i].empty() && args[i][0] != '-') {
      dir = args[i];
    } else {
      return BadArguments(err, "unexpected argument \"" + args[i] + "\"", kCreateUsage);
    }
  }
  if (!dir || !owner) return BadArguments(err, "create needs DIR and --owner NAME", kCreateUsage);
  std::string error;
  const auto program = agent ? std::optional<fs::path>(AgentProgramBesideTool()) : std::nullopt;
  if (!handheld::CreateHandheld(*dir, *owner, program, &error)) {
    err << "velmora-device: " << error << "\n";
    return 1;
  }
  out << "Created a handheld for \"" << *owner << "\" in " << *dir
      << (agent ? "" : " (without the contacts agent)") << "\n";
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
    }
  }
  return failures == 0 ? 0 : 1;
}

int Connect(const Args& args, std::ostream& out, std::ostream& err) {
  std::optional<std::string> dir;
  bool wait = false;
  for (const auto& arg : args) {
    if (arg == "--wait") {
      wait = true;
    } else if (!dir) {
      dir = arg;
    } else {
      return BadArguments(err, "unexpected argument \"" + arg + "\"", kConnectUsage);
    }
  }
  if (!dir) return BadArguments(err, "connect needs DIR", kConnectUsage);
  if (!RequireHandheld(*dir, err)) return 1;
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

int ExportVcard(handheld::ContactStore& store, const fs::path& file, std::ostream& out,
                std::ostream& err) {
  const auto contacts = store.All();
  if (!contacts) {
    err << "velmora-device: cannot read the contacts\n";
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
  auto store = handheld::ContactStore::Open(dir, false);
  if (!store) {
    err << "velmora-device: cannot open the contacts store of " << dir.string() << "\n";
    return 1;
  }
  if (action == "export") return ExportVcard(*store, rest[0], out, err);
  if (action == "list") {
    const auto contacts = store->All();
    if (!contacts) {
      err << "velmora-device: cannot read the contacts\n";
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
    err << "velmora-device: the contacts store refused the change\n";
    return 1;
  }
  if (action == "import") out << "Imported " << change.add.size() << " contacts\n";
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
