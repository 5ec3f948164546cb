// Key paths and names of the desktop registry: validation, normalisation and the case-blind
// comparison that Windows applies to key and value names. Used inside platform/registry only.
// Pure functions; nothing here touches a file.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::registry {

// True when the two names are equal once ASCII letters are folded to one case.
bool NamesEqual(std::string_view a, std::string_view b);

// The name with ASCII letters folded, for use as a lookup key.
std::string FoldName(std::string_view name);

// The key path without leading or trailing backslashes; nothing when a component between them
// is empty ("a\\b"). "" (the hive itself) stays "".
std::optional<std::string> NormaliseKeyPath(std::string_view key);

// What a write may create: a key name of at most kMaxKeyNameBytes bytes and a path of at most
// kMaxKeyPathBytes. The hive stores every key with its whole path, so without a bound a deep path
// costs the square of its length. Reading accepts longer paths that are already stored.
inline constexpr std::size_t kMaxKeyNameBytes = 255;
inline constexpr std::size_t kMaxKeyPathBytes = 1024;

// Why a normalised path may not be created; empty when it may.
std::string KeyPathProblem(std::string_view normalised);

// The parent of a normalised non-empty path ("a\b" -> "a", "a" -> "").
std::string_view ParentPath(std::string_view normalised);

// The last component of a normalised non-empty path ("a\b" -> "b").
std::string_view LeafName(std::string_view normalised);

}  // namespace velmora::registry
