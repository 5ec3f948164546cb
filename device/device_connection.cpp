#include "device/device_connection.h"

#include <poll.h>

#include <cstring>

#include "device/rapi_abi.h"
#include "platform/text/utf.h"

namespace velmora::device {
namespace {

// Waits until the descriptor carried by RAPI's event becomes readable.
bool EventSignalled(HANDLE event, std::chrono::milliseconds wait) {
  const auto fd = static_cast<int>(reinterpret_cast<intptr_t>(event));
  if (fd < 0) return false;
  pollfd entry{fd, POLLIN, 0};
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (true) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    const int rc = ::poll(&entry, 1, static_cast<int>(std::max<std::int64_t>(left.count(), 0)));
    if (rc > 0) return (entry.revents & POLLIN) != 0;
    if (rc == 0 || errno != EINTR) return false;
  }
}

}  // namespace

bool StartDeviceConnection(const RapiLibrary& rapi, std::chrono::milliseconds wait) {
  const auto init = rapi.Lookup<CeRapiInitExFn>("CeRapiInitEx");
  if (!init) return false;
  RAPIINIT record{};
  record.cbSize = sizeof(RAPIINIT);
  if (init(&record) < 0) return false;
  return EventSignalled(record.heRapiInit, wait) && record.hrRapiInit >= 0;
}

bool EndDeviceConnection(const RapiLibrary& rapi) {
  const auto uninit = rapi.Lookup<CeRapiUninitFn>("CeRapiUninit");
  if (!uninit) return false;
  uninit();
  return true;
}

bool RestartDeviceConnection(const RapiLibrary& rapi, std::chrono::milliseconds wait) {
  EndDeviceConnection(rapi);
  return StartDeviceConnection(rapi, wait);
}

std::string ReadDeviceOwnerName(const RapiLibrary& rapi, std::string* whole) {
  if (whole) whole->clear();
  const auto create_key = rapi.Lookup<CeRegCreateKeyExFn>("CeRegCreateKeyEx");
  const auto query = rapi.Lookup<CeRegQueryValueExFn>("CeRegQueryValueEx");
  const auto close_key = rapi.Lookup<CeRegCloseKeyFn>("CeRegCloseKey");
  if (!create_key || !query || !close_key) return {};
  static const std::u16string kIdent = u"\\Ident";
  static const std::u16string kName = u"Name";
  HKEY key = nullptr;
  DWORD disposition = 0;
  if (create_key(HKEY_LOCAL_MACHINE, reinterpret_cast<LPCWSTR>(kIdent.c_str()), 0, nullptr, 0, 0,
                 nullptr, &key, &disposition) != ERROR_SUCCESS) {
    return {};
  }
  constexpr DWORD kBufferBytes = 768;
  BYTE buffer[kBufferBytes] = {};
  DWORD type = REG_BINARY;
  DWORD size = kBufferBytes;
  std::string name;
  if (query(key, reinterpret_cast<LPCWSTR>(kName.c_str()), nullptr, &type, buffer, &size) ==
      ERROR_SUCCESS) {
    std::u16string units;
    for (DWORD i = 0; i + 1 < std::min(size, kBufferBytes); i += 2) {
      const char16_t unit = static_cast<char16_t>(buffer[i] | (buffer[i + 1] << 8));
      if (unit == 0) break;
      units.push_back(unit);
    }
    name = text::Utf16ToUtf8(units);
    if (whole) *whole = name;
    name.resize(text::Utf8PrefixAtBoundary(name, kOwnerNameMaxBytes));
  }
  close_key(key);
  return name;
}

}  // namespace velmora::device
