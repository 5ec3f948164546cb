// The agent's readers of the contact record file the desktop leaves as "test.pdb" and its
// writer of the export. A transfer file names its columns after handheld fields; a backup file
// has the 46 fields as text columns in code order. Used by the agent only. Never throws; a file
// that cannot be trusted yields nothing and the reason.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "handheld/store/contact_store.h"

namespace velmora::sorrelin {

// One contact per record; columns whose names match no handheld field are left out (named in
// `note`). Nothing, with `problem`, when the file is missing or damaged.
std::optional<std::vector<handheld::Contact>> ReadTransferContacts(
    const std::filesystem::path& file, std::string* problem, std::string* note);
std::optional<std::vector<handheld::Contact>> ReadBackupContacts(const std::filesystem::path& file,
                                                                 std::string* problem);

// Writes the export file of `contacts`; false with `problem` when it cannot.
bool WriteExport(const std::filesystem::path& file, const std::vector<handheld::Contact>& contacts,
                 std::string* problem);

// One line for each text of `contacts` longer than the export keeps ("record R, field F: K of N
// characters kept"), so that what does not travel whole is said.
std::vector<std::string> ExportCuts(const std::vector<handheld::Contact>& contacts);

}  // namespace velmora::sorrelin
