// `velmora-profile migrate`: the profile database file of an application folder copied into a
// server data source (profiles with their mappings, categories), after which ProfileDSN names
// the server. A server that holds profiles already is left alone unless the copy is to merge:
// merged profiles take the server's next ids, and a profile whose user already has one of that
// name on the server is left out.
#pragma once

#include <filesystem>
#include <string>

namespace velmora::profilecli {

// Returns the exit status; `message` gets the result or the refusal.
int MigrateToServer(const std::filesystem::path& app_folder, const std::string& dsn, bool merge,
                    std::string* message);

}  // namespace velmora::profilecli
