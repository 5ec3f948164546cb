// The rules by which the properties pane changes a stored profile's sync settings in place:
// a new sync type (refused where it would contradict another profile of the same user and
// category or of the same target table), a new handheld user (after a question), and storing
// the settings. Used by CPropertiesView and its tests; shows messages through the prompt seam.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "profile/profile_record.h"
#include "profile/profile_rules.h"

namespace velmora::profile {
class ProfileStore;
}

namespace velmora::desktop {

// How the pane answers a new sync type (the rule of profile/profile_rules.h).
using profile::ChangeSyncType;
using profile::SyncTypeChange;

// The values the pane's controls hold when the settings are stored.
struct PaneValues {
  int sync_type_index = 0;
  std::string user_name;
  int sync_on = 0;
  int date_index = 0;
  int day_index = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// Reads the controls into `record` (a CSV export profile keeps its type) and runs the update;
// ProfStatus becomes 2 unless it is 1. False when the update failed.
bool StoreSettings(const PaneValues& values, profile::ProfileRecord& record,
                   profile::ProfileStore& store);

// A change of handheld user: asks, checks and stores. `record` keeps the old user on every
// refusal. Returns true when the new user was stored.
bool ChangeHandheldUser(std::string_view new_user, const PaneValues& values,
                        profile::ProfileRecord& record, profile::ProfileStore& store);

}  // namespace velmora::desktop
