#include "desktop/mapping_saver.h"

#include "desktop/sync_page_rules.h"
#include "profile/profile_ids.h"
#include "profile/profile_store.h"

namespace velmora::desktop {
namespace {

constexpr const char* kCreated = "Database Synchronization profile created successfully.";
constexpr const char* kCreatedWithErrors = "Database Synchronization profile created with Errors.";
// An edited profile is replaced whole or not at all, so it is either saved or left as stored.
constexpr const char* kSaved = "Database Synchronization profile saved successfully.";
constexpr const char* kNotSaved =
    "Database Synchronization profile was not saved; the stored profile is unchanged.";

const char* SaveMessage(bool editing, bool errors) {
  if (editing) return errors ? kNotSaved : kSaved;
  return errors ? kCreatedWithErrors : kCreated;
}

}  // namespace

void ShowStoredMapping(profile::ProfileStore& store, long prof_id, const std::string& current_query,
                       std::vector<MappingListRow>& rows) {
  if (store.QueryForWizard(prof_id) != current_query) return;
  for (MappingListRow& row : rows) {
    row.column = profile::StoredColumnName(store.MappedColumnOfField(prof_id, row.field_id));
  }
}

MappingSaveResult MappingSaver::Save(WizardData& data, const std::vector<MappingListRow>& rows,
                                     int linked_kind, const ColumnTypeLookup& type_of) {
  MappingSaveResult result;
  log_.Append("PROFILE DATABASE FIELDS CONTENTS:");
  LogProfileValues(data.record, true, log_);
  log_.Append("Saving data in DBProfile Table...");

  const std::vector<const MappingListRow*> mapped = profile::MappedRows(rows);
  // Every refusal comes before the first statement, so a refused save changes nothing.
  if (auto refusal = profile::MappingRefusal(mapped, linked_kind, type_of)) {
    result.messages.push_back(std::move(*refusal));
    return result;
  }
  const bool editing = data.mode == WizardMode::kFieldMapping;
  const profile::WriteLog log = [this](std::string_view line) { log_.Append(line); };
  // A new profile takes the next id free at this moment: another desktop on a shared profile
  // database may have taken the one read when the wizard began.
  profile::ProfileWrite write =
      editing ? profile::WriteProfileWithMapping(database_, store_, data.record, mapped, true,
                                                 data.table_count, type_of, log)
              : profile::WriteNewProfileWithMapping(database_, store_, data.record, mapped,
                                                    data.table_count, type_of, log);
  result.messages = std::move(write.messages);
  result.errors = !write.ok;
  log_.Append(LogSeparator());
  data.fixed_category = false;
  result.messages.emplace_back(SaveMessage(editing, result.errors));
  result.finished = true;
  return result;
}

}  // namespace velmora::desktop
