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
#include "transfer/pdb_reader.h"

namespace velmora::sorrelin {

// A checked "test.pdb" read one record at a time, so that a large file's contacts need never
// all be in memory at once: the file's bytes are, its contacts are not.
class ContactRecords {
 public:
  // A transfer file: columns whose names match no handheld field are left out (named in
  // `note`). Nothing, with `problem`, when the file is missing or damaged.
  static std::optional<ContactRecords> OpenTransfer(const std::filesystem::path& file,
                                                    std::string* problem, std::string* note);
  // A backup file: the 46 fields as columns in code order.
  static std::optional<ContactRecords> OpenBackup(const std::filesystem::path& file,
                                                  std::string* problem);

  long Count() const { return pdb_.RecordCount(); }
  // Record `record` (0 … Count() - 1) as a contact.
  handheld::Contact ContactAt(long record) const;

 private:
  ContactRecords() = default;
  transfer::PdbReader pdb_;
  std::vector<std::pair<int, int>> columns_;  // column → field
};

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
