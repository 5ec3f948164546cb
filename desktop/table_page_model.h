// The state behind the table and query page: the chosen tables, the field catalogue with the
// available and selected fields, the filters and sort entries, and the statement they give;
// plus the page's refusals (Preview, Next). Used by CDBConnectionPage and its tests; knows the
// database only through a ColumnSource and shows nothing.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "desktop/query_builder.h"

namespace velmora::db {
class Connection;
}

namespace velmora::desktop {

// Where the page learns a table's columns and which of them no value rule can read.
class ColumnSource {
 public:
  virtual ~ColumnSource() = default;
  virtual std::vector<std::string> Columns(const std::string& table) = 0;
  // The unusable columns' names joined by ","; empty when there are none.
  virtual std::string UnusableColumns(const std::string& table) = 0;
};

// The columns of the linked database.
class ConnectionColumnSource final : public ColumnSource {
 public:
  explicit ConnectionColumnSource(db::Connection& connection) : connection_(connection) {}
  std::vector<std::string> Columns(const std::string& table) override;
  std::string UnusableColumns(const std::string& table) override;

 private:
  db::Connection& connection_;
};

// How many of the selected field texts the mapping page is offered.
inline constexpr std::size_t kRememberedFieldLimit = 256;
// Characters of the query edit kept as the profile's Query.
inline constexpr std::size_t kStoredQueryLimit = 1999;

class TablePageModel {
 public:
  explicit TablePageModel(bool bare_identifiers = false) : builder_(bare_identifiers) {}

  void SetBareIdentifiers(bool bare) { builder_ = QueryBuilder(bare); }
  const QueryBuilder& builder() const { return builder_; }

  // The tables were chosen (in list order): reads their fields, every field selected, and
  // returns the statement ("Select * from …", or `stored_query` when given).
  std::string ChooseTables(const std::vector<std::string>& tables, ColumnSource& columns,
                           const std::optional<std::string>& stored_query = std::nullopt);

  // Moves entries (positions in the source list, any order; others ignored) between the two
  // lists, appended to the target in source order, and returns the rebuilt statement.
  std::string MoveToSelected(const std::vector<int>& available_positions);
  std::string MoveToAvailable(const std::vector<int>& selected_positions);

  // The statement from the current lists, filters and sort entries.
  std::string Rebuild() const;

  // Forgets the tables, the field catalogue and lists, the filters and the sort entries (a new
  // source is about to be listed); the identifier rule stays.
  void Clear();

  void SetFilters(std::vector<FilterEntry> filters) { filters_ = std::move(filters); }
  void SetSorts(std::vector<SortEntry> sorts) { sorts_ = std::move(sorts); }
  void ClearFiltersAndSorts();

  const std::vector<std::string>& tables() const { return tables_; }
  const std::vector<std::string>& catalogue() const { return catalogue_; }
  const std::vector<std::string>& available() const { return available_; }
  const std::vector<std::string>& selected() const { return selected_; }
  const std::vector<FilterEntry>& filters() const { return filters_; }
  const std::vector<SortEntry>& sorts() const { return sorts_; }
  // The profile's `tablename`: the chosen tables joined by ",".
  std::string TableNameText() const;
  // The selected field texts the mapping page offers (at most kRememberedFieldLimit).
  std::vector<std::string> RememberedFields() const;

 private:
  QueryBuilder builder_;
  std::vector<std::string> tables_;
  std::vector<std::string> catalogue_;
  std::vector<std::string> available_;
  std::vector<std::string> selected_;
  std::vector<FilterEntry> filters_;
  std::vector<SortEntry> sorts_;
};

// A column is kept out of the lists when its name occurs anywhere in the unusable text.
bool IsUnusableColumn(std::string_view column, std::string_view unusable_text);

// The tables of a stored query (between FROM and WHERE), split at ",", trimmed, unquoted.
std::vector<std::string> TablesOfStoredQuery(std::string_view query);

// Preview's refusal of the query edit's text; nullopt when it may run.
std::optional<std::string_view> PreviewRefusal(std::string_view query);

// The refusal of Next on the table page, checked in order; nullopt when the page may be left.
// `target_conflict` runs the new-profile conflict check for a device-to-desktop profile.
std::optional<std::string_view> TablePageLeaveRefusal(int chosen_tables, int sync_type,
                                                      const std::function<bool()>& target_conflict,
                                                      bool linked_connected);

}  // namespace velmora::desktop
