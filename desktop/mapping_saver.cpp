#include "desktop/mapping_saver.h"

#include <map>

#include "db/connection.h"
#include "db/odbc_result_set.h"
#include "db/transaction.h"
#include "db/type_codes.h"
#include "desktop/query_builder.h"
#include "desktop/sync_page_rules.h"
#include "profile/field_catalogue.h"
#include "profile/profile_store.h"

namespace velmora::desktop {
namespace {

constexpr const char* kNoFieldMapped = "Select atleast one field to create profile";
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

bool IsMapped(const MappingListRow& row) {
  return !row.column.empty() && row.column != profile::kUnmapped;
}

bool IsDateType(const std::string& type_name) {
  return type_name == "SQL_DATE" || type_name == "SQL_TYPE_TIMESTAMP";
}

std::string DuplicateMessage(const std::string& column, const std::string& first,
                             const std::string& second) {
  return "Column \"" + column + "\" is mapped twice to Pocket PC Contacts fields\"" + first +
         "\" and \"" + second +
         "\"; Please assign your custom database field to only one Pocket PC contacts Field.";
}

}  // namespace

std::vector<MappingListRow> UnmappedRows(bool fixed_category) {
  std::vector<MappingListRow> rows;
  for (int row = 0; row < profile::RowCount(fixed_category); ++row) {
    const profile::ContactField* field = profile::FieldByRow(row, fixed_category);
    if (field == nullptr) continue;
    rows.push_back({field->number, std::string(field->field_id), std::string(field->display_name),
                    std::string(profile::kUnmapped)});
  }
  return rows;
}

void ShowStoredMapping(profile::ProfileStore& store, long prof_id, const std::string& current_query,
                       std::vector<MappingListRow>& rows) {
  if (store.QueryForWizard(prof_id) != current_query) return;
  for (MappingListRow& row : rows) {
    row.column = StoredColumnName(store.MappedColumnOfField(prof_id, row.field_id));
  }
}

ColumnTypeLookup LinkedColumnTypes(db::Connection& linked, const std::string& query) {
  std::map<std::string, std::string> types;
  db::OdbcResultSet rows;
  if (linked.IsConnected() && rows.Open(linked, query)) {
    for (int c = 0; c < rows.ColumnCount(); ++c) {
      types.emplace(rows.ColumnName(c), std::string(db::TypeName(rows.ColumnType(c))));
    }
  }
  return [types](const std::string& field_text) -> std::string {
    const std::string name = StoredColumnName(field_text);
    if (const auto it = types.find(name); it != types.end()) return it->second;
    // A field of several tables is table "." column; the result names the column alone.
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) {
      if (const auto it = types.find(name.substr(dot + 1)); it != types.end()) return it->second;
    }
    return {};
  };
}

std::optional<std::pair<std::size_t, std::size_t>> FirstDuplicateColumn(
    const std::vector<const MappingListRow*>& mapped) {
  for (std::size_t i = 0; i < mapped.size(); ++i) {
    for (std::size_t j = i + 1; j < mapped.size(); ++j) {
      if (StoredColumnName(mapped[i]->column) == StoredColumnName(mapped[j]->column)) {
        return std::pair{i, j};
      }
    }
  }
  return std::nullopt;
}

std::optional<std::string> MappingSaver::CheckMapping(
    const std::vector<const MappingListRow*>& mapped, int linked_kind,
    const ColumnTypeLookup& type_of) const {
  if (linked_kind != db::kKindText) {
    const std::pair<int, const char*> date_fields[] = {
        {profile::kBirthdayField, "Not a valid field mapping for Birth date field"},
        {profile::kAnniversaryField, "Not a valid field mapping for Anniversary field"}};
    for (const auto& [number, message] : date_fields) {
      for (const MappingListRow* row : mapped) {
        if (row->field_number == number && !(type_of && IsDateType(type_of(row->column)))) {
          return message;
        }
      }
    }
  }
  if (const auto pair = FirstDuplicateColumn(mapped)) {
    return DuplicateMessage(StoredColumnName(mapped[pair->first]->column),
                            mapped[pair->first]->field_name, mapped[pair->second]->field_name);
  }
  return std::nullopt;
}

MappingSaveResult MappingSaver::Save(WizardData& data, const std::vector<MappingListRow>& rows,
                                     int linked_kind, const ColumnTypeLookup& type_of) {
  MappingSaveResult result;
  log_.Append("PROFILE DATABASE FIELDS CONTENTS:");
  LogProfileValues(data.record, true, log_);
  log_.Append("Saving data in DBProfile Table...");

  std::vector<const MappingListRow*> mapped;
  for (const MappingListRow& row : rows) {
    if (IsMapped(row)) mapped.push_back(&row);
  }
  if (mapped.empty()) {
    result.messages.emplace_back(kNoFieldMapped);
    return result;
  }
  // Every refusal comes before the first statement, so a refused save changes nothing.
  if (auto refusal = CheckMapping(mapped, linked_kind, type_of)) {
    result.messages.push_back(std::move(*refusal));
    return result;
  }
  result.errors = !WriteProfile(data, mapped, type_of, result.messages);
  log_.Append(LogSeparator());
  data.fixed_category = false;
  result.messages.emplace_back(SaveMessage(data.mode == WizardMode::kFieldMapping, result.errors));
  result.finished = true;
  return result;
}

bool MappingSaver::WriteProfile(WizardData& data, const std::vector<const MappingListRow*>& mapped,
                                const ColumnTypeLookup& type_of,
                                std::vector<std::string>& messages) {
  const bool editing = data.mode == WizardMode::kFieldMapping;
  const profile::ProfileRecord& record = data.record;
  db::Transaction transaction(database_);
  if (editing && !store_.DeleteBeforeResave(record.prof_id)) {
    log_.Append("Problem in saving DBProfile Table");
    return false;
  }
  std::string error;
  if (!store_.InsertProfile(record, &error)) {
    messages.push_back(error);
    log_.Append("Problem in saving DBProfile Table");
    return false;  // the transaction rolls back: an edited profile keeps its stored rows
  }
  log_.Append("Data is save successfully in DBProfile table");
  log_.Append("Saving Field Mapping in Transaction Table...");
  bool ok = true;
  for (const MappingListRow* row : mapped) {
    profile::MappingRow stored;
    stored.prof_id = record.prof_id;
    stored.field_id = row->field_id;
    stored.db_field_name = StoredColumnName(row->column);
    stored.db_data_type = data.table_count == 1 && type_of ? type_of(row->column) : "";
    if (store_.InsertMapping(stored, &error)) {
      log_.Append("\t" + stored.field_id + "," + stored.db_field_name + "," + stored.db_data_type);
    } else {
      messages.push_back(error);
      log_.Append("\tProblem in saving Transaction table for the field=" + stored.field_id);
      ok = false;
    }
  }
  // A new profile keeps the rows that were written; an edited one is replaced whole or not at
  // all.
  if (!ok && editing) return false;
  if (!transaction.Commit()) {
    log_.Append("Problem in saving DBProfile Table");
    return false;
  }
  return ok;
}

}  // namespace velmora::desktop
