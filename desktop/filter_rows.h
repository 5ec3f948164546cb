// The rows of the filter / sort-order dialog as texts, and the rule by which OK turns the
// checked rows back into filter or sort entries. Used by the filter dialog and its tests;
// no widgets here.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "desktop/query_builder.h"

namespace velmora::desktop {

enum class FilterDialogMode { kFilters, kSortOrder };

// One row of the dialog. Filters use joining, field, comparison and value; sort rows use
// order and field.
struct FilterRow {
  bool checked = true;
  std::string joining;     // "AND", "OR", or empty on the first row
  std::string field;       // a field text of the catalogue
  std::string comparison;  // one of the eight operators
  std::string value;
  std::string order;  // "Ascending" or "Descending"
  friend bool operator==(const FilterRow&, const FilterRow&) = default;
};

inline constexpr const char* kAscending = "Ascending";
inline constexpr const char* kDescending = "Descending";

// The rows the dialog opens with: one per entry, or one empty checked row when there is none.
std::vector<FilterRow> RowsOfFilters(const std::vector<FilterEntry>& filters,
                                     const std::vector<std::string>& catalogue);
std::vector<FilterRow> RowsOfSorts(const std::vector<SortEntry>& sorts,
                                   const std::vector<std::string>& catalogue);

// The row "Add" appends.
FilterRow NewFilterRow(const std::vector<std::string>& catalogue);
FilterRow NewSortRow(const std::vector<std::string>& catalogue);

// OK in filters mode: the checked rows top to bottom become the entries. A checked row with an
// empty value (or a field outside the catalogue) refuses with "No. %d filter is not valid,
// Please enter filter condition string" for its position counting from 1.
struct FilterReadResult {
  std::vector<FilterEntry> filters;
  std::optional<std::string> refusal;
};
FilterReadResult ReadFilterRows(const std::vector<FilterRow>& rows,
                                const std::vector<std::string>& catalogue);

// OK in sort mode; rows whose field is not in the catalogue are dropped.
std::vector<SortEntry> ReadSortRows(const std::vector<FilterRow>& rows,
                                    const std::vector<std::string>& catalogue);

}  // namespace velmora::desktop
