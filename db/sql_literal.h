// The SQL literal that a text from a device contact becomes for a desktop column of a given
// stored type name (`DBDataType`). Used by the device-to-desktop sync to build its inserts.
// The result is always a single well-formed literal: quotes are doubled, numbers are checked.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmora::db {

// Removes "(", ")", "-", "_" and blanks, and "." too unless `keep_dots`.
std::string CleanNumber(std::string_view text, bool keep_dots);

// `text` between single quotes, with every single quote inside doubled.
std::string QuoteText(std::string_view text);

// `name` between double quotes, with every double quote inside doubled, so that a name cannot
// end the identifier early and carry the rest of itself into the statement.
std::string QuoteIdentifier(std::string_view name);

// An identifier of a user's database as a statement names it: bare for MySQL sources (which
// read double quotes as text), quoted by `QuoteIdentifier` for every other source. A MySQL name
// that cannot stand bare (a blank, a quote, a hyphen in it) goes between backquotes.
std::string SourceIdentifier(std::string_view name, bool mysql_source);

// A column name as a profile stores it, made bare: a name kept between double quotes or
// backquotes (with inner quotes doubled) loses them; any other name is returned as it is. Mapped
// names are stored bare and quoted only where a statement is built; this reads the quoted form that
// older profiles hold.
std::string BareIdentifier(std::string_view stored);

// The literal for a value in a column of type `db_data_type` ("SQL_CHAR", "SQL_INTEGER", …):
// NULL when there is no value; any text, "NULL" included, is data. An unknown type name gives
// an empty text.
std::string SqlValueLiteral(std::string_view db_data_type, std::optional<std::string_view> text);

// As SqlValueLiteral, for callers whose texts use "NULL" to stand for a missing value: the text
// "NULL" gives NULL.
std::string SqlLiteral(std::string_view db_data_type, std::string_view text);

}  // namespace velmora::db
