#include "desktop/table_page_model.h"

#include <algorithm>
#include <set>

#include "db/connection.h"
#include "db/statements.h"
#include "desktop/messages.h"
#include "platform/text/utf.h"
#include "profile/profile_store.h"
#include "profile/sync_settings.h"

namespace velmora::desktop {
namespace {

std::string Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t\r\n");
  return std::string(text.substr(first, last - first + 1));
}

// Moves the entries at `positions` of `from` to the end of `to`.
void MoveEntries(const std::vector<int>& positions, std::vector<std::string>& from,
                 std::vector<std::string>& to) {
  std::set<int> chosen;
  for (const int p : positions) {
    if (p >= 0 && static_cast<std::size_t>(p) < from.size()) chosen.insert(p);
  }
  std::vector<std::string> kept;
  for (std::size_t i = 0; i < from.size(); ++i) {
    if (chosen.count(static_cast<int>(i)) != 0) {
      to.push_back(from[i]);
    } else {
      kept.push_back(from[i]);
    }
  }
  from = std::move(kept);
}

}  // namespace

std::vector<std::string> ConnectionColumnSource::Columns(const std::string& table) {
  std::string name = table;
  return db::ListColumns(connection_, name);
}

std::string ConnectionColumnSource::UnusableColumns(const std::string& table) {
  std::string name = table;
  std::string unusable;
  db::UnusableColumns(connection_, name, &unusable);
  return unusable;
}

bool IsUnusableColumn(std::string_view column, std::string_view unusable_text) {
  // Without unusable columns nothing is kept out (an empty name would match any text).
  if (unusable_text.empty() || column.empty()) return false;
  return unusable_text.find(column) != std::string_view::npos;
}

std::string TablePageModel::ChooseTables(const std::vector<std::string>& tables,
                                         ColumnSource& columns,
                                         const std::optional<std::string>& stored_query) {
  tables_ = tables;
  catalogue_.clear();
  available_.clear();
  selected_.clear();
  const bool several = tables.size() > 1;
  for (const std::string& table : tables) {
    const std::string unusable = columns.UnusableColumns(table);
    for (const std::string& column : columns.Columns(table)) {
      if (IsUnusableColumn(column, unusable)) continue;
      catalogue_.push_back(builder_.FieldText(table, column, several));
    }
  }
  selected_ = catalogue_;
  if (stored_query) return *stored_query;
  return builder_.StartStatement(tables_, filters_, sorts_, catalogue_);
}

std::string TablePageModel::MoveToSelected(const std::vector<int>& available_positions) {
  MoveEntries(available_positions, available_, selected_);
  return Rebuild();
}

std::string TablePageModel::MoveToAvailable(const std::vector<int>& selected_positions) {
  MoveEntries(selected_positions, selected_, available_);
  return Rebuild();
}

std::string TablePageModel::Rebuild() const {
  return builder_.Statement(selected_, available_.empty(), tables_, filters_, sorts_, catalogue_);
}

void TablePageModel::Clear() {
  tables_.clear();
  catalogue_.clear();
  available_.clear();
  selected_.clear();
  ClearFiltersAndSorts();
}

void TablePageModel::ClearFiltersAndSorts() {
  filters_.clear();
  sorts_.clear();
}

std::string TablePageModel::TableNameText() const {
  std::string out;
  for (std::size_t i = 0; i < tables_.size(); ++i) {
    if (i > 0) out += ",";
    out += tables_[i];
  }
  return out;
}

std::vector<std::string> TablePageModel::RememberedFields() const {
  const std::size_t n = std::min(selected_.size(), kRememberedFieldLimit);
  return {selected_.begin(), selected_.begin() + static_cast<std::ptrdiff_t>(n)};
}

std::vector<std::string> TablesOfStoredQuery(std::string_view query) {
  const std::string tables = profile::TableNameFromQuery(query);
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start <= tables.size()) {
    const std::size_t comma = tables.find(',', start);
    const std::size_t end = comma == std::string::npos ? tables.size() : comma;
    std::string name = Trimmed(std::string_view(tables).substr(start, end - start));
    if (!name.empty()) out.push_back(std::move(name));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return out;
}

std::optional<std::string_view> PreviewRefusal(std::string_view query) {
  if (query.empty()) {
    return "Please enter query or select table from available tables list.";
  }
  std::string compact;
  for (const char c : query) {
    if (c != ' ') compact += c;
  }
  if (text::AsciiUpper(compact).rfind("SELECT", 0) != 0) return "Please enter only SELECT query.";
  return std::nullopt;
}

std::optional<std::string_view> TablePageLeaveRefusal(int chosen_tables, int sync_type,
                                                      const std::function<bool()>& target_conflict,
                                                      bool linked_connected) {
  if (chosen_tables <= 0) return "Select the table First then click Next";
  const bool device_to_desktop = profile::IsDeviceToDesktop(sync_type);
  if (device_to_desktop && chosen_tables > 1) {
    return "Not allowe two table in case of device to desktop.";
  }
  if (device_to_desktop && target_conflict && target_conflict()) {
    return profile::kSameTargetExists;
  }
  if (!linked_connected) return kNoConnection;
  return std::nullopt;
}

}  // namespace velmora::desktop
