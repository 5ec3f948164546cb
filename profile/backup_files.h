// The desktop file names of a profile's linked-table backups, as the conduit writes them and the
// desktop manager restores and deletes them, and the rule that makes an owner or profile name
// safe as part of a file name. One rule for every program, so that a backup written by one is
// found by the others. Pure text work, no I/O.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace velmora::profile {

// Generations kept per profile: 1 is the newest.
inline constexpr int kTableBackupGenerations = 4;

// `name` with "/" and NUL replaced by "_"; "." becomes "_" and ".." becomes "__". Every other
// character is kept, so a name never leads outside the folder it is placed in.
std::string SafeFileNamePart(std::string_view name);

// Application folder + "Backup/Backup_" + generation + "_" + owner + "_" + profile + ".pdb",
// owner and profile made safe by SafeFileNamePart.
std::filesystem::path TableBackupFile(const std::filesystem::path& app_folder,
                                      std::string_view owner, std::string_view prof_name,
                                      int generation);

}  // namespace velmora::profile
