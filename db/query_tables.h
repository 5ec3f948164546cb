// The tables a profile's SELECT reads, taken from its FROM list exactly as the database will
// read them: a quoted name loses its quotes and has its doubled quotes made single, a bare name
// is kept as written. Used wherever a statement must name the table a query reads (writing rows
// back, deleting them, restoring a backup); a list that cannot be read for certain gives none,
// so that no statement is ever aimed at a table that merely looks like the right one.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::db {

// The names in the FROM list of `query` in order; none when there is no FROM, a quote is not
// closed, or the list holds anything other than names, aliases and commas before the clause
// that ends it (a join, a subquery, a schema-qualified name).
std::optional<std::vector<std::string>> TablesOfQuery(std::string_view query);

// True when `name` can stand in a statement without quotes: letters (non-ASCII ones too),
// digits, "_" and "$", not starting with a digit. Names of MySQL sources, written bare, must be
// of this kind.
bool IsPlainIdentifier(std::string_view name);

}  // namespace velmora::db
