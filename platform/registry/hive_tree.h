// Lookups and changes on the contents of one hive held in memory: finding keys and values by
// case-blind name, opening keys with their parents, deleting a key with its subkeys. Used by the
// registry operations; works on normalised key paths (key_path.h) and never touches a file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/hive_format.h"

namespace velmora::registry {

const HiveKey* FindKey(const HiveContents& contents, std::string_view path);
HiveKey* FindKey(HiveContents& contents, std::string_view path);

// The key, created with every missing parent (each appended after its parent).
HiveKey& OpenOrCreateKey(HiveContents& contents, std::string_view path);

// Removes the key and all its subkeys; false when absent or when `path` is the hive itself.
bool RemoveKey(HiveContents& contents, std::string_view path);

// Last components of the direct children of `path`, in creation order.
std::vector<std::string> DirectSubkeys(const HiveContents& contents, std::string_view path);

const RegValue* FindValue(const HiveKey& key, std::string_view name);
// Replaces the value of that name (keeping the stored name's case) or appends it.
void SetValue(HiveKey& key, std::string_view name, RegValue value);
bool RemoveValue(HiveKey& key, std::string_view name);

}  // namespace velmora::registry
