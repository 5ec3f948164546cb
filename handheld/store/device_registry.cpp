#include "handheld/store/device_registry.h"

#include "handheld/store/handheld_layout.h"
#include "handheld/store/sqlite_db.h"
#include "platform/text/utf.h"

namespace velmora::handheld {
namespace {

constexpr std::string_view kSchema =
    "CREATE TABLE IF NOT EXISTS reg_key(root INTEGER NOT NULL, path TEXT NOT NULL COLLATE "
    "NOCASE, PRIMARY KEY(root, path));"
    "CREATE TABLE IF NOT EXISTS reg_value(root INTEGER NOT NULL, path TEXT NOT NULL COLLATE "
    "NOCASE, name TEXT NOT NULL COLLATE NOCASE, type INTEGER NOT NULL, data BLOB, "
    "PRIMARY KEY(root, path, name));";

constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegDword = 4;

std::int64_t RootId(DeviceRoot root) {
  return static_cast<std::int64_t>(root);
}

}  // namespace

std::optional<DeviceRoot> DeviceRootFromHandle(std::uintptr_t value) {
  switch (value) {
    case 0x80000000u:
      return DeviceRoot::kClassesRoot;
    case 0x80000001u:
      return DeviceRoot::kCurrentUser;
    case 0x80000002u:
      return DeviceRoot::kLocalMachine;
    default:
      return std::nullopt;
  }
}

std::unique_ptr<DeviceRegistry> DeviceRegistry::Open(const std::filesystem::path& handheld,
                                                     bool create) {
  auto db = SqliteDb::Open(RegistryFile(handheld), create, kSchema);
  if (!db) return nullptr;
  return std::unique_ptr<DeviceRegistry>(new DeviceRegistry(std::move(db)));
}

DeviceRegistry::DeviceRegistry(std::unique_ptr<SqliteDb> db) : db_(std::move(db)) {}
DeviceRegistry::~DeviceRegistry() = default;

std::string DeviceRegistry::NormaliseKey(std::string_view key) {
  std::string out;
  for (char c : key) {
    if (c == '\\') {
      if (!out.empty() && out.back() != '\\') out.push_back('\\');
    } else {
      out.push_back(c);
    }
  }
  if (!out.empty() && out.back() == '\\') out.pop_back();
  return out;
}

bool DeviceRegistry::KeyExists(DeviceRoot root, std::string_view key) {
  const std::string path = NormaliseKey(key);
  if (path.empty()) return true;
  return db_->QueryInt("SELECT 1 FROM reg_key WHERE root = ? AND path = ?", {RootId(root), path})
      .has_value();
}

namespace {

// Inserts every key on the path of `path`; true with `created` when the last one was new.
bool InsertKeyPath(SqliteDb& db, std::int64_t root, const std::string& path, bool* created) {
  bool last_new = false;
  for (std::size_t end = 0; end != std::string::npos;) {
    end = path.find('\\', end + 1);
    if (!db.Exec("INSERT OR IGNORE INTO reg_key(root, path) VALUES(?, ?)",
                 {root, path.substr(0, end)})) {
      return false;
    }
    last_new = sqlite3_changes(db.Raw()) > 0;
  }
  if (created) *created = last_new;
  return true;
}

}  // namespace

bool DeviceRegistry::CreateKey(DeviceRoot root, std::string_view key, bool* created) {
  const std::string path = NormaliseKey(key);
  if (created) *created = false;
  if (path.empty()) return true;
  return db_->Transaction([&] { return InsertKeyPath(*db_, RootId(root), path, created); });
}

std::optional<RegistryData> DeviceRegistry::Read(DeviceRoot root, std::string_view key,
                                                 std::string_view name) {
  SqliteStatement stmt(db_->Raw(),
                       "SELECT type, data FROM reg_value WHERE root = ? AND path = ? AND name = ?");
  if (!stmt.Bind({RootId(root), NormaliseKey(key), std::string(name)}) || !stmt.Step()) {
    return std::nullopt;
  }
  return RegistryData{static_cast<std::uint32_t>(stmt.Int(0)), stmt.Text(1)};
}

bool DeviceRegistry::Write(DeviceRoot root, std::string_view key, std::string_view name,
                           const RegistryData& data) {
  const std::string path = NormaliseKey(key);
  return db_->Transaction([&] {
    return (path.empty() || InsertKeyPath(*db_, RootId(root), path, nullptr)) &&
           db_->Exec(
               "INSERT INTO reg_value(root, path, name, type, data) VALUES(?, ?, ?, ?, ?) "
               "ON CONFLICT(root, path, name) DO UPDATE SET type = excluded.type, "
               "data = excluded.data",
               {RootId(root), path, std::string(name), static_cast<std::int64_t>(data.type),
                SqlBlob{data.bytes}});
  });
}

std::optional<std::uint32_t> DeviceRegistry::ReadDword(DeviceRoot root, std::string_view key,
                                                       std::string_view name) {
  const auto data = Read(root, key, name);
  if (!data || data->type != kRegDword || data->bytes.size() < 4) return std::nullopt;
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) {
    value = (value << 8) | static_cast<unsigned char>(data->bytes[static_cast<std::size_t>(i)]);
  }
  return value;
}

bool DeviceRegistry::WriteDword(DeviceRoot root, std::string_view key, std::string_view name,
                                std::uint32_t value) {
  std::string bytes(4, '\0');
  for (int i = 0; i < 4; ++i)
    bytes[static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
  return Write(root, key, name, {kRegDword, bytes});
}

std::optional<std::string> DeviceRegistry::ReadString(DeviceRoot root, std::string_view key,
                                                      std::string_view name) {
  const auto data = Read(root, key, name);
  if (!data || data->type != kRegSz) return std::nullopt;
  std::u16string units;
  for (std::size_t i = 0; i + 1 < data->bytes.size(); i += 2) {
    const char16_t unit =
        static_cast<char16_t>(static_cast<unsigned char>(data->bytes[i]) |
                              (static_cast<unsigned char>(data->bytes[i + 1]) << 8));
    if (unit == 0) break;
    units.push_back(unit);
  }
  return text::Utf16ToUtf8(units);
}

bool DeviceRegistry::WriteString(DeviceRoot root, std::string_view key, std::string_view name,
                                 std::string_view value) {
  std::string bytes;
  for (char16_t unit : text::Utf8ToUtf16(value)) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  bytes.append(2, '\0');
  return Write(root, key, name, {kRegSz, bytes});
}

}  // namespace velmora::handheld
