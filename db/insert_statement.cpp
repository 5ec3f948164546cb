#include "db/insert_statement.h"

#include "db/query_tables.h"
#include "db/sql_literal.h"

namespace velmora::db {
namespace {

std::string Joined(const std::vector<std::string>& parts) {
  std::string out;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) out += ",";
    out += parts[i];
  }
  return out;
}

}  // namespace

std::string NameInStyle(std::string_view name, NameStyle style) {
  switch (style) {
    case NameStyle::kQuoted:
      return SourceIdentifier(name, false);
    case NameStyle::kMySql:
      return SourceIdentifier(name, true);
    case NameStyle::kBareWherePlain:
      break;
  }
  return IsPlainIdentifier(name) ? std::string(name) : QuoteIdentifier(name);
}

std::string InsertText(std::string_view table, const std::vector<std::string>& columns,
                       const std::vector<std::string>& values) {
  return "INSERT INTO " + std::string(table) + "(" + Joined(columns) + ")VALUES(" + Joined(values) +
         ")";
}

std::string InsertWithMarks(std::string_view table, const std::vector<std::string>& columns,
                            NameStyle style) {
  std::vector<std::string> names;
  names.reserve(columns.size());
  for (const std::string& column : columns) names.push_back(NameInStyle(column, style));
  return InsertText(NameInStyle(table, style), names,
                    std::vector<std::string>(columns.size(), "?"));
}

}  // namespace velmora::db
