#include "handheld/store/link_state.h"

#include <algorithm>
#include <charconv>

#include "handheld/store/handheld_layout.h"
#include "handheld/store/sqlite_db.h"

namespace velmora::handheld {
namespace {

constexpr std::string_view kSchema =
    "CREATE TABLE IF NOT EXISTS fault(name TEXT PRIMARY KEY, value TEXT NOT NULL);"
    "CREATE TABLE IF NOT EXISTS counter(name TEXT PRIMARY KEY, value INTEGER NOT NULL);";

constexpr const char* kUnplug = "unplug-after-bytes";
constexpr const char* kDiskFull = "disk-full";
constexpr const char* kAgentHangs = "agent-hangs";
constexpr const char* kAgentMissing = "agent-missing";
constexpr const char* kExportFile = "export-file";

std::optional<std::uint64_t> ParseCount(std::string_view text) {
  std::uint64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

// Switches without a value: nothing, "on" or "1" set them; "off" or "0" clear them.
std::optional<bool> ParseSwitch(std::string_view text) {
  if (text.empty() || text == "on" || text == "1") return true;
  if (text == "off" || text == "0") return false;
  return std::nullopt;
}

std::int64_t Counter(SqliteDb& db, const char* name) {
  return db.QueryInt("SELECT value FROM counter WHERE name = ?", {std::string(name)}).value_or(0);
}

bool SetCounter(SqliteDb& db, const char* name, std::int64_t value) {
  return db.Exec("INSERT OR REPLACE INTO counter(name, value) VALUES(?, ?)",
                 {std::string(name), value});
}

}  // namespace

const std::vector<std::string>& FaultNames() {
  static const std::vector<std::string> names = {kUnplug, kDiskFull, kAgentHangs, kAgentMissing,
                                                 kExportFile};
  return names;
}

std::unique_ptr<LinkState> LinkState::Open(const std::filesystem::path& handheld, bool create) {
  auto db = SqliteDb::Open(LinkFile(handheld), create, kSchema);
  if (!db) return nullptr;
  return std::unique_ptr<LinkState>(new LinkState(std::move(db)));
}

LinkState::LinkState(std::unique_ptr<SqliteDb> db) : db_(std::move(db)) {}
LinkState::~LinkState() = default;

Faults LinkState::ReadFaults() {
  Faults faults;
  SqliteStatement stmt(db_->Raw(), "SELECT name, value FROM fault");
  while (stmt.Step()) {
    const std::string name = stmt.Text(0);
    const std::string value = stmt.Text(1);
    if (name == kUnplug) {
      faults.unplug_after_bytes = ParseCount(value);
    } else if (name == kDiskFull) {
      faults.disk_full = true;
    } else if (name == kAgentHangs) {
      faults.agent_hangs = true;
    } else if (name == kAgentMissing) {
      faults.agent_missing = true;
    } else if (name == kExportFile) {
      faults.export_file = std::filesystem::path(value);
    }
  }
  return faults;
}

bool LinkState::SetFault(std::string_view name, std::string_view value, std::string* error) {
  auto refuse = [error](std::string why) {
    if (error) *error = std::move(why);
    return false;
  };
  const std::string key(name);
  if (name == kUnplug) {
    const auto count = ParseCount(value);
    if (!count)
      return refuse("unplug-after-bytes needs a byte count, not \"" + std::string(value) + "\"");
    return db_->Transaction([&] {
      return db_->Exec("INSERT OR REPLACE INTO fault(name, value) VALUES(?, ?)",
                       {key, std::to_string(*count)}) &&
             SetCounter(*db_, "bytes_crossed", 0) && SetCounter(*db_, "unplugged", 0);
    }) || refuse("cannot write the link state");
  }
  if (name == kExportFile) {
    std::error_code ec;
    if (value.empty() || !std::filesystem::is_regular_file(value, ec)) {
      return refuse("export-file needs an existing file, not \"" + std::string(value) + "\"");
    }
    const std::string absolute = std::filesystem::absolute(value, ec).string();
    return db_->Exec("INSERT OR REPLACE INTO fault(name, value) VALUES(?, ?)", {key, absolute}) ||
           refuse("cannot write the link state");
  }
  if (name == kDiskFull || name == kAgentHangs || name == kAgentMissing) {
    const auto on = ParseSwitch(value);
    if (!on) return refuse(key + " takes on or off, not \"" + std::string(value) + "\"");
    const bool ok =
        *on ? db_->Exec("INSERT OR REPLACE INTO fault(name, value) VALUES(?, '1')", {key})
            : db_->Exec("DELETE FROM fault WHERE name = ?", {key});
    return ok || refuse("cannot write the link state");
  }
  return refuse("unknown fault \"" + key + "\"");
}

bool LinkState::ClearFaults() {
  return db_->Transaction(
      [&] { return db_->Exec("DELETE FROM fault") && db_->Exec("DELETE FROM counter"); });
}

bool LinkState::Unplugged() {
  return Counter(*db_, "unplugged") != 0;
}

std::uint64_t LinkState::BytesCrossed() {
  return static_cast<std::uint64_t>(Counter(*db_, "bytes_crossed"));
}

std::uint64_t LinkState::Cross(std::uint64_t bytes) {
  std::uint64_t allowed = bytes;
  const bool ok = db_->Transaction([&] {
    const auto limit = ReadFaults().unplug_after_bytes;
    if (!limit) return true;
    const auto crossed = static_cast<std::uint64_t>(Counter(*db_, "bytes_crossed"));
    const std::uint64_t left = *limit > crossed ? *limit - crossed : 0;
    allowed = std::min(bytes, left);
    const std::uint64_t now = crossed + allowed;
    return SetCounter(*db_, "bytes_crossed", static_cast<std::int64_t>(now)) &&
           (now < *limit || SetCounter(*db_, "unplugged", 1));
  });
  return ok ? allowed : 0;
}

}  // namespace velmora::handheld
