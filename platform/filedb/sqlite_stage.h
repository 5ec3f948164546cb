// The staging database: an SQLite file that receives the tables read from the source files,
// and the reads that dBase write-back makes of it. Used only inside filedb; one owner per
// sqlite3 handle, and every failure comes back as a flag with SQLite's message.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/filedb/table_data.h"

struct sqlite3;

namespace velmora::filedb {

// "name" with every double quote doubled, as SQL needs it.
std::string QuoteIdentifier(const std::string& name);

class SqliteFile {
 public:
  // Opens (creating when `create` is set) the file; nothing with `error` filled on failure.
  static std::optional<SqliteFile> Open(const std::filesystem::path& file, bool create,
                                        std::string* error);

  bool Execute(const std::string& sql, std::string* error);

  // Creates the table and inserts its rows with one prepared statement.
  bool AddTable(const TableData& table, std::string* error);

  // Every row of the table in rowid order, `column_count` cells each.
  bool ReadRows(const std::string& table, std::size_t column_count,
                std::vector<std::vector<Cell>>* rows, std::string* error);

  // A hash of every value of every row, in rowid order; equal rows give equal hashes.
  std::optional<std::uint64_t> HashRows(const std::string& table, std::string* error);

 private:
  struct Closer {
    void operator()(sqlite3* db) const;
  };
  explicit SqliteFile(sqlite3* db) : db_(db) {}
  std::string LastError() const;

  std::unique_ptr<sqlite3, Closer> db_;
};

}  // namespace velmora::filedb
