// The field mapping page without its list: the stored mapping of a profile whose query is
// unchanged, and saving a profile with its mapping through the rules of
// profile/mapping_rules.h, with the page's log lines and messages. Used by CFldMappingPage and
// its tests; no widgets.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "desktop/error_log.h"
#include "desktop/wizard_data.h"
#include "profile/mapping_rules.h"

namespace velmora::db {
class Connection;
}
namespace velmora::profile {
class ProfileStore;
}

namespace velmora::desktop {

using profile::ColumnTypeLookup;
using profile::FirstDuplicateColumn;
using profile::LinkedColumnTypes;
using profile::MappingListRow;
using profile::UnmappedRows;

// The stored column of each row when the profile's stored query equals `current_query`;
// otherwise the rows stay unmapped (a changed query starts the mapping afresh).
void ShowStoredMapping(profile::ProfileStore& store, long prof_id, const std::string& current_query,
                       std::vector<MappingListRow>& rows);

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
  db::Connection& database_;
  profile::ProfileStore& store_;
  const DesktopErrorLog& log_;
};

}  // namespace velmora::desktop
