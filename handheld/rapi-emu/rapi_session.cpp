// Connection entry points and the error codes of the emulated RAPI library.
#include "handheld/rapi-emu/emu_state.h"

#define RAPI_EXPORT extern "C" __attribute__((visibility("default")))

using velmora::rapi_emu::EmuState;

RAPI_EXPORT HRESULT CeRapiInitEx(RAPIINIT* init) {
  velmora::rapi_emu::BeginCall();
  velmora::rapi_emu::Trace("CeRapiInitEx");
  if (init == nullptr || init->cbSize != sizeof(RAPIINIT)) return RAPI_E_INVALIDARG;
  auto& state = EmuState::Instance();
  auto lock = state.Lock();
  bool connected = false;
  const int fd = state.Init(&connected);
  if (fd < 0) return RAPI_E_FAIL;
  init->heRapiInit = reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd));
  init->hrRapiInit = connected ? RAPI_S_OK : RAPI_E_DEVICE_NOT_CONNECTED;
  return RAPI_S_OK;
}

RAPI_EXPORT HRESULT CeRapiUninit(void) {
  velmora::rapi_emu::BeginCall();
  velmora::rapi_emu::Trace("CeRapiUninit");
  auto& state = EmuState::Instance();
  auto lock = state.Lock();
  return state.Uninit() ? RAPI_S_OK : RAPI_E_FAIL;
}

RAPI_EXPORT DWORD CeGetLastError(void) {
  return velmora::rapi_emu::LastError();
}

RAPI_EXPORT HRESULT CeRapiGetError(void) {
  return velmora::rapi_emu::RapiError();
}
