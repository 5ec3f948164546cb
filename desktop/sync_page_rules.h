// The rules of the wizard's first two pages without their widgets: the category choice of the
// sync type page, the enabling of the schedule controls, the file kinds the data-source half
// accepts and what a connected source writes into the profile, and the checks of Next and of
// Finish for a CSV export profile. Used by CSyncTypePage, CSyncPropertyPage and the tests.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "desktop/error_log.h"
#include "profile/data_source.h"
#include "profile/profile_record.h"

namespace velmora::profile {
class ProfileStore;
}

namespace velmora::desktop {

struct WizardData;

inline constexpr std::string_view kEditCategoriesEntry = "Edit Categories...";
inline constexpr std::string_view kSelectValidCategory = "Please select valid category";
inline constexpr std::string_view kDefaultProfileName = "MyProfile";
inline constexpr int kProfileNameLimit = 31;

// The sync type page's Next. `list_entries` are the category list's texts (the last one is
// "Edit Categories..."), `selected` the chosen position. Fills the category state of `data`
// and returns the refusal, nullopt to go on.
std::optional<std::string_view> SyncTypePageNext(bool category_ticked,
                                                 const std::vector<std::string>& list_entries,
                                                 std::optional<int> selected,
                                                 const std::vector<profile::Category>& categories,
                                                 WizardData& data);

// Enabled state of "Date:", "Day:" and the time picker.
struct ScheduleControls {
  bool date = false;
  bool day = false;
  bool time = false;
  friend bool operator==(const ScheduleControls&, const ScheduleControls&) = default;
};
// For "Sync On:" = `sync_on`. On the wizard page "Only Once" keeps `current`; in the
// properties pane (`in_pane`) it disables all three.
ScheduleControls ScheduleControlsFor(int sync_on, bool in_pane, ScheduleControls current);

using profile::DatabaseTypeOfFile;
using profile::DataSourceChoice;
using profile::FileDataSource;
using profile::NamedDataSource;

// Writes the choice and the credentials into the record and sets the data-source flag.
void SetDataSource(const DataSourceChoice& choice, std::string_view user, std::string_view password,
                   WizardData& data);

// The values of the property page that Next and Finish copy into the record.
struct PropertyPageValues {
  std::string prof_name;
  std::vector<std::string> users;  // the user list; empty when there is no handheld user
  int user_index = 0;
  int sync_on = 0;
  int date_index = 0;  // Day = index + 1
  int day_index = 0;   // WeekDay
  profile::ProfileDateTime time;
};
void FillRecordFromPage(const PropertyPageValues& page, long prof_id, WizardData& data);

// The property page's Next: every check in order; returns the messages to show (empty: go on).
// `linked_connected` is the state of the linked database.
std::vector<std::string_view> PropertyPageNext(const PropertyPageValues& page,
                                               bool linked_connected, profile::ProfileStore& store,
                                               WizardData& data);

// Finish of a CSV export profile: checks, logs and inserts. Returns the messages to show and
// whether the wizard may end.
struct FinishResult {
  std::vector<std::string> messages;
  bool finished = false;
  bool saved = false;
};
FinishResult PropertyPageFinish(const PropertyPageValues& page, profile::ProfileStore& store,
                                const DesktopErrorLog& log, WizardData& data);

// The lines "PROFILE DATABASE FIELDS CONTENTS:" … that both Finish buttons log; the mapping
// page adds status and last sync time.
void LogProfileValues(const profile::ProfileRecord& record, bool with_status,
                      const DesktopErrorLog& log);

}  // namespace velmora::desktop
