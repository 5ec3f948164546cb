// The registry of an emulated handheld, kept in an SQLite file in its folder so that the RAPI
// library in the desktop's processes and the agent's process can read and write it at once.
// Used by the RAPI library stand-in, the agent and velmora-device. Never throws.
//
// Keys are backslash-separated paths below a root; leading, trailing and doubled backslashes
// are ignored. Key and value names compare without regard to ASCII case. Value data is kept as
// the bytes RAPI passes (REG_SZ as UTF-16LE with its terminator, REG_DWORD as 4 bytes
// little-endian).
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace velmora::handheld {

enum class DeviceRoot : std::uint32_t {
  kClassesRoot = 0x80000000u,
  kCurrentUser = 0x80000001u,
  kLocalMachine = 0x80000002u,
};

// The root for an HKEY value; none for anything else.
std::optional<DeviceRoot> DeviceRootFromHandle(std::uintptr_t value);

struct RegistryData {
  std::uint32_t type = 0;
  std::string bytes;
};

class SqliteDb;

class DeviceRegistry {
 public:
  // Opens (creating when `create`) the registry file of `handheld`; none when it cannot.
  static std::unique_ptr<DeviceRegistry> Open(const std::filesystem::path& handheld, bool create);
  ~DeviceRegistry();

  bool KeyExists(DeviceRoot root, std::string_view key);
  // Creates the key and every key above it; `created` tells whether it was new.
  bool CreateKey(DeviceRoot root, std::string_view key, bool* created = nullptr);
  std::optional<RegistryData> Read(DeviceRoot root, std::string_view key, std::string_view name);
  // Creates the key when needed.
  bool Write(DeviceRoot root, std::string_view key, std::string_view name,
             const RegistryData& data);

  std::optional<std::uint32_t> ReadDword(DeviceRoot root, std::string_view key,
                                         std::string_view name);
  bool WriteDword(DeviceRoot root, std::string_view key, std::string_view name,
                  std::uint32_t value);
  // REG_SZ as UTF-8, up to its first terminator.
  std::optional<std::string> ReadString(DeviceRoot root, std::string_view key,
                                        std::string_view name);
  bool WriteString(DeviceRoot root, std::string_view key, std::string_view name,
                   std::string_view value);

  // "Ident" with leading/trailing/doubled backslashes dropped.
  static std::string NormaliseKey(std::string_view key);

 private:
  explicit DeviceRegistry(std::unique_ptr<SqliteDb> db);
  std::unique_ptr<SqliteDb> db_;
};

}  // namespace velmora::handheld
