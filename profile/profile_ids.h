// Storing a new profile under the next free id on a profile database that several desktops may
// write at once (a team's server): the id is the largest ProfID + 1, read right before the
// insert; when another desktop took that id in the meantime the insert fails on the primary
// key, and the profile is stored again under the next id. Nothing else is retried.
#pragma once

#include <string>
#include <vector>

#include "profile/mapping_rules.h"
#include "profile/profile_record.h"

namespace velmora::profile {

class ProfileStore;

inline constexpr int kIdAttempts = 50;

// Inserts `record` (no mapping) under the next id, written into record.prof_id.
bool InsertNewProfile(ProfileStore& store, ProfileRecord& record, std::string* error_text);

// Writes `record` with its checked mapping under the next id, written into record.prof_id.
ProfileWrite WriteNewProfileWithMapping(db::Connection& database, ProfileStore& store,
                                        ProfileRecord& record,
                                        const std::vector<const MappingListRow*>& mapped,
                                        int table_count, const ColumnTypeLookup& type_of,
                                        const WriteLog& log);

}  // namespace velmora::profile
