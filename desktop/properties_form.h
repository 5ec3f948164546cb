// What the properties pane shows for the current profile: the entries of its lists, the
// selection and enabling of each control, the heading, and the values its controls hand to the
// store. Used by CPropertiesView and its tests; Qt-free, reads and writes nothing.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "desktop/properties_rules.h"
#include "desktop/sync_page_rules.h"
#include "profile/profile_record.h"

namespace velmora::desktop {

inline constexpr std::string_view kCsvExportShown = "Import as a CSV file";

// Entries of the pane's lists, in list order (index = stored value; Date index + 1 = Day).
std::vector<std::string> PaneSyncTypeEntries();  // the first five sync types
std::vector<std::string> PaneSyncOnEntries();
std::vector<std::string> PaneDateEntries();  // "1" … "31"
std::vector<std::string> PaneDayEntries();   // "Sunday" … "Saturday"

// ProfName, followed by "( Category: NAME )" when the profile's category has a name.
std::string PaneHeading(const profile::ProfileRecord& record, std::string_view category_name);

// The state of the pane's controls for one profile, or for none.
struct PaneForm {
  bool enabled = false;  // the six controls
  std::string heading;
  bool csv_export = false;  // the read-only fields replace the Sync Type and user lists
  std::string csv_sync_type_text;
  std::string csv_user_text;
  int sync_type_index = -1;  // -1: no selection
  std::string user_name;     // empty: no selection
  int sync_on_index = -1;
  int date_index = -1;
  int day_index = -1;
  int hour = 0;
  int minute = 0;
  int second = 0;
  ScheduleControls schedule;  // enabling of Date, Day and the time picker
};

PaneForm PaneFormFor(const std::optional<profile::ProfileRecord>& record,
                     std::string_view category_name);

// What the controls currently show, as list indices (-1 for no selection).
struct PaneControls {
  int sync_type_index = -1;
  std::string user_name;
  int sync_on_index = -1;
  int date_index = -1;
  int day_index = -1;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// The values to store for `record`. A list without a selection keeps the stored value, and the
// sync type is always the record's own: a new sync type reaches the store only through
// ChangeSyncType, so that a refused choice the list still shows is never stored by the change
// of another control.
PaneValues PaneValuesToStore(const PaneControls& controls, const profile::ProfileRecord& record);

}  // namespace velmora::desktop
