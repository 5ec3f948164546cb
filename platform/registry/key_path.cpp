#include "platform/registry/key_path.h"

#include <array>
#include <string>
#include <utility>

#include "platform/registry/registry.h"

namespace velmora::registry {
namespace {

char FoldChar(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

struct HivePrefix {
  std::string_view name;
  Hive hive;
};

constexpr std::array<HivePrefix, 4> kHivePrefixes{{
    {"HKCU", Hive::kCurrentUser},
    {"HKEY_CURRENT_USER", Hive::kCurrentUser},
    {"HKLM", Hive::kLocalMachine},
    {"HKEY_LOCAL_MACHINE", Hive::kLocalMachine},
}};

}  // namespace

bool NamesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldChar(a[i]) != FoldChar(b[i])) return false;
  }
  return true;
}

std::string FoldName(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) c = FoldChar(c);
  return folded;
}

std::optional<std::string> NormaliseKeyPath(std::string_view key) {
  while (!key.empty() && key.front() == '\\') key.remove_prefix(1);
  while (!key.empty() && key.back() == '\\') key.remove_suffix(1);
  if (key.find("\\\\") != std::string_view::npos) return std::nullopt;
  return std::string(key);
}

std::string KeyPathProblem(std::string_view normalised) {
  if (normalised.size() > kMaxKeyPathBytes) {
    return "the key path is " + std::to_string(normalised.size()) +
           " bytes long, over the limit of " + std::to_string(kMaxKeyPathBytes);
  }
  for (std::string_view rest = normalised; !rest.empty();) {
    const std::size_t cut = rest.find('\\');
    const std::string_view name = rest.substr(0, cut);
    if (name.size() > kMaxKeyNameBytes) {
      return "a key name is " + std::to_string(name.size()) + " bytes long, over the limit of " +
             std::to_string(kMaxKeyNameBytes);
    }
    rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
  }
  return "";
}

std::string_view ParentPath(std::string_view normalised) {
  const std::size_t cut = normalised.rfind('\\');
  return cut == std::string_view::npos ? std::string_view() : normalised.substr(0, cut);
}

std::string_view LeafName(std::string_view normalised) {
  const std::size_t cut = normalised.rfind('\\');
  return cut == std::string_view::npos ? normalised : normalised.substr(cut + 1);
}

std::optional<std::pair<Hive, std::string>> ParseKeyPath(std::string_view path) {
  const std::size_t cut = path.find('\\');
  const std::string_view head = path.substr(0, cut);
  const std::string_view rest =
      cut == std::string_view::npos ? std::string_view() : path.substr(cut);
  if (rest.size() > 1 && rest[1] == '\\') return std::nullopt;  // empty first component
  for (const HivePrefix& prefix : kHivePrefixes) {
    if (!NamesEqual(head, prefix.name)) continue;
    std::optional<std::string> key = NormaliseKeyPath(rest);
    if (!key) return std::nullopt;
    return std::pair{prefix.hive, std::move(*key)};
  }
  return std::nullopt;
}

std::string_view HiveLongName(Hive hive) {
  return hive == Hive::kCurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

}  // namespace velmora::registry
