#include "desktop/filter_rows.h"

#include <algorithm>
#include <cstdio>

namespace velmora::desktop {
namespace {

int IndexOf(const std::vector<std::string>& texts, const std::string& text) {
  const auto it = std::find(texts.begin(), texts.end(), text);
  return it == texts.end() ? -1 : static_cast<int>(it - texts.begin());
}

int ComparisonIndex(const std::string& text) {
  for (int i = 0; i < kComparisonCount; ++i) {
    if (ComparisonText(i) == text) return i;
  }
  return -1;
}

std::string FieldOrEmpty(const std::vector<std::string>& catalogue, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= catalogue.size()) return {};
  return catalogue[static_cast<std::size_t>(index)];
}

std::string InvalidFilterText(int position) {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer,
                "No. %d filter is not valid, Please enter filter condition string", position);
  return buffer;
}

}  // namespace

std::vector<FilterRow> RowsOfFilters(const std::vector<FilterEntry>& filters,
                                     const std::vector<std::string>& catalogue) {
  std::vector<FilterRow> rows;
  for (std::size_t i = 0; i < filters.size(); ++i) {
    FilterRow row;
    row.joining = i == 0 ? "" : std::string(JoiningText(filters[i].joining));
    row.field = FieldOrEmpty(catalogue, filters[i].field);
    row.comparison = std::string(ComparisonText(filters[i].comparison));
    row.value = filters[i].value;
    rows.push_back(row);
  }
  if (rows.empty()) rows.push_back(FilterRow{});
  return rows;
}

std::vector<FilterRow> RowsOfSorts(const std::vector<SortEntry>& sorts,
                                   const std::vector<std::string>& catalogue) {
  std::vector<FilterRow> rows;
  for (const SortEntry& sort : sorts) {
    FilterRow row;
    row.order = sort.order == 0 ? kAscending : kDescending;
    row.field = FieldOrEmpty(catalogue, sort.field);
    rows.push_back(row);
  }
  if (rows.empty()) rows.push_back(FilterRow{});
  return rows;
}

FilterRow NewFilterRow(const std::vector<std::string>& catalogue) {
  FilterRow row;
  row.joining = "AND";
  row.field = FieldOrEmpty(catalogue, 0);
  row.comparison = "=";
  return row;
}

FilterRow NewSortRow(const std::vector<std::string>& catalogue) {
  FilterRow row;
  row.order = kAscending;
  row.field = FieldOrEmpty(catalogue, 0);
  return row;
}

FilterReadResult ReadFilterRows(const std::vector<FilterRow>& rows,
                                const std::vector<std::string>& catalogue) {
  FilterReadResult result;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const FilterRow& row = rows[i];
    if (!row.checked) continue;
    const int field = IndexOf(catalogue, row.field);
    // A row without a field would write an incomplete condition into the statement.
    if (row.value.empty() || field < 0) {
      result.refusal = InvalidFilterText(static_cast<int>(i) + 1);
      result.filters.clear();
      return result;
    }
    FilterEntry entry;
    entry.joining = row.joining == "OR" ? 1 : 0;
    entry.comparison = std::max(0, ComparisonIndex(row.comparison));
    entry.field = field;
    entry.value = row.value;
    result.filters.push_back(entry);
  }
  return result;
}

std::vector<SortEntry> ReadSortRows(const std::vector<FilterRow>& rows,
                                    const std::vector<std::string>& catalogue) {
  std::vector<SortEntry> sorts;
  for (const FilterRow& row : rows) {
    const int field = IndexOf(catalogue, row.field);
    if (!row.checked || field < 0) continue;
    sorts.push_back({row.order == kDescending ? 1 : 0, field});
  }
  return sorts;
}

}  // namespace velmora::desktop
