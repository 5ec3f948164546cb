// A profile's field mapping as the mapping page and velmora-profile build it: one row per
// device field with the desktop column that feeds it, the checks a mapping must pass (at least
// one field, date fields on date columns, no column twice) and saving a profile with its
// mapping. Every check runs before anything is written, and the profile row and its mapping
// rows are written in one transaction, so that a refused or failed re-save of a stored profile
// leaves it as it was. No widgets.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "profile/profile_record.h"

namespace velmora::db {
class Connection;
}

namespace velmora::profile {

class ProfileStore;

struct MappingListRow {
  int field_number = 0;
  std::string field_id;    // "F1" … "F46"
  std::string field_name;  // display name
  std::string column;      // a column as stored (StoredColumnName), or "NONE"
  friend bool operator==(const MappingListRow&, const MappingListRow&) = default;
};

// The rows in catalogue row order, every column "NONE": 46, or 45 without "Categories".
std::vector<MappingListRow> UnmappedRows(bool fixed_category);

// The parts of a dotted name ("table.column", each part bare or in double quotes), split at the
// dots that stand outside quotes, each part made bare. A name without dots is one part.
std::vector<std::string> BareNameParts(std::string_view name);

// A field text of the table page ("FirstName" in double quotes, or "T"."C" for several tables)
// as a mapping stores it: bare, table and column joined by ".". A bare name is kept as it is,
// so names stored either way read the same.
std::string StoredColumnName(std::string_view field_text);

// The type name ("SQL_DATE" …) of a mapped column of the profile's query; empty when unknown.
using ColumnTypeLookup = std::function<std::string(const std::string& field_text)>;

// Runs `query` on the linked database once and answers from its column descriptions.
ColumnTypeLookup LinkedColumnTypes(db::Connection& linked, const std::string& query);

// The rows that carry a column.
std::vector<const MappingListRow*> MappedRows(const std::vector<MappingListRow>& rows);

// The first pair of mapped rows with the same column, as positions in `mapped`.
std::optional<std::pair<std::size_t, std::size_t>> FirstDuplicateColumn(
    const std::vector<const MappingListRow*>& mapped);

// Why the mapping may not be saved, in the mapping page's order; nullopt when it may.
// `linked_kind` is the linked database's kind (text databases skip the date-field test).
std::optional<std::string> MappingRefusal(const std::vector<const MappingListRow*>& mapped,
                                          int linked_kind, const ColumnTypeLookup& type_of);

// How a save went: `messages` are the store's own failure texts, in order.
struct ProfileWrite {
  bool ok = false;
  std::vector<std::string> messages;
};
using WriteLog = std::function<void(std::string_view line)>;

// Writes `record` with the mapped rows (a checked mapping). `replace` re-saves the stored profile
// of the record's id, whole or not at all; a new profile keeps the mapping rows that were
// written when another fails. Type names are stored only for a query over one table. Each step
// is reported to `log` with the desktop error log's lines.
ProfileWrite WriteProfileWithMapping(db::Connection& database, ProfileStore& store,
                                     const ProfileRecord& record,
                                     const std::vector<const MappingListRow*>& mapped, bool replace,
                                     int table_count, const ColumnTypeLookup& type_of,
                                     const WriteLog& log);

}  // namespace velmora::profile
