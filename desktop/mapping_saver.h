// The field mapping page without its list: the rows it shows (device field, mapped column),
// the stored mapping of a profile whose query is unchanged, and saving a profile with its
// mapping. Every check runs before anything is written, and the profile row and its mapping
// rows are written in one transaction, so that a refused or failed re-save of an existing
// profile leaves the stored one as it was. Used by CFldMappingPage and its tests; no widgets.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "desktop/error_log.h"
#include "desktop/wizard_data.h"

namespace velmora::db {
class Connection;
}
namespace velmora::profile {
class ProfileStore;
}

namespace velmora::desktop {

struct MappingListRow {
  int field_number = 0;
  std::string field_id;    // "F1" … "F46"
  std::string field_name;  // display name
  std::string column;      // a column as stored (StoredColumnName), or "NONE"
  friend bool operator==(const MappingListRow&, const MappingListRow&) = default;
};

// The rows in catalogue row order, every column "NONE": 46, or 45 without "Categories".
std::vector<MappingListRow> UnmappedRows(bool fixed_category);

// The stored column of each row when the profile's stored query equals `current_query`;
// otherwise the rows stay unmapped (a changed query starts the mapping afresh).
void ShowStoredMapping(profile::ProfileStore& store, long prof_id, const std::string& current_query,
                       std::vector<MappingListRow>& rows);

// The type name ("SQL_DATE" …) of a mapped column of the profile's query; empty when unknown.
using ColumnTypeLookup = std::function<std::string(const std::string& field_text)>;

// Runs `query` on the linked database once and answers from its column descriptions.
ColumnTypeLookup LinkedColumnTypes(db::Connection& linked, const std::string& query);

struct MappingSaveResult {
  std::vector<std::string> messages;  // shown in order
  bool finished = false;              // false: the page stays
  bool errors = false;                // "created with Errors."
};

class MappingSaver {
 public:
  MappingSaver(db::Connection& profile_database, profile::ProfileStore& store,
               const DesktopErrorLog& log)
      : database_(profile_database), store_(store), log_(log) {}

  // Saves data.record with the mapped rows. `linked_kind` is the linked database's kind
  // (text databases skip the date-field test).
  MappingSaveResult Save(WizardData& data, const std::vector<MappingListRow>& rows, int linked_kind,
                         const ColumnTypeLookup& type_of);

 private:
  std::optional<std::string> CheckMapping(const std::vector<const MappingListRow*>& mapped,
                                          int linked_kind, const ColumnTypeLookup& type_of) const;
  bool WriteProfile(WizardData& data, const std::vector<const MappingListRow*>& mapped,
                    const ColumnTypeLookup& type_of, std::vector<std::string>& messages);

  db::Connection& database_;
  profile::ProfileStore& store_;
  const DesktopErrorLog& log_;
};

// The first pair of mapped rows with the same column, as positions in `mapped`.
std::optional<std::pair<std::size_t, std::size_t>> FirstDuplicateColumn(
    const std::vector<const MappingListRow*>& mapped);

}  // namespace velmora::desktop
