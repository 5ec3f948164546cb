// The hive file: its in-memory contents and the pure functions that read and write its bytes.
// Used by the hive store and by the fuzz harness; touches no file and never throws.
//
// A hive file is UTF-8 text, one record per line, each line ending in "\n":
//   velmora-registry-hive 1
//   key ""
//   key "Software"
//   key "Software\Microsoft"
//   sz "AppPath" "/opt/velmora"
//   dword "AutoSync" 0x00000001
//   end 6 0123456789abcdef
// The first key record is the hive itself (""); every other key follows its parent, and values
// belong to the key record above them. Inside quotes '"', '%' and bytes below 0x20 or equal to
// 0x7F are written as %XX (two upper-case hex digits); nothing else is escaped. The "end" record
// gives the number of lines before it and the 64-bit FNV-1a hash of every byte before it, so a
// truncated or altered file is recognised as damaged.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/registry.h"

namespace velmora::registry {

// The largest hive file that is read: far above any real hive, it keeps a stray huge file from
// being read into memory. A change that would write a larger file is refused.
inline constexpr std::size_t kMaxHiveBytes = std::size_t{64} << 20;

struct HiveValueEntry {
  std::string name;
  RegValue value;

  friend bool operator==(const HiveValueEntry&, const HiveValueEntry&) = default;
};

struct HiveKey {
  std::string path;  // "" for the hive itself
  std::vector<HiveValueEntry> values;

  friend bool operator==(const HiveKey&, const HiveKey&) = default;
};

// Keys in creation order; keys[0] is always the hive itself, and a parent precedes its children.
struct HiveContents {
  std::vector<HiveKey> keys{HiveKey{}};

  friend bool operator==(const HiveContents&, const HiveContents&) = default;
};

struct ParsedHive {
  bool ok = false;
  std::string error;      // why the bytes are not a hive, when !ok
  HiveContents contents;  // empty hive when !ok
};

// `verify_hash` false skips only the hash comparison (for fuzzing the record parser).
ParsedHive ParseHive(std::string_view bytes, bool verify_hash = true);
std::string SerialiseHive(const HiveContents& contents);

}  // namespace velmora::registry
