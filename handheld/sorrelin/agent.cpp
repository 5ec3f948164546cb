#include "handheld/sorrelin/agent.h"

#include <unistd.h>

#include <fstream>
#include <optional>
#include <string>

#include "handheld/sorrelin/contact_files.h"
#include "handheld/store/contact_store.h"
#include "handheld/store/device_path.h"
#include "handheld/store/device_registry.h"
#include "handheld/store/handheld_layout.h"
#include "handheld/store/link_state.h"
#include "transfer/category_list.h"

namespace velmora::sorrelin {
namespace {

using handheld::ContactChange;
using handheld::DeviceRoot;

constexpr const char* kAgentKey = "Software\\Microsoft\\ZOVAziz";
// The outcome the desktop reads beside `Flag`: 1 carried out, 2 failed (0, set by the desktop
// before each request, is left only by an agent that does not report one).
constexpr const char* kOutcomeValue = "Outcome";
constexpr std::uint32_t kOutcomeDone = 1;
constexpr std::uint32_t kOutcomeFailed = 2;
constexpr const char* kFolder = "\\My Documents\\Contact\\";

// Where the device folder's file `name` lives; none when the folder is missing or the way to it
// passes a link, which could lead out of the handheld.
std::optional<std::filesystem::path> DeviceFile(const std::filesystem::path& handheld,
                                                const std::string& name) {
  const auto resolved =
      handheld::ResolveDevicePath(handheld::FilesRoot(handheld), kFolder + name, nullptr);
  if (!resolved) return std::nullopt;
  return resolved->host;
}

constexpr const char* kUnreachable = " cannot be reached in \\My Documents\\Contact";

class Agent {
 public:
  explicit Agent(std::filesystem::path handheld) : handheld_(std::move(handheld)) {}

  void Log(const std::string& text) { handheld::AppendAgentLog(handheld_, text); }

  // True when the request was carried out.
  bool Run(std::uint32_t code) {
    switch (code) {
      case 1:
        return TakeIn(/*overwrite=*/true);
      case 3:
        return TakeIn(/*overwrite=*/false);
      case 2:
      case 5:
        return Export();
      case 4:
        return Restore();
      default:
        Log("request " + std::to_string(code) + ": not a request; nothing done");
        return false;
    }
  }

 private:
  std::unique_ptr<handheld::ContactStore> Store() {
    auto store = handheld::ContactStore::Open(handheld_, false);
    if (!store) Log("cannot open the contacts store " + handheld::ContactsFile(handheld_).string());
    return store;
  }

  // The category named by "category.css": none without a file or for "0:"; false when the file
  // is there but cannot be read as a category line.
  bool ReadCategory(std::optional<std::string>* category) {
    const auto file = DeviceFile(handheld_, "category.css");
    if (!file) return false;
    std::error_code ec;
    if (!std::filesystem::exists(*file, ec)) return true;
    const auto line = transfer::ReadCategoryListFile(*file);
    if (!line) return false;
    if (!line->name.empty()) *category = line->name;
    return true;
  }

  bool TakeIn(bool overwrite) {
    const std::string what = overwrite ? "request 1 (overwrite)" : "request 3 (add)";
    std::string problem, note;
    const auto file = DeviceFile(handheld_, "test.pdb");
    if (!file) {
      Log(what + ": test.pdb" + kUnreachable + "; the contacts are unchanged");
      return false;
    }
    const auto records = ContactRecords::OpenTransfer(*file, &problem, &note);
    if (!records) {
      Log(what + ": " + problem + "; the contacts are unchanged");
      return false;
    }
    if (!note.empty()) Log(what + ": columns that name no contact field are left out: " + note);
    std::optional<std::string> category;
    if (!ReadCategory(&category)) {
      Log(what + ": category.css is damaged; the contacts are unchanged");
      return false;
    }
    ContactChange change;
    if (overwrite) {
      change.remove_all = !category.has_value();
      change.remove_category = category;
    }
    long next = 0;
    const auto feed = [&](handheld::Contact* contact) {
      if (next >= records->Count()) return false;
      *contact = records->ContactAt(next++);
      if (category) contact->fields[39] = handheld::AddCategory(contact->fields[39], *category);
      return true;
    };
    auto store = Store();
    if (!store) return false;
    if (!store->Apply(change, feed)) {
      Log(what + ": the contacts store refused the change; the contacts are unchanged");
      return false;
    }
    Log(what + ": added " + std::to_string(records->Count()) + " contacts" +
        (category ? " in category \"" + *category + "\"" : ""));
    return true;
  }

  bool Export() {
    const auto found = DeviceFile(handheld_, "Contact1.pim");
    if (!found) {
      Log(std::string("export: Contact1.pim") + kUnreachable);
      return false;
    }
    const std::filesystem::path& target = *found;
    auto link = handheld::LinkState::Open(handheld_, true);
    const auto faults = link ? link->ReadFaults() : handheld::Faults{};
    if (faults.export_file) {
      std::error_code ec;
      const auto temp = target.parent_path() / ("Contact1.pim.tmp-" + std::to_string(::getpid()));
      std::filesystem::copy_file(*faults.export_file, temp,
                                 std::filesystem::copy_options::overwrite_existing, ec);
      if (!ec) std::filesystem::rename(temp, target, ec);
      if (ec) {
        std::filesystem::remove(temp, ec);
        Log("export: cannot put " + faults.export_file->string() + " in place");
        return false;
      }
      Log("export: delivered " + faults.export_file->string() + " as Contact1.pim");
      return true;
    }
    auto store = Store();
    if (!store) return false;
    const auto contacts = store->All();
    if (!contacts) {
      Log("export: cannot read the contacts store");
      return false;
    }
    std::string problem;
    if (!WriteExport(target, *contacts, &problem)) {
      Log("export: " + problem);
      return false;
    }
    for (const std::string& cut : ExportCuts(*contacts)) Log("export: value cut: " + cut);
    Log("export: wrote " + std::to_string(contacts->size()) + " contacts to Contact1.pim");
    return true;
  }

  bool Restore() {
    std::string problem;
    const auto file = DeviceFile(handheld_, "test.pdb");
    if (!file) {
      Log(std::string("request 4 (restore): test.pdb") + kUnreachable +
          "; the contacts are unchanged");
      return false;
    }
    const auto records = ContactRecords::OpenBackup(*file, &problem);
    if (!records) {
      Log("request 4 (restore): " + problem + "; the contacts are unchanged");
      return false;
    }
    ContactChange change;
    change.remove_all = true;
    long next = 0;
    const auto feed = [&](handheld::Contact* contact) {
      if (next >= records->Count()) return false;
      *contact = records->ContactAt(next++);
      return true;
    };
    auto store = Store();
    if (!store) return false;
    if (!store->Apply(change, feed)) {
      Log("request 4 (restore): the contacts store refused the change; the contacts are unchanged");
      return false;
    }
    Log("request 4 (restore): the contacts are now the " + std::to_string(records->Count()) +
        " of the backup");
    return true;
  }

  std::filesystem::path handheld_;
};

}  // namespace

int RunAgent(const std::filesystem::path& handheld) {
  if (!handheld::IsHandheld(handheld)) return 1;  // nothing is created outside a handheld
  Agent agent(handheld);
  auto registry = handheld::DeviceRegistry::Open(handheld, false);
  if (!registry) {
    agent.Log("cannot open the device registry " + handheld::RegistryFile(handheld).string());
    return 1;
  }
  const std::uint32_t code =
      registry->ReadDword(DeviceRoot::kClassesRoot, kAgentKey, "SyncFlag").value_or(0);
  auto link = handheld::LinkState::Open(handheld, true);
  if (link && link->ReadFaults().agent_hangs) {
    agent.Log("request " + std::to_string(code) + ": agent-hangs is set; Flag stays unset");
    return 0;
  }
  const bool done = agent.Run(code);
  // The outcome first: the desktop reads it as soon as it sees the flag.
  if (!registry->WriteDword(DeviceRoot::kClassesRoot, kAgentKey, kOutcomeValue,
                            done ? kOutcomeDone : kOutcomeFailed)) {
    agent.Log("cannot set Outcome");
  }
  if (!registry->WriteDword(DeviceRoot::kClassesRoot, kAgentKey, "Flag", 1)) {
    agent.Log("cannot set Flag");
    return 1;
  }
  return 0;
}

}  // namespace velmora::sorrelin
