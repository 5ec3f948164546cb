// Starting and ending the connection to the handheld and reading its owner's name. Used by the
// conduit and the desktop manager over their program's RAPI library. Never throws; without a
// library or a handheld the operations report false or an empty name.
#pragma once

#include <chrono>
#include <string>

#include "device/rapi_library.h"

namespace velmora::device {

// How long StartDeviceConnection waits for RAPI's initialisation event.
inline constexpr std::chrono::milliseconds kDefaultConnectWait{5000};

// CeRapiInitEx, then a wait on its event for at most `wait`. True only when the event signalled
// and RAPI reported success: a handheld answers. Each start is balanced by one
// EndDeviceConnection, whether it connected or not.
bool StartDeviceConnection(const RapiLibrary& rapi,
                           std::chrono::milliseconds wait = kDefaultConnectWait);
// CeRapiUninit; true when the library is loaded.
bool EndDeviceConnection(const RapiLibrary& rapi);
bool RestartDeviceConnection(const RapiLibrary& rapi,
                             std::chrono::milliseconds wait = kDefaultConnectWait);

// The owner name of HKEY_LOCAL_MACHINE "\Ident" `Name`, UTF-8, cut to at most 34 bytes at a
// character boundary; empty when it cannot be read. Callers take empty as "no handheld".
// `whole`, when given, receives the name before the cut, so that a caller can say it was cut.
inline constexpr std::size_t kOwnerNameMaxBytes = 34;
std::string ReadDeviceOwnerName(const RapiLibrary& rapi, std::string* whole = nullptr);

}  // namespace velmora::device
