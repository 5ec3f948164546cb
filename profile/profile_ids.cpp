#include "profile/profile_ids.h"

#include "profile/profile_store.h"

namespace velmora::profile {
namespace {

// A failed insert under `prof_id` lost the race when that id is now in use (by someone else:
// this insert was rolled back or never happened) and a later one is free to try.
bool IdTakenMeanwhile(ProfileStore& store, long prof_id) {
  return store.Profile(prof_id).has_value();
}

}  // namespace

bool InsertNewProfile(ProfileStore& store, ProfileRecord& record, std::string* error_text) {
  for (int attempt = 0; attempt < kIdAttempts; ++attempt) {
    record.prof_id = store.NextProfileId();
    if (record.prof_id < 1) break;
    if (store.InsertProfile(record, error_text)) return true;
    if (!IdTakenMeanwhile(store, record.prof_id)) return false;
  }
  return false;
}

ProfileWrite WriteNewProfileWithMapping(db::Connection& database, ProfileStore& store,
                                        ProfileRecord& record,
                                        const std::vector<const MappingListRow*>& mapped,
                                        int table_count, const ColumnTypeLookup& type_of,
                                        const WriteLog& log) {
  ProfileWrite write;
  for (int attempt = 0; attempt < kIdAttempts; ++attempt) {
    record.prof_id = store.NextProfileId();
    if (record.prof_id < 1) break;
    write =
        WriteProfileWithMapping(database, store, record, mapped, false, table_count, type_of, log);
    if (write.ok || !IdTakenMeanwhile(store, record.prof_id)) return write;
  }
  return write;
}

}  // namespace velmora::profile
