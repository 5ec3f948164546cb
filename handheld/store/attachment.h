// Which emulated handheld is attached to this desktop, and the partnerships ActiveSync keeps
// for handheld owners, both on the desktop registry stand-in. Used by the RAPI library stand-in
// (to find the handheld that answers) and velmora-device. Never throws.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace velmora::handheld {

// HKCU, value `HandheldFolder` (REG_SZ, absolute path).
inline constexpr const char* kConnectionKey =
    "Software\\Microsoft\\Windows CE Services\\Connection";
inline constexpr const char* kConnectionValue = "HandheldFolder";
// HKCU, subkeys P1, P2, … each with REG_SZ `DisplayName`.
inline constexpr const char* kPartnersKey = "Software\\Microsoft\\Windows CE Services\\Partners";
// HKLM; every REG_SZ value is a command line.
inline constexpr const char* kAutoStartOnConnectKey =
    "SOFTWARE\\Microsoft\\Windows CE Services\\AutoStartOnConnect";
inline constexpr const char* kAutoStartOnDisconnectKey =
    "SOFTWARE\\Microsoft\\Windows CE Services\\AutoStartOnDisconnect";

std::optional<std::filesystem::path> AttachedHandheld();
bool AttachHandheld(const std::filesystem::path& handheld);
bool DetachHandheld();

// Adds partnership P<n> for `owner` unless one has that DisplayName; true when one exists
// afterwards. `created` tells whether it was new.
bool EnsurePartnership(const std::string& owner, bool* created = nullptr);

}  // namespace velmora::handheld
