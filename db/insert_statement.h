// The INSERT statement of the writers that fill a table: "INSERT INTO t(c1,c2)VALUES(v1,v2)",
// with the values as literals or as parameter marks for db::Statement. Names are written in one
// of the styles a user's database needs. Pure text; nothing here runs a statement.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velmora::db {

enum class NameStyle {
  kQuoted,          // in double quotes (SourceIdentifier of a non-MySQL source)
  kMySql,           // bare, or in backquotes where it cannot stand bare (SourceIdentifier)
  kBareWherePlain,  // bare when a plain identifier, in double quotes otherwise
};

// `name` of a table or column as a statement in `style` names it.
std::string NameInStyle(std::string_view name, NameStyle style);

// The statement with `values` (literals or marks) for `columns`; the table and column names are
// written as given (see NameInStyle).
std::string InsertText(std::string_view table, const std::vector<std::string>& columns,
                       const std::vector<std::string>& values);

// The statement with a parameter mark "?" for every column, the names written in `style`.
std::string InsertWithMarks(std::string_view table, const std::vector<std::string>& columns,
                            NameStyle style);

}  // namespace velmora::db
