// The folder of an emulated handheld and what lies in it: `files/` (its file system), the device
// registry, the contacts store, the link state with the fault switches, the installed agent.
// Used by the RAPI library stand-in, the agent stand-in and velmora-device. Never throws.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace velmora::handheld {

std::filesystem::path FilesRoot(const std::filesystem::path& handheld);
std::filesystem::path RegistryFile(const std::filesystem::path& handheld);
std::filesystem::path ContactsFile(const std::filesystem::path& handheld);
std::filesystem::path LinkFile(const std::filesystem::path& handheld);

// The agent is installed as "\Windows\Sorrelin.exe": a text file holding the absolute path of
// the desktop program that plays it. Its own log is "\Windows\Sorrelin.log".
inline constexpr const char* kAgentDevicePath = "\\Windows\\Sorrelin.exe";
inline constexpr const char* kAgentLogDevicePath = "\\Windows\\Sorrelin.log";
inline constexpr const char* kAgentProgramFile = "sorrelin";

// True when `handheld` holds the files of a handheld.
bool IsHandheld(const std::filesystem::path& handheld);

// Lays out a new handheld in `handheld` (created when missing; refused when it already holds a
// handheld): "\My Documents\Contact", "\Windows", `\Ident` `Name` = owner, an empty contacts
// store, and the agent when `agent_program` is given. On failure `error` says why.
bool CreateHandheld(const std::filesystem::path& handheld, const std::string& owner,
                    const std::optional<std::filesystem::path>& agent_program, std::string* error);

// The desktop program recorded for the installed agent; none when no agent is installed.
std::optional<std::filesystem::path> InstalledAgentProgram(const std::filesystem::path& handheld);

// Appends one line (a time stamp, then `text`) to the agent's log on the handheld.
void AppendAgentLog(const std::filesystem::path& handheld, const std::string& text);

}  // namespace velmora::handheld
