#include "profile/mapping_rules.h"

#include <map>

#include "db/connection.h"
#include "db/odbc_result_set.h"
#include "db/sql_literal.h"
#include "db/type_codes.h"
#include "profile/field_catalogue.h"
#include "profile/profile_messages.h"
#include "profile/profile_store.h"
#include "db/transaction.h"

namespace velmora::profile {
namespace {

bool IsMapped(const MappingListRow& row) {
  return !row.column.empty() && row.column != kUnmapped;
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
  for (int row = 0; row < RowCount(fixed_category); ++row) {
    const ContactField* field = FieldByRow(row, fixed_category);
    if (field == nullptr) continue;
    rows.push_back({field->number, std::string(field->field_id), std::string(field->display_name),
                    std::string(kUnmapped)});
  }
  return rows;
}

std::vector<std::string> BareNameParts(std::string_view name) {
  std::vector<std::string> parts;
  bool quoted = false;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= name.size(); ++i) {
    if (i < name.size() && name[i] == '"') quoted = !quoted;  // a doubled quote toggles twice
    if (i == name.size() || (name[i] == '.' && !quoted)) {
      parts.push_back(db::BareIdentifier(name.substr(start, i - start)));
      start = i + 1;
    }
  }
  return parts;
}

std::string StoredColumnName(std::string_view field_text) {
  const std::vector<std::string> parts = BareNameParts(field_text);
  std::string stored;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) stored += ".";
    stored += parts[i];
  }
  return stored;
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

std::vector<const MappingListRow*> MappedRows(const std::vector<MappingListRow>& rows) {
  std::vector<const MappingListRow*> mapped;
  for (const MappingListRow& row : rows) {
    if (IsMapped(row)) mapped.push_back(&row);
  }
  return mapped;
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

std::optional<std::string> MappingRefusal(const std::vector<const MappingListRow*>& mapped,
                                          int linked_kind, const ColumnTypeLookup& type_of) {
  if (mapped.empty()) return std::string(kNoFieldMapped);
  if (linked_kind != db::kKindText) {
    const std::pair<int, std::string_view> date_fields[] = {
        {kBirthdayField, kBirthdayNotDate}, {kAnniversaryField, kAnniversaryNotDate}};
    for (const auto& [number, message] : date_fields) {
      for (const MappingListRow* row : mapped) {
        if (row->field_number == number && !(type_of && IsDateType(type_of(row->column)))) {
          return std::string(message);
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

ProfileWrite WriteProfileWithMapping(db::Connection& database, ProfileStore& store,
                                     const ProfileRecord& record,
                                     const std::vector<const MappingListRow*>& mapped, bool replace,
                                     int table_count, const ColumnTypeLookup& type_of,
                                     const WriteLog& log) {
  ProfileWrite result;
  db::Transaction transaction(database);
  if (replace && !store.DeleteBeforeResave(record.prof_id)) {
    log("Problem in saving DBProfile Table");
    return result;
  }
  std::string error;
  if (!store.InsertProfile(record, &error)) {
    result.messages.push_back(error);
    log("Problem in saving DBProfile Table");
    return result;  // the transaction rolls back: a re-saved profile keeps its stored rows
  }
  log("Data is save successfully in DBProfile table");
  log("Saving Field Mapping in Transaction Table...");
  bool ok = true;
  for (const MappingListRow* row : mapped) {
    MappingRow stored;
    stored.prof_id = record.prof_id;
    stored.field_id = row->field_id;
    stored.db_field_name = StoredColumnName(row->column);
    stored.db_data_type = table_count == 1 && type_of ? type_of(row->column) : "";
    if (store.InsertMapping(stored, &error)) {
      log("\t" + stored.field_id + "," + stored.db_field_name + "," + stored.db_data_type);
    } else {
      result.messages.push_back(error);
      log("\tProblem in saving Transaction table for the field=" + stored.field_id);
      ok = false;
    }
  }
  if (!ok && replace) return result;
  if (!transaction.Commit()) {
    log("Problem in saving DBProfile Table");
    return result;
  }
  result.ok = ok;
  return result;
}

}  // namespace velmora::profile
