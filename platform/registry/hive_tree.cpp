#include "platform/registry/hive_tree.h"

#include <algorithm>
#include <utility>

#include "platform/registry/key_path.h"

namespace velmora::registry {
namespace {

// True when `path` is `ancestor` itself or lies below it.
bool IsWithin(std::string_view path, std::string_view ancestor) {
  if (path.size() < ancestor.size()) return false;
  if (!NamesEqual(path.substr(0, ancestor.size()), ancestor)) return false;
  return path.size() == ancestor.size() || path[ancestor.size()] == '\\';
}

}  // namespace

const HiveKey* FindKey(const HiveContents& contents, std::string_view path) {
  for (const HiveKey& key : contents.keys) {
    if (NamesEqual(key.path, path)) return &key;
  }
  return nullptr;
}

HiveKey* FindKey(HiveContents& contents, std::string_view path) {
  return const_cast<HiveKey*>(FindKey(std::as_const(contents), path));
}

HiveKey& OpenOrCreateKey(HiveContents& contents, std::string_view path) {
  if (HiveKey* existing = FindKey(contents, path)) return *existing;
  if (!path.empty()) OpenOrCreateKey(contents, ParentPath(path));
  contents.keys.push_back(HiveKey{std::string(path), {}});
  return contents.keys.back();
}

bool RemoveKey(HiveContents& contents, std::string_view path) {
  if (path.empty() || FindKey(contents, path) == nullptr) return false;
  const std::string doomed(path);
  std::erase_if(contents.keys, [&](const HiveKey& key) { return IsWithin(key.path, doomed); });
  return true;
}

std::vector<std::string> DirectSubkeys(const HiveContents& contents, std::string_view path) {
  std::vector<std::string> children;
  for (const HiveKey& key : contents.keys) {
    if (key.path.empty() || !NamesEqual(ParentPath(key.path), path)) continue;
    children.emplace_back(LeafName(key.path));
  }
  return children;
}

const RegValue* FindValue(const HiveKey& key, std::string_view name) {
  for (const HiveValueEntry& entry : key.values) {
    if (NamesEqual(entry.name, name)) return &entry.value;
  }
  return nullptr;
}

void SetValue(HiveKey& key, std::string_view name, RegValue value) {
  for (HiveValueEntry& entry : key.values) {
    if (NamesEqual(entry.name, name)) {
      entry.value = std::move(value);
      return;
    }
  }
  key.values.push_back(HiveValueEntry{std::string(name), std::move(value)});
}

bool RemoveValue(HiveKey& key, std::string_view name) {
  return std::erase_if(key.values,
                       [&](const HiveValueEntry& e) { return NamesEqual(e.name, name); }) > 0;
}

}  // namespace velmora::registry
