// What kind of file a path names, told from its first bytes: the connection serves SQLite files
// itself and names any other format in its refusal. Used by the connection and the stagers.
#pragma once

#include <string>

namespace velmora::db {

// The first bytes are "SQLite format 3" and a 0.
bool IsSqliteFile(const std::string& path);

// A short description for a refusal: "file not found", "a folder", "an empty file",
// "a Jet/Access file", "an Access 2007 file", "an OLE compound file (Excel?)", "a ZIP archive
// (xlsx?)", "a dBase file", "a text file", "an SQLite database" or "an unknown format".
std::string DescribeFileFormat(const std::string& path);

}  // namespace velmora::db
