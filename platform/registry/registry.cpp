#include "platform/registry/registry.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/registry/hive_store.h"
#include "platform/registry/hive_tree.h"
#include "platform/registry/key_path.h"

namespace velmora::registry {
namespace {

namespace fs = std::filesystem;

const char* NonEmptyEnv(const EnvironmentLookup& env, const char* name) {
  const char* value = env(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

fs::path HomeFolder(const EnvironmentLookup& env) {
  if (const char* home = NonEmptyEnv(env, "HOME")) return home;
  if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) {
    return entry->pw_dir;
  }
  return ".";
}

// The key, created with its parents when it is absent and its path is within the limits; nullptr
// (with the reason on stderr) for a path over them. Keys already stored are used as they are.
HiveKey* OpenCreatableKey(HiveContents& contents, std::string_view path) {
  if (HiveKey* existing = FindKey(contents, path)) return existing;
  if (const std::string problem = KeyPathProblem(path); !problem.empty()) {
    ReportRegistryProblem("key not created: " + problem);
    return nullptr;
  }
  return &OpenOrCreateKey(contents, path);
}

bool WriteValue(Hive hive, std::string_view key, std::string_view name, RegValue value) {
  const std::optional<std::string> path = NormaliseKeyPath(key);
  if (!path) return false;
  return UpdateHive(hive, [&](HiveContents& contents) {
    HiveKey* opened = OpenCreatableKey(contents, *path);
    if (opened == nullptr) return false;
    SetValue(*opened, name, std::move(value));
    return true;
  });
}

}  // namespace

fs::path RegistryFolder() {
  return RegistryFolderOf([](const char* name) -> const char* { return std::getenv(name); });
}

fs::path RegistryFolderOf(const EnvironmentLookup& env) {
  if (const char* folder = NonEmptyEnv(env, "VELMORA_REGISTRY")) return folder;
  const char* config = NonEmptyEnv(env, "XDG_CONFIG_HOME");
  // Relative XDG paths are invalid and ignored.
  const fs::path base =
      config != nullptr && config[0] == '/' ? fs::path(config) : HomeFolder(env) / ".config";
  return base / "velmora" / "registry";
}

std::optional<RegValue> ReadValue(Hive hive, std::string_view key, std::string_view name) {
  const std::optional<std::string> path = NormaliseKeyPath(key);
  if (!path) return std::nullopt;
  const HiveContents contents = LoadHive(hive);
  const HiveKey* found = FindKey(contents, *path);
  if (found == nullptr) return std::nullopt;
  const RegValue* value = FindValue(*found, name);
  if (value == nullptr) return std::nullopt;
  return *value;
}

std::optional<std::string> ReadString(Hive hive, std::string_view key, std::string_view name) {
  std::optional<RegValue> value = ReadValue(hive, key, name);
  if (!value || value->type != RegValue::Type::kString) return std::nullopt;
  return std::move(value->text);
}

std::optional<std::uint32_t> ReadDword(Hive hive, std::string_view key, std::string_view name) {
  const std::optional<RegValue> value = ReadValue(hive, key, name);
  if (!value || value->type != RegValue::Type::kDword) return std::nullopt;
  return value->dword;
}

bool WriteString(Hive hive, std::string_view key, std::string_view name, std::string_view value) {
  return WriteValue(hive, key, name, RegValue{RegValue::Type::kString, std::string(value), 0});
}

bool WriteDword(Hive hive, std::string_view key, std::string_view name, std::uint32_t value) {
  return WriteValue(hive, key, name, RegValue{RegValue::Type::kDword, {}, value});
}

bool CreateKey(Hive hive, std::string_view key) {
  const std::optional<std::string> path = NormaliseKeyPath(key);
  if (!path) return false;
  if (KeyExists(hive, *path)) return true;
  return UpdateHive(
      hive, [&](HiveContents& contents) { return OpenCreatableKey(contents, *path) != nullptr; });
}

bool DeleteValue(Hive hive, std::string_view key, std::string_view name) {
  const std::optional<std::string> path = NormaliseKeyPath(key);
  if (!path) return false;
  return UpdateHive(hive, [&](HiveContents& contents) {
    HiveKey* found = FindKey(contents, *path);
    return found != nullptr && RemoveValue(*found, name);
  });
}

bool DeleteKey(Hive hive, std::string_view key) {
  const std::optional<std::string> path = NormaliseKeyPath(key);
  if (!path) return false;
  return UpdateHive(hive, [&](HiveContents& contents) { return RemoveKey(contents, *path); });
}

bool KeyExists(Hive hive, std::string_view key) {
  const std::optional<std::string> path = NormaliseKeyPath(key);
  return path && FindKey(LoadHive(hive), *path) != nullptr;
}

std::vector<std::string> ListSubkeys(Hive hive, std::string_view key) {
  const std::optional<std::string> path = NormaliseKeyPath(key);
  if (!path) return {};
  return DirectSubkeys(LoadHive(hive), *path);
}

std::vector<std::pair<std::string, RegValue>> ListValues(Hive hive, std::string_view key) {
  const std::optional<std::string> path = NormaliseKeyPath(key);
  if (!path) return {};
  const HiveContents contents = LoadHive(hive);
  const HiveKey* found = FindKey(contents, *path);
  std::vector<std::pair<std::string, RegValue>> values;
  if (found == nullptr) return values;
  for (const HiveValueEntry& entry : found->values) values.emplace_back(entry.name, entry.value);
  return values;
}

}  // namespace velmora::registry
