// The conduit's backups: the rotating copies of a profile's desktop rows taken before a
// device-to-desktop run (four generations per owner and profile in the Backup folder), and the
// device contacts backup "DeviceContactsBackup.pdb" taken before a run that overwrites the
// device. Both are contact PDB files, written aside and renamed into place.
#pragma once

#include <filesystem>
#include <string_view>

#include "conduit/run_context.h"
#include "db/connection.h"
#include "profile/profile_record.h"

namespace velmora::conduit {

inline constexpr int kBackupGenerations = 4;

// Application folder + "Backup/Backup_" + generation + "_" + owner + "_" + profile + ".pdb".
std::filesystem::path CustomBackupPath(const std::filesystem::path& app_folder,
                                       std::string_view owner, std::string_view prof_name,
                                       int generation);
// Makes room for a new generation 1: the oldest (4) goes when all four exist, the others move
// up by one. False when a rename or delete failed.
bool RotateCustomBackups(const std::filesystem::path& app_folder, std::string_view owner,
                         std::string_view prof_name);

// Rotates and writes every row of the profile's table (`table_in_statement`, as a statement
// names it) as generation 1; true only when the whole file is on disk. The whole table, not
// only the rows of the profile's query: a run that overwrites the table deletes every row, and
// a restore replaces every row, so a backup must hold them all.
bool BackupCustomDatabase(RunContext& context, const profile::ProfileRecord& profile,
                          db::Connection& custom_db, const std::string& table_in_statement);

// Application folder + "DeviceContactsBackup.pdb".
std::filesystem::path DeviceBackupPath(const std::filesystem::path& app_folder);

// Fetches every device contact and replaces the device backup with them; the previous backup
// stays when any step fails. True only when the new backup is in place.
bool BackupDeviceContacts(RunContext& context);

}  // namespace velmora::conduit
