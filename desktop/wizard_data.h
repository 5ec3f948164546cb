// What the profile wizard's pages share while it runs: the profile being built, the wizard
// mode, the category choice of the first page, the data-source flag, the tables and field
// texts of the table page. Owned by the wizard; plain data, no behaviour.
#pragma once

#include <string>
#include <vector>

#include "profile/profile_record.h"

namespace velmora::desktop {

enum class WizardMode { kNewProfile = 0, kFieldMapping = 1 };

struct WizardData {
  WizardMode mode = WizardMode::kNewProfile;
  profile::ProfileRecord record;
  bool category_chosen = false;
  long category_id = 0;
  // Set by a successful connect on the data-source page only.
  bool data_source_chosen = false;
  int connection_type = 0;  // the kind of database found by that connect
  int table_count = 0;
  std::vector<std::string> remembered_fields;
  bool fixed_category = false;  // mapping page: the profile is bound to a category
};

}  // namespace velmora::desktop
