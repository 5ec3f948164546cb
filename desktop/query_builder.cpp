#include "desktop/query_builder.h"

#include <array>

#include "db/sql_literal.h"

namespace velmora::desktop {
namespace {

constexpr std::array<std::string_view, kComparisonCount> kComparisons = {"=",  "<>", "<",  ">",
                                                                         "<=", ">=", "IS", "LIKE"};

// A field index outside the catalogue writes nothing rather than reading past it.
std::string_view FieldAt(const std::vector<std::string>& catalogue, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= catalogue.size()) return {};
  return catalogue[static_cast<std::size_t>(index)];
}

}  // namespace

std::string_view ComparisonText(int index) {
  if (index < 0 || index >= kComparisonCount) return {};
  return kComparisons[static_cast<std::size_t>(index)];
}

std::string_view JoiningText(int index) {
  if (index == 0) return "AND";
  if (index == 1) return "OR";
  return {};
}

std::string_view SortOrderKeyword(int order) {
  return order == 0 ? "ASC" : "DESC";
}

std::string QueryBuilder::Quote(std::string_view identifier) const {
  return db::SourceIdentifier(identifier, bare_);
}

std::string QueryBuilder::FieldText(std::string_view table, std::string_view column,
                                    bool several_tables) const {
  if (!several_tables) return Quote(column);
  return Quote(table) + "." + Quote(column);
}

std::string QueryBuilder::TableList(const std::vector<std::string>& tables) const {
  std::string out;
  for (std::size_t i = 0; i < tables.size(); ++i) {
    if (i > 0) out += ", ";
    out += Quote(tables[i]);
  }
  return out;
}

std::string QueryBuilder::StartStatement(const std::vector<std::string>& tables,
                                         const std::vector<FilterEntry>& filters,
                                         const std::vector<SortEntry>& sorts,
                                         const std::vector<std::string>& catalogue) const {
  return "Select * from " + TableList(tables) + FilterAndSortClauses(filters, sorts, catalogue);
}

std::string QueryBuilder::Statement(const std::vector<std::string>& selected_fields,
                                    bool none_left_out, const std::vector<std::string>& tables,
                                    const std::vector<FilterEntry>& filters,
                                    const std::vector<SortEntry>& sorts,
                                    const std::vector<std::string>& catalogue) const {
  std::string sql = "Select ";
  if (none_left_out) {
    sql += " * ";
  } else {
    for (std::size_t i = 0; i < selected_fields.size(); ++i) {
      if (i > 0) sql += ", ";
      sql += " " + selected_fields[i] + " ";
    }
  }
  sql += " From " + TableList(tables);
  return sql + FilterAndSortClauses(filters, sorts, catalogue);
}

std::string QueryBuilder::FilterAndSortClauses(const std::vector<FilterEntry>& filters,
                                               const std::vector<SortEntry>& sorts,
                                               const std::vector<std::string>& catalogue) {
  std::string sql;
  if (!filters.empty()) {
    sql += " Where ";
    for (std::size_t i = 0; i < filters.size(); ++i) {
      const FilterEntry& f = filters[i];
      // The first filter's joining operator has nothing to join.
      if (i > 0) sql += " " + std::string(JoiningText(f.joining)) + " ";
      sql += std::string(FieldAt(catalogue, f.field)) + " " +
             std::string(ComparisonText(f.comparison)) + " " + f.value;
    }
  }
  if (!sorts.empty()) {
    sql += " Order By ";
    for (std::size_t i = 0; i < sorts.size(); ++i) {
      if (i > 0) sql += ",";
      sql += std::string(FieldAt(catalogue, sorts[i].field)) + " " +
             std::string(SortOrderKeyword(sorts[i].order));
    }
  }
  return sql;
}

}  // namespace velmora::desktop
