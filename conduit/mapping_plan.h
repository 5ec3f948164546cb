// The field mapping of one profile run, read once from the profile database: every mapped
// desktop column (made bare, whether the profile stored it bare or between double quotes) with
// its device field and stored type, and the check of that mapping against the columns that the
// run's query delivers. Used by the desktop-to-device and the device-to-desktop runs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "conduit/run_context.h"
#include "profile/profile_store.h"

namespace velmora::db {
class Connection;
}

namespace velmora::conduit {

struct MappingPlan {
  // Mapping rows with a column name, in the order the store gives them; names are bare.
  std::vector<profile::TypedMapping> rows;
  // The number of value slots a transfer record reserves: every mapping row that names a
  // column, also one whose device field is not in the catalogue.
  long slot_count = 0;
};

// A mapped column name as stored, made bare: a name between double quotes loses them, and a
// table-qualified name kept as two quoted parts ("Table"."Column") becomes Table.Column, the
// form of the run's column-name list. Any other name is returned as it is.
std::string BareColumnName(std::string_view stored);

// An empty plan when the profile has no mapping rows or they cannot be read.
MappingPlan ReadMappingPlan(db::Connection& profile_db, long prof_id);

// The first mapping row of the bare column name `column`; null when none maps it.
const profile::TypedMapping* FindMapping(const MappingPlan& plan, std::string_view column);

// The mapped names that are not among `columns` (bare names), each once, in plan order.
std::vector<std::string> UnmatchedNames(const MappingPlan& plan,
                                        const std::vector<std::string>& columns);

// Checks the plan against the columns the query delivers before anything is sent or written:
// logs each mapped name that matches no column. When the plan is empty or not one mapped name
// matches, logs that the profile moves nothing, sets the run error flag and returns false.
bool CheckMappingAgainstColumns(RunContext& context, const MappingPlan& plan,
                                const std::vector<std::string>& columns);

}  // namespace velmora::conduit
