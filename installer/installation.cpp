#include "installer/installation.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <system_error>

#include "installer/desktop_entry.h"
#include "installer/desktop_folders.h"
#include "installer/file_copy.h"
#include "installer/install_plan.h"
#include "installer/script_check.h"
#include "installer/script_ids.h"
#include "platform/prompt/prompt.h"
#include "platform/registry/registry.h"
#include "profile/backup_files.h"
#include "profile/profile_database.h"
#include "profile/profile_store.h"
#include "profile/shipped_databases.h"

namespace velmora::installer {
namespace {

using registry::Hive;

constexpr std::string_view kUnableToConnect = "Unable to connect profile database";
constexpr std::string_view kScriptUnusable =
    "The setup script cannot be installed from; nothing was installed";

constexpr std::string_view kFolderRefused =
    "The installation folder's name holds a line break or another control character, which the "
    "registered conduit command and the profile database cannot carry; choose another folder";

bool HoldsControlCharacter(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
  });
}

// Shown and recorded when the installation cannot start; nothing has been changed then.
void Refuse(InstallerState& state, InstallReport& report, std::string_view what,
            const std::vector<std::string>& details) {
  prompt::ShowMessage(std::string(what) + "\n" + details.front(), kMessageCaption,
                      prompt::Icon::kExclamation);
  state.success = false;
  for (const std::string& detail : details) {
    report.failures.push_back(std::string(what) + ": " + detail);
  }
}

// An absolute folder without a trailing slash, as AppPath holds it.
std::string NormalisedFolder(const std::string& text) {
  std::error_code ec;
  std::filesystem::path path = std::filesystem::absolute(text, ec);
  if (ec) path = text;
  std::string out = path.lexically_normal().string();
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

bool IsProgramFile(const std::filesystem::path& file) {
  struct stat info {};
  return ::stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & 0111) != 0;
}

class Steps {
 public:
  Steps(InstallerState& state, const SetupScript& script, InstallReport& report)
      : state_(state), script_(script), report_(report) {}

  void CreateFolders(const std::filesystem::path& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) report_.failures.push_back("cannot create " + folder.string() + ": " + ec.message());
    for (const std::string& name : Subfolders(script_)) {
      if (!IsContainedName(name)) {
        report_.failures.push_back("subfolder name refused: \"" + name + "\"");
        continue;
      }
      std::filesystem::create_directories(folder / name, ec);
      if (ec) report_.failures.push_back("cannot create " + (folder / name).string());
      // The linked-table backups are named after owners and profiles: their user's only.
      if (!ec && name == profile::kTableBackupFolder) {
        std::filesystem::permissions(folder / name, std::filesystem::perms::owner_all, ec);
      }
    }
  }

  void CopyFiles(const std::filesystem::path& folder) {
    const auto copies = PlannedCopies(script_, state_.keep_existing != 0, state_.language_offset);
    for (const PlannedCopy& copy : copies) {
      std::string error;
      if (!IsContainedName(copy.source) || !IsContainedName(copy.target)) {
        error = "the name leaves its folder or is empty";
      } else {
        const std::filesystem::path to = folder / copy.target;
        if (KeepsExisting(copy.group, to)) continue;
        std::error_code ec;
        std::filesystem::create_directories(to.parent_path(), ec);
        if (CopyFileAside(state_.source_directory / copy.source, to, &error)) continue;
      }
      CopyFailed(copy.source, error);
    }
  }

  // Keeping an installation keeps every database in it: one already there is never replaced.
  bool KeepsExisting(FileGroup group, const std::filesystem::path& to) const {
    if (state_.keep_existing == 0) return false;
    if (group != FileGroup::kSampleContacts && group != FileGroup::kFirstInstall) return false;
    struct stat info {};
    return ::lstat(to.c_str(), &info) == 0 || errno != ENOENT;
  }

  void CreateShortcuts(const std::filesystem::path& folder) {
    for (const Shortcut& shortcut : DesktopShortcuts(script_)) {
      WriteShortcut(DesktopFolder(), shortcut, folder);
    }
    const std::string product = script_.Text(ids::kProductFolder);
    if (!IsContainedName(product)) {
      if (ScriptCount(script_, ids::kMenuShortcutCount) > 0) {
        report_.failures.push_back("program menu folder name refused: \"" + product + "\"");
      }
      return;
    }
    for (const Shortcut& shortcut : MenuShortcuts(script_)) {
      WriteShortcut(ApplicationsFolder() / product, shortcut, folder);
    }
  }

  void WriteRegistry(const std::string& folder) {
    const std::string key = script_.Text(ids::kRegistryKey);
    const bool ok =
        !key.empty() && registry::CreateKey(Hive::kCurrentUser, key) &&
        registry::WriteString(Hive::kCurrentUser, key, "AppPath", folder) &&
        registry::WriteString(Hive::kCurrentUser, key, "Ver", script_.Text(ids::kVersion));
    if (!ok) report_.failures.push_back("cannot record the installation in the registry");
  }

  void RegisterConduit(const std::string& folder) {
    const std::string conduit = script_.Text(ids::kConduitFile);
    if (conduit.empty()) return;
    // Disconnection is registered only once connection is, so the conduit is never started
    // for a disconnect without having been started for the connect.
    const bool ok =
        registry::WriteString(Hive::kLocalMachine, kAutoStartOnConnectKey, kConduitValueName,
                              ConduitCommandLine(folder, conduit, "connect")) &&
        registry::WriteString(Hive::kLocalMachine, kAutoStartOnDisconnectKey, kConduitValueName,
                              ConduitCommandLine(folder, conduit, "disconnect"));
    if (!ok) report_.failures.push_back("cannot register the conduit with ActiveSync");
  }

  void BindSampleProfiles(const std::string& folder, const std::string& user,
                          db::Connection& profile_db) {
    std::optional<std::string> app_path =
        registry::ReadString(Hive::kCurrentUser, script_.Text(ids::kRegistryKey), "AppPath");
    if (!app_path || app_path->empty()) app_path = folder;
    if (!profile::OpenProfileDatabase(profile_db, db::kProfileDsnDesktop, *app_path, nullptr)) {
      prompt::ShowMessage(kUnableToConnect, kMessageCaption, prompt::Icon::kExclamation);
      report_.failures.push_back(std::string(kUnableToConnect) + ": " +
                                 profile::ProfileDatabaseName(*app_path));
      return;
    }
    profile::ProfileStore store(profile_db);
    const std::string bound_path = *app_path + "/";
    const bool ok =
        store.MoveProfileToUserAndPath(profile::kSampleDesktopToDeviceProfile, user, bound_path) &&
        BindSecondSample(store, user, bound_path);
    report_.profiles_bound = ok;
    if (!ok) report_.failures.push_back("cannot bind the sample profiles to \"" + user + "\"");
  }

 private:
  void CopyFailed(const std::string& name, const std::string& error) {
    const std::string prefix = script_.Text(ids::kCopyFailedPrefix + state_.language_offset);
    prompt::ShowMessage(prefix + " " + name, kMessageCaption, prompt::Icon::kExclamation);
    state_.success = false;
    ++report_.failed_copies;
    report_.failures.push_back("copy failed: " + name + " (" + error + ")");
  }

  // The device-to-desktop sample reads the same shipped table as the first one: while it still
  // names the shipped placeholder folder it gets the installation folder too. A folder the user
  // chose for it is kept.
  static bool BindSecondSample(profile::ProfileStore& store, const std::string& user,
                               const std::string& bound_path) {
    const long id = profile::kSampleDeviceToDesktopProfile;
    bool placeholder = false;
    for (const profile::ProfileRecord& record : store.AllProfiles()) {
      if (record.prof_id == id) placeholder = record.db_path == profile::kSampleDbPathPlaceholder;
    }
    return placeholder ? store.MoveProfileToUserAndPath(id, user, bound_path)
                       : store.MoveProfileToUser(id, user);
  }

  void WriteShortcut(const std::filesystem::path& where, const Shortcut& shortcut,
                     const std::filesystem::path& folder) {
    std::string error = "the name leaves its folder or is empty";
    if (IsContainedName(shortcut.name) && IsContainedName(shortcut.target) &&
        shortcut.name.find('/') == std::string::npos) {
      DesktopEntry entry;
      entry.name = shortcut.name;
      entry.comment = shortcut.comment;
      entry.target = folder / shortcut.target;
      entry.working_directory = folder;
      entry.is_program = IsProgramFile(entry.target);
      std::error_code ec;
      std::filesystem::create_directories(where, ec);
      const auto file = where / (shortcut.name + kDesktopEntryExtension);
      if (WriteDesktopEntry(file, entry, &error)) return;
    }
    report_.failures.push_back("shortcut \"" + shortcut.name + "\" not made: " + error);
  }

  InstallerState& state_;
  const SetupScript& script_;
  InstallReport& report_;
};

}  // namespace

bool ShouldBindSampleProfiles(const InstallerState& state, bool asked) {
  return state.keep_existing == 0 || asked;
}

std::string QuotedArgument(std::string_view argument) {
  std::string out = "\"";
  std::size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes count as escapes only before a quote: there they are doubled and the quote
    // itself escaped; elsewhere they stand for themselves.
    out.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    out.push_back(c);
    backslashes = 0;
  }
  out.append(2 * backslashes, '\\');  // before the closing quote
  out.push_back('"');
  return out;
}

std::string ConduitCommandLine(const std::string& folder, const std::string& conduit,
                               const std::string& word) {
  return QuotedArgument(folder + "/" + conduit) + " " + QuotedArgument(word);
}

InstallReport Install(InstallerState& state, const SetupScript& script,
                      const InstallChoices& choices, db::Connection& profile_db) {
  InstallReport report;
  const std::vector<std::string> problems = ScriptProblems(script, state.language_offset);
  if (!problems.empty()) {
    Refuse(state, report, kScriptUnusable, problems);
    return report;
  }
  if (HoldsControlCharacter(choices.folder)) {
    Refuse(state, report, kFolderRefused, {"\"" + choices.folder + "\""});
    return report;
  }
  state.installation_folder = NormalisedFolder(choices.folder);
  const std::filesystem::path folder = state.installation_folder;
  Steps steps(state, script, report);
  steps.CreateFolders(folder);
  steps.CopyFiles(folder);
  steps.CreateShortcuts(folder);
  steps.WriteRegistry(state.installation_folder);
  steps.RegisterConduit(state.installation_folder);
  if (choices.bind_sample_profiles) {
    steps.BindSampleProfiles(state.installation_folder, choices.user_name, profile_db);
  }
  return report;
}

}  // namespace velmora::installer
