// Registry entry points of the emulated RAPI library over the handheld's registry file. As on
// the device, the access mask is not checked.
#include <cstring>

#include "handheld/rapi-emu/emu_state.h"

#define RAPI_EXPORT extern "C" __attribute__((visibility("default")))

namespace velmora::rapi_emu {
namespace {

// Root and key path of a key handle; none for a handle that is neither a root nor open.
std::optional<OpenKey> KeyOf(EmuState& state, HKEY key) {
  const auto value = reinterpret_cast<std::uintptr_t>(key);
  if (const auto root = handheld::DeviceRootFromHandle(value)) return OpenKey{*root, ""};
  auto* object = state.Find(value);
  if (const auto* open = object ? std::get_if<OpenKey>(object) : nullptr) return *open;
  return std::nullopt;
}

std::string Name(LPCWSTR name) {
  return name ? Utf8Path(name, nullptr) : std::string();
}

std::string SubkeyPath(const OpenKey& base, LPCWSTR sub_key) {
  const std::string sub = Name(sub_key);
  return handheld::DeviceRegistry::NormaliseKey(base.path + "\\" + sub);
}

}  // namespace
}  // namespace velmora::rapi_emu

using namespace velmora::rapi_emu;

RAPI_EXPORT LONG CeRegCreateKeyEx(HKEY key, LPCWSTR sub_key, DWORD, LPWSTR, DWORD, REGSAM,
                                  LPSECURITY_ATTRIBUTES, PHKEY result, LPDWORD disposition) {
  BeginCall();
  Trace("CeRegCreateKeyEx");
  auto& state = EmuState::Instance();
  auto lock = state.Lock();
  if (!state.Available()) return ERROR_DEVICE_NOT_CONNECTED;
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  const auto base = KeyOf(state, key);
  if (!base) return ERROR_INVALID_HANDLE;
  const OpenKey opened{base->root, SubkeyPath(*base, sub_key)};
  bool created = false;
  if (!state.Registry().CreateKey(opened.root, opened.path, &created)) return ERROR_ACCESS_DENIED;
  *result = reinterpret_cast<HKEY>(state.Add(opened));
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

RAPI_EXPORT LONG CeRegOpenKeyEx(HKEY key, LPCWSTR sub_key, DWORD, REGSAM, PHKEY result) {
  BeginCall();
  Trace("CeRegOpenKeyEx");
  auto& state = EmuState::Instance();
  auto lock = state.Lock();
  if (!state.Available()) return ERROR_DEVICE_NOT_CONNECTED;
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  const auto base = KeyOf(state, key);
  if (!base) return ERROR_INVALID_HANDLE;
  const OpenKey opened{base->root, SubkeyPath(*base, sub_key)};
  if (!state.Registry().KeyExists(opened.root, opened.path)) return ERROR_FILE_NOT_FOUND;
  *result = reinterpret_cast<HKEY>(state.Add(opened));
  return ERROR_SUCCESS;
}

RAPI_EXPORT LONG CeRegQueryValueEx(HKEY key, LPCWSTR value_name, LPDWORD, LPDWORD type, BYTE* data,
                                   LPDWORD data_size) {
  BeginCall();
  Trace("CeRegQueryValueEx");
  auto& state = EmuState::Instance();
  auto lock = state.Lock();
  if (!state.Available()) return ERROR_DEVICE_NOT_CONNECTED;
  const auto base = KeyOf(state, key);
  if (!base) return ERROR_INVALID_HANDLE;
  if (data != nullptr && data_size == nullptr) return ERROR_INVALID_PARAMETER;
  const auto value = state.Registry().Read(base->root, base->path, Name(value_name));
  if (!value) return ERROR_FILE_NOT_FOUND;
  if (type) *type = value->type;
  const auto size = static_cast<DWORD>(value->bytes.size());
  if (data != nullptr) {
    if (*data_size < size) {
      *data_size = size;
      return ERROR_MORE_DATA;
    }
    std::memcpy(data, value->bytes.data(), size);
  }
  if (data_size) *data_size = size;
  return ERROR_SUCCESS;
}

RAPI_EXPORT LONG CeRegSetValueEx(HKEY key, LPCWSTR value_name, DWORD, DWORD type, const BYTE* data,
                                 DWORD data_size) {
  BeginCall();
  Trace("CeRegSetValueEx");
  auto& state = EmuState::Instance();
  auto lock = state.Lock();
  if (!state.Available()) return ERROR_DEVICE_NOT_CONNECTED;
  const auto base = KeyOf(state, key);
  if (!base) return ERROR_INVALID_HANDLE;
  if (data == nullptr && data_size > 0) return ERROR_INVALID_PARAMETER;
  if (type == REG_DWORD && data_size != 4) return ERROR_INVALID_PARAMETER;
  velmora::handheld::RegistryData value{
      type, std::string(reinterpret_cast<const char*>(data), data ? data_size : 0)};
  return state.Registry().Write(base->root, base->path, Name(value_name), value)
             ? ERROR_SUCCESS
             : ERROR_ACCESS_DENIED;
}

RAPI_EXPORT LONG CeRegCloseKey(HKEY key) {
  BeginCall();
  Trace("CeRegCloseKey");
  auto& state = EmuState::Instance();
  auto lock = state.Lock();
  const auto value = reinterpret_cast<std::uintptr_t>(key);
  if (velmora::handheld::DeviceRootFromHandle(value)) return ERROR_SUCCESS;
  auto* object = state.Find(value);
  if (!object || !std::get_if<OpenKey>(object)) return ERROR_INVALID_HANDLE;
  state.Remove(value);
  return ERROR_SUCCESS;
}
