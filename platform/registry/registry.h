// The desktop registry: the two hives the programs share (current user, local machine), kept as
// one file per hive in the registry folder. Used by the device link, the desktop manager, the
// installer and the handheld user library. Never throws; a failed or refused operation returns
// false, an empty optional or an empty list.
//
// Keys are backslash-separated paths ("Software\Microsoft\Wrenlock"); the empty path is the hive
// itself. Key and value names compare without regard to ASCII case and keep the case they were
// created with. A write opens (creates) every key on its path, as RegCreateKeyEx does.
//
// Files: "HKCU.hive" and "HKLM.hive" (format in hive_format.h), each with a lock file
// ("HKCU.lock", "HKLM.lock"). A write takes an exclusive flock on the lock file, reads the hive,
// changes it and renames a fully written temporary file over it, so concurrent writers in other
// processes lose nothing and readers, which take no lock, see the old or the new file, never half
// of one. A damaged hive (a file over 64 MiB included) reads as holding nothing, with the reason
// on stderr; the next write keeps the damaged file beside it as "HKCU.hive.damaged-N" before
// starting the hive afresh. A write that would make the hive larger than that, or create a key
// name over 255 bytes or a key path over 1024, is refused and changes nothing.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velmora::registry {

enum class Hive { kCurrentUser, kLocalMachine };

struct RegValue {
  enum class Type { kString, kDword };
  Type type = Type::kString;
  std::string text;         // kString: UTF-8
  std::uint32_t dword = 0;  // kDword

  friend bool operator==(const RegValue&, const RegValue&) = default;
};

// $VELMORA_REGISTRY, else $XDG_CONFIG_HOME/velmora/registry, else ~/.config/velmora/registry.
// Read afresh on every call.
std::filesystem::path RegistryFolder();
// The same rule over another environment (that of another process, say); `env` returns nullptr
// for an unset variable.
using EnvironmentLookup = std::function<const char*(const char*)>;
std::filesystem::path RegistryFolderOf(const EnvironmentLookup& env);

// Nothing when the key or value is absent, or the hive cannot be read.
std::optional<RegValue> ReadValue(Hive hive, std::string_view key, std::string_view name);
// Nothing also when the value has the other type.
std::optional<std::string> ReadString(Hive hive, std::string_view key, std::string_view name);
std::optional<std::uint32_t> ReadDword(Hive hive, std::string_view key, std::string_view name);

bool WriteString(Hive hive, std::string_view key, std::string_view name, std::string_view value);
bool WriteDword(Hive hive, std::string_view key, std::string_view name, std::uint32_t value);
// True when the key exists afterwards (also when it existed before).
bool CreateKey(Hive hive, std::string_view key);
// False when there was nothing to delete or the hive could not be written.
bool DeleteValue(Hive hive, std::string_view key, std::string_view name);
bool DeleteKey(Hive hive, std::string_view key);  // with its subkeys; never the hive itself
bool KeyExists(Hive hive, std::string_view key);
std::vector<std::string> ListSubkeys(Hive hive,
                                     std::string_view key);  // direct children, in creation order
std::vector<std::pair<std::string, RegValue>> ListValues(
    Hive hive, std::string_view key);  // in creation order

// "HKCU\…", "HKLM\…", "HKEY_CURRENT_USER\…", "HKEY_LOCAL_MACHINE\…" (the hive name in any case,
// alone or followed by a backslash and a key path). Trailing backslashes are dropped. Nothing for
// another hive or an empty component ("HKCU\a\\b").
std::optional<std::pair<Hive, std::string>> ParseKeyPath(std::string_view path);

// "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE".
std::string_view HiveLongName(Hive hive);

}  // namespace velmora::registry
