// A handheld bound to an address book for the CardDAV tests, with the agent run in process:
// the desktop's part (test.pdb, category.css, SyncFlag) is played by writing the handheld's
// files and registry directly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "handheld/carddav/binding.h"
#include "handheld/store/contact_store.h"
#include "tests/support/temp_dir.h"

namespace velmora::testing {

// A contact with First and Last names and Categories.
handheld::Contact Person(const std::string& first, const std::string& last,
                         const std::string& categories = "");

class BoundHandheld {
 public:
  explicit BoundHandheld(const carddav::Binding& binding);
  bool ok() const { return ok_; }
  const std::filesystem::path& folder() const { return folder_; }

  // Leaves `contacts` as "test.pdb" and, when `category` is not empty, "category.css" naming it.
  void Send(const std::vector<handheld::Contact>& contacts, const std::string& category = "");
  // Runs the agent on request `code`; the Outcome it left (1 done, 2 failed), 0 when Flag was
  // not set.
  std::uint32_t Run(std::uint32_t code);
  // First and Last of each record of "Contact1.pim", sorted.
  std::vector<std::string> ExportedNames() const;
  bool ExportExists() const;
  // What `velmora-device log` prints.
  std::string Log() const;

 private:
  TempDir dir_;
  std::filesystem::path folder_;
  bool ok_ = false;
};

}  // namespace velmora::testing
