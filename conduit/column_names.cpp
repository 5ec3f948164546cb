#include "conduit/column_names.h"

#include <algorithm>

#include "db/statements.h"

namespace velmora::conduit {

std::vector<std::string> SplitTableText(std::string_view table_text) {
  while (!table_text.empty() && table_text.front() == ' ') table_text.remove_prefix(1);
  while (!table_text.empty() && table_text.back() == ' ') table_text.remove_suffix(1);
  std::vector<std::string> tables;
  if (table_text.empty()) return tables;
  std::size_t start = 0;
  while (tables.size() < kMaxTables) {
    std::size_t comma = table_text.find(',', start);
    tables.emplace_back(table_text.substr(start, comma - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return tables;
}

std::vector<std::string> ColumnNameEntries(
    const std::vector<std::string>& tables,
    const std::function<std::vector<std::string>(std::string& table)>& columns_of) {
  std::vector<std::string> entries;
  const bool qualified = tables.size() > 1;
  for (const std::string& listed : tables) {
    std::string table = listed;
    std::vector<std::string> columns = columns_of(table);
    std::string bare;
    for (char c : table) {
      if (c != '"') bare.push_back(c);
    }
    for (const std::string& column : columns) {
      if (entries.size() == kMaxColumnNames) return entries;
      entries.push_back(qualified ? bare + "." + column : column);
    }
  }
  return entries;
}

std::vector<std::string> BuildColumnNameList(db::Connection& custom_db,
                                             std::string_view table_text) {
  return ColumnNameEntries(SplitTableText(table_text),
                           [&](std::string& table) { return db::ListColumns(custom_db, table); });
}

namespace {

// True when `entry` ("column" or "table.column") names the column `column`.
bool NamesColumn(std::string_view entry, std::string_view column) {
  if (entry == column) return true;
  return entry.size() > column.size() && entry.ends_with(column) &&
         entry[entry.size() - column.size() - 1] == '.';
}

}  // namespace

std::vector<std::string> ResultColumnEntries(const std::vector<std::string>& entries,
                                             const std::vector<std::string>& reported) {
  std::vector<std::string> result;
  for (std::size_t j = 0; j < reported.size(); ++j) {
    const std::string& column = reported[j];
    if (j < entries.size() && NamesColumn(entries[j], column)) {
      result.push_back(entries[j]);
      continue;
    }
    auto named = std::find_if(entries.begin(), entries.end(),
                              [&](const std::string& entry) { return NamesColumn(entry, column); });
    if (named != entries.end()) {
      result.push_back(*named);
    } else {
      result.push_back(j < entries.size() ? entries[j] : column);
    }
  }
  return result;
}

}  // namespace velmora::conduit
