#include "desktop/properties_form.h"

#include "profile/sync_settings.h"

namespace velmora::desktop {
namespace {

constexpr int kPaneSyncTypes = 5;  // "Import … as a CSV file" is a wizard choice only
constexpr int kSyncOnCount = 5;
constexpr int kDaysInMonth = 31;
constexpr int kDaysInWeek = 7;

// `index` when it names an entry of a list with `count` entries, otherwise -1.
int IndexIn(int index, int count) {
  return index >= 0 && index < count ? index : -1;
}

int OrStored(int index, int stored) {
  return index >= 0 ? index : stored;
}

}  // namespace

std::vector<std::string> PaneSyncTypeEntries() {
  std::vector<std::string> entries;
  for (int t = 0; t < kPaneSyncTypes; ++t) entries.emplace_back(profile::SyncTypeText(t));
  return entries;
}

std::vector<std::string> PaneSyncOnEntries() {
  std::vector<std::string> entries;
  for (int s = 0; s < kSyncOnCount; ++s) entries.emplace_back(profile::SyncOnText(s));
  return entries;
}

std::vector<std::string> PaneDateEntries() {
  std::vector<std::string> entries;
  for (int d = 1; d <= kDaysInMonth; ++d) entries.push_back(std::to_string(d));
  return entries;
}

std::vector<std::string> PaneDayEntries() {
  std::vector<std::string> entries;
  for (int w = 0; w < kDaysInWeek; ++w) entries.emplace_back(profile::WeekDayText(w));
  return entries;
}

std::string PaneHeading(const profile::ProfileRecord& record, std::string_view category_name) {
  if (!record.HasCategory() || category_name.empty()) return record.prof_name;
  return record.prof_name + "( Category: " + std::string(category_name) + " )";
}

PaneForm PaneFormFor(const std::optional<profile::ProfileRecord>& record,
                     std::string_view category_name) {
  PaneForm form;
  if (!record || record->prof_name.empty()) return form;
  const profile::ProfileRecord& r = *record;
  form.enabled = true;
  form.heading = PaneHeading(r, category_name);
  form.sync_type_index = IndexIn(r.sync_type, kPaneSyncTypes);
  form.user_name = r.user_name;
  form.sync_on_index = IndexIn(r.sync_on, kSyncOnCount);
  form.date_index = IndexIn(r.day - 1, kDaysInMonth);
  form.day_index = IndexIn(r.week_day, kDaysInWeek);
  form.hour = r.sync_time.hour;
  form.minute = r.sync_time.minute;
  form.second = r.sync_time.second;
  form.schedule = ScheduleControlsFor(r.sync_on, true, {true, true, true});
  if (r.sync_type == profile::kExportCsv) {
    form.csv_export = true;
    form.csv_sync_type_text = std::string(kCsvExportShown);
    form.csv_user_text = r.user_name;
  }
  return form;
}

PaneValues PaneValuesToStore(const PaneControls& controls, const profile::ProfileRecord& record) {
  PaneValues values;
  values.sync_type_index = record.sync_type;
  values.user_name = controls.user_name.empty() ? record.user_name : controls.user_name;
  values.sync_on = OrStored(controls.sync_on_index, record.sync_on);
  values.date_index = OrStored(controls.date_index, record.day - 1);
  values.day_index = OrStored(controls.day_index, record.week_day);
  values.hour = controls.hour;
  values.minute = controls.minute;
  values.second = controls.second;
  return values;
}

}  // namespace velmora::desktop
