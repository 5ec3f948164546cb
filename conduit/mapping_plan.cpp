#include "conduit/mapping_plan.h"

#include <algorithm>

#include "conduit/value_cuts.h"
#include "db/sql_literal.h"
#include "platform/text/utf.h"

namespace velmora::conduit {
namespace {

// Column names longer than this are cut by the drivers' catalogue reads, so they never match.
constexpr std::size_t kLongestColumnName = 129;

bool Contains(const std::vector<std::string>& names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

void LogUnmatched(RunContext& context, const ColumnSource& source, const std::string& name) {
  if (source.kind == ColumnSource::Kind::kQuery) {
    context.Log("\r\n\tMapped column not found in the query: " + name);
    return;
  }
  const bool too_long = text::Utf8ToUtf16(name).size() > kLongestColumnName;
  context.Log(ColumnLeftOutLine(
      name, too_long ? "its name is longer than 129 characters" : "the table has no such column"));
}

void LogNothingMoves(RunContext& context, const ColumnSource& source, bool no_rows) {
  context.SetRunError();
  if (source.kind == ColumnSource::Kind::kQuery) {
    context.Log(no_rows
                    ? "\r\n\tThe profile maps no column: nothing is transferred"
                    : "\r\n\tNone of the mapped columns is in the query: nothing is transferred");
    return;
  }
  context.Log(no_rows ? std::string("\r\n\tThe profile maps no column: nothing is written.")
                      : "\r\n\tNo mapped column is in the table " + source.table +
                            ": nothing is written.");
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
  plan.rows = store.MappingWithTypes(prof_id);
  for (profile::TypedMapping& row : plan.rows)
    row.db_field_name = BareColumnName(row.db_field_name);
  plan.named_count = store.MappedFieldCountForConduit(prof_id);
  return plan;
}

std::vector<profile::TypedMapping> NamedRows(const MappingPlan& plan) {
  std::vector<profile::TypedMapping> named;
  std::copy_if(plan.rows.begin(), plan.rows.end(), std::back_inserter(named),
               [](const profile::TypedMapping& row) { return !row.db_field_name.empty(); });
  return named;
}

long SlotCount(const MappingPlan& plan) {
  const long named = static_cast<long>(NamedRows(plan).size());
  return std::max(plan.named_count.value_or(named), named);
}

std::vector<profile::TypedMapping> CountedRows(const MappingPlan& plan) {
  const std::size_t count = static_cast<std::size_t>(std::max(plan.named_count.value_or(0), 0L));
  std::vector<profile::TypedMapping> counted = plan.rows;
  if (counted.size() > count) counted.resize(count);
  return counted;
}

std::vector<profile::TypedMapping> CheckMappingAgainstColumns(
    RunContext& context, const std::vector<profile::TypedMapping>& rows,
    const std::vector<std::string>& columns, const ColumnSource& source) {
  std::vector<profile::TypedMapping> matched;
  std::vector<std::string> unmatched;
  for (const profile::TypedMapping& row : rows) {
    if (Contains(columns, row.db_field_name)) {
      matched.push_back(row);
    } else if (!Contains(unmatched, row.db_field_name)) {
      unmatched.push_back(row.db_field_name);
      LogUnmatched(context, source, row.db_field_name);
    }
  }
  if (matched.empty()) LogNothingMoves(context, source, rows.empty());
  return matched;
}

const profile::TypedMapping* FindMapping(const std::vector<profile::TypedMapping>& rows,
                                         std::string_view column) {
  for (const profile::TypedMapping& row : rows) {
    if (row.db_field_name == column) return &row;
  }
  return nullptr;
}

}  // namespace velmora::conduit
