// The state of the link between desktop and an emulated handheld that outlives a process: the
// fault switches set with velmora-device and the bytes that have crossed the link. Kept in an
// SQLite file in the handheld's folder. Used by the RAPI library stand-in, the agent and
// velmora-device. Never throws.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::handheld {

struct Faults {
  std::optional<std::uint64_t> unplug_after_bytes;   // the link drops once this many have crossed
  bool disk_full = false;                            // device writes fail with 112
  bool agent_hangs = false;                          // the agent never sets `Flag`
  bool agent_missing = false;                        // the agent cannot be started
  std::optional<std::filesystem::path> export_file;  // requests 2 and 5 deliver this file verbatim
};

// "unplug-after-bytes", "disk-full", "agent-hangs", "agent-missing", "export-file".
const std::vector<std::string>& FaultNames();

class SqliteDb;

class LinkState {
 public:
  static std::unique_ptr<LinkState> Open(const std::filesystem::path& handheld, bool create);
  ~LinkState();

  Faults ReadFaults();
  // Sets one switch; false with `error` for an unknown name or a bad value. The value of the
  // switches without one is ignored; unplug-after-bytes takes a byte count, export-file a file.
  bool SetFault(std::string_view name, std::string_view value, std::string* error);
  // Clears every switch, the byte count and a dropped link.
  bool ClearFaults();

  // True once the link has dropped.
  bool Unplugged();
  // Counts `bytes` that want to cross. Returns how many may: all of them unless the
  // unplug-after-bytes switch is set, which lets through what is left of its allowance and
  // drops the link once the allowance is used up.
  std::uint64_t Cross(std::uint64_t bytes);
  std::uint64_t BytesCrossed();

 private:
  explicit LinkState(std::unique_ptr<SqliteDb> db);
  std::unique_ptr<SqliteDb> db_;
};

}  // namespace velmora::handheld
