#include "conduit/mapping_plan.h"

#include <algorithm>

#include "db/sql_literal.h"

namespace velmora::conduit {
namespace {

bool Contains(const std::vector<std::string>& names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

std::string BareColumnName(std::string_view stored) {
  std::string bare = db::BareIdentifier(stored);
  if (bare != stored) return bare;
  const std::size_t dot = stored.find("\".\"");
  if (dot == std::string_view::npos) return bare;
  const std::string_view table = stored.substr(0, dot + 1);
  const std::string_view column = stored.substr(dot + 2);
  const std::string bare_table = db::BareIdentifier(table);
  const std::string bare_column = db::BareIdentifier(column);
  // Both parts must be well-formed quoted names; otherwise the name was never quoted by us.
  if (bare_table == table || bare_column == column) return bare;
  return bare_table + "." + bare_column;
}

MappingPlan ReadMappingPlan(db::Connection& profile_db, long prof_id) {
  profile::ProfileStore store(profile_db);
  MappingPlan plan;
  for (profile::TypedMapping& row : store.MappingWithTypes(prof_id)) {
    row.db_field_name = BareColumnName(row.db_field_name);
    if (!row.db_field_name.empty()) plan.rows.push_back(std::move(row));
  }
  plan.slot_count =
      std::max(store.MappedFieldCountForConduit(prof_id), static_cast<long>(plan.rows.size()));
  return plan;
}

const profile::TypedMapping* FindMapping(const MappingPlan& plan, std::string_view column) {
  for (const profile::TypedMapping& row : plan.rows) {
    if (row.db_field_name == column) return &row;
  }
  return nullptr;
}

std::vector<std::string> UnmatchedNames(const MappingPlan& plan,
                                        const std::vector<std::string>& columns) {
  std::vector<std::string> unmatched;
  for (const profile::TypedMapping& row : plan.rows) {
    if (!Contains(columns, row.db_field_name) && !Contains(unmatched, row.db_field_name)) {
      unmatched.push_back(row.db_field_name);
    }
  }
  return unmatched;
}

bool CheckMappingAgainstColumns(RunContext& context, const MappingPlan& plan,
                                const std::vector<std::string>& columns) {
  if (plan.rows.empty()) {
    context.SetRunError();
    context.Log("\r\n\tThe profile maps no column: nothing is transferred");
    return false;
  }
  const std::vector<std::string> unmatched = UnmatchedNames(plan, columns);
  for (const std::string& name : unmatched) {
    context.Log("\r\n\tMapped column not found in the query: " + name);
  }
  const bool any_matches = std::any_of(plan.rows.begin(), plan.rows.end(), [&](const auto& row) {
    return Contains(columns, row.db_field_name);
  });
  if (any_matches) return true;
  context.SetRunError();
  context.Log("\r\n\tNone of the mapped columns is in the query: nothing is transferred");
  return false;
}

}  // namespace velmora::conduit
