// Everything a profile run takes from the profile database, read once when the run reaches the
// profile (so that settings saved in the desktop manager since the list was filled are used):
// the profile row, its field mapping and its category. Every step of the run takes this value;
// no step goes back to the profile database, except the stamp of a run that went through.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "conduit/mapping_plan.h"
#include "profile/profile_record.h"

namespace velmora::db {
class Connection;
}

namespace velmora::conduit {

struct RunPlan {
  profile::ProfileRecord profile;
  // The profile's table text as the column-name list reads it (at most 254 characters).
  std::string table_text;
  // Read for the sync types that move mapped fields (0 to 3); empty for the others.
  MappingPlan mapping;
  // The category list; read only when the profile is bound to a category.
  std::vector<profile::Category> categories;
};

// None when the profile is no longer in the profile database or its row cannot be read.
std::optional<RunPlan> ReadRunPlan(db::Connection& profile_db, long prof_id);

// The name of the profile's category; empty when it has none or the category was deleted.
std::string CategoryName(const RunPlan& plan);

}  // namespace velmora::conduit
