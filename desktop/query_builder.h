// The SELECT statement of the table and query page, built as text from the chosen tables, the
// selected fields, the filters and the sort entries; identifiers in double quotes (a double
// quote inside one doubled), or bare for a MySQL data source. Used by the table page and its
// filter dialog. Pure text work: filter values go in exactly as the user typed them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "profile/mapping_rules.h"

namespace velmora::desktop {

// A filter: joining operator (0 AND, 1 OR), comparison operator (see ComparisonText) and the
// index of its field in the page's field catalogue.
struct FilterEntry {
  int joining = 0;
  int comparison = 0;
  int field = 0;
  std::string value;
  friend bool operator==(const FilterEntry&, const FilterEntry&) = default;
};

// A sort entry: order 0 ascending, anything else descending.
struct SortEntry {
  int order = 0;
  int field = 0;
  friend bool operator==(const SortEntry&, const SortEntry&) = default;
};

inline constexpr int kComparisonCount = 8;

// "=", "<>", "<", ">", "<=", ">=", "IS", "LIKE"; empty outside 0 … 7.
std::string_view ComparisonText(int index);
// "AND", "OR"; empty for any other index.
std::string_view JoiningText(int index);
std::string_view SortOrderKeyword(int order);  // "ASC" or "DESC"

// Mapped names are stored bare (profile/mapping_rules.h).
using profile::BareNameParts;
using profile::StoredColumnName;

class QueryBuilder {
 public:
  explicit QueryBuilder(bool bare_identifiers = false) : bare_(bare_identifiers) {}

  bool bare_identifiers() const { return bare_; }
  std::string Quote(std::string_view identifier) const;
  // A column as the lists and the statement show it: the column alone with one table, table
  // "." column with several.
  std::string FieldText(std::string_view table, std::string_view column, bool several_tables) const;
  std::string TableList(const std::vector<std::string>& tables) const;  // quoted, ", "

  // "Select * from " and the tables, then the filters and sort entries.
  std::string StartStatement(const std::vector<std::string>& tables,
                             const std::vector<FilterEntry>& filters,
                             const std::vector<SortEntry>& sorts,
                             const std::vector<std::string>& catalogue) const;

  // The statement after the field lists or the filters changed. With `none_left_out` (the
  // available-fields list is empty) the fields are "*".
  std::string Statement(const std::vector<std::string>& selected_fields, bool none_left_out,
                        const std::vector<std::string>& tables,
                        const std::vector<FilterEntry>& filters,
                        const std::vector<SortEntry>& sorts,
                        const std::vector<std::string>& catalogue) const;

  // " Where …" and " Order By …" (either may be empty).
  static std::string FilterAndSortClauses(const std::vector<FilterEntry>& filters,
                                          const std::vector<SortEntry>& sorts,
                                          const std::vector<std::string>& catalogue);

 private:
  bool bare_;
};

}  // namespace velmora::desktop
