// The field mapping of one profile run, read once from the profile database: every mapping row
// (its column name made bare, whether the profile stored it bare or between double quotes) with
// its device field and stored type, and the check of that mapping against the columns that the
// run delivers (the query's result columns) or writes (the table's columns). Used by the
// desktop-to-device and the device-to-desktop runs.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "conduit/run_context.h"
#include "profile/profile_store.h"

namespace velmora::db {
class Connection;
}

namespace velmora::conduit {

struct MappingPlan {
  // Every mapping row of the profile in the order the store gives them; names are bare (a row
  // without a column name keeps its empty name).
  std::vector<profile::TypedMapping> rows;
  // The store's count of mapping rows that name a column (also those whose device field is not
  // in the catalogue); none when it could not be read.
  std::optional<long> named_count;
};

// A mapped column name as stored, made bare: a name between double quotes loses them, and a
// table-qualified name kept as two quoted parts ("Table"."Column") becomes Table.Column, the
// form of the run's column-name list. Any other name is returned as it is.
std::string BareColumnName(std::string_view stored);

// An empty plan when the profile has no mapping rows or they cannot be read.
MappingPlan ReadMappingPlan(db::Connection& profile_db, long prof_id);

// The rows that name a column, in plan order (what the desktop-to-device run maps).
std::vector<profile::TypedMapping> NamedRows(const MappingPlan& plan);
// The number of value slots a transfer record reserves: every mapping row that names a column,
// also one whose device field is not in the catalogue.
long SlotCount(const MappingPlan& plan);
// The first n rows of the plan, n being the count of rows that name a column (what the
// device-to-desktop run logs and writes); none when that count cannot be read.
std::vector<profile::TypedMapping> CountedRows(const MappingPlan& plan);

// Where the columns a mapping is checked against come from; it decides the wording of the log.
struct ColumnSource {
  enum class Kind { kQuery, kTable };
  Kind kind = Kind::kQuery;
  std::string table;  // the table's name, for kTable
};

// Checks mapping rows against the columns the run delivers or writes, before anything is sent
// or written: logs each mapped name that matches no column (once). Returns the rows whose
// column is among `columns`, in the order given. When there are no rows or not one matches,
// logs that the profile moves nothing, sets the run error flag and returns none.
std::vector<profile::TypedMapping> CheckMappingAgainstColumns(
    RunContext& context, const std::vector<profile::TypedMapping>& rows,
    const std::vector<std::string>& columns, const ColumnSource& source);

// The first row mapping the bare column name `column`; null when none maps it.
const profile::TypedMapping* FindMapping(const std::vector<profile::TypedMapping>& rows,
                                         std::string_view column);

}  // namespace velmora::conduit
