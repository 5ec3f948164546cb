#include "platform/filedb/sqlite_stage.h"

#include <sqlite3.h>

#include <cstring>

#include "platform/filedb/fingerprint.h"

namespace velmora::filedb {
namespace {

struct StatementFinalizer {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

Statement Prepare(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &statement, nullptr) !=
      SQLITE_OK) {
    sqlite3_finalize(statement);
    return nullptr;
  }
  return Statement(statement);
}

std::string CreateTableSql(const TableData& table) {
  std::string sql = "CREATE TABLE " + QuoteIdentifier(table.name) + " (";
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    const ColumnSpec& column = table.columns[i];
    if (i > 0) sql += ", ";
    sql += QuoteIdentifier(column.name) + " " + column.declared_type;
    if (!column.check.empty()) sql += " CHECK (" + column.check + ")";
  }
  return sql + ")";
}

std::string InsertSql(const TableData& table) {
  std::string sql = "INSERT INTO " + QuoteIdentifier(table.name) + " VALUES (";
  for (std::size_t i = 0; i < table.columns.size(); ++i) sql += i == 0 ? "?" : ", ?";
  return sql + ")";
}

void Bind(sqlite3_stmt* statement, int index, const Cell& cell) {
  if (const auto* s = std::get_if<std::string>(&cell)) {
    sqlite3_bind_text(statement, index, s->data(), static_cast<int>(s->size()), SQLITE_STATIC);
  } else if (const auto* i = std::get_if<std::int64_t>(&cell)) {
    sqlite3_bind_int64(statement, index, *i);
  } else if (const auto* d = std::get_if<double>(&cell)) {
    sqlite3_bind_double(statement, index, *d);
  } else {
    sqlite3_bind_null(statement, index);
  }
}

Cell ColumnCell(sqlite3_stmt* statement, int column) {
  switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
      return static_cast<std::int64_t>(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT:
      return sqlite3_column_double(statement, column);
    case SQLITE_NULL:
      return std::monostate{};
    default: {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
      return std::string(text ? text : "",
                         static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
    }
  }
}

// Feeds one cell into the running hash with a type tag, so that 1, 1.0, "1" and NULL differ.
void HashCell(Fnv1a& hash, const Cell& cell) {
  const char tag = static_cast<char>('0' + cell.index());
  hash.Add(std::string_view(&tag, 1));
  if (const auto* s = std::get_if<std::string>(&cell)) {
    const std::uint64_t size = s->size();
    hash.Add(std::string_view(reinterpret_cast<const char*>(&size), sizeof size));
    hash.Add(*s);
  } else if (const auto* i = std::get_if<std::int64_t>(&cell)) {
    hash.Add(std::string_view(reinterpret_cast<const char*>(i), sizeof *i));
  } else if (const auto* d = std::get_if<double>(&cell)) {
    hash.Add(std::string_view(reinterpret_cast<const char*>(d), sizeof *d));
  }
}

}  // namespace

std::string QuoteIdentifier(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + "\"";
}

void SqliteFile::Closer::operator()(sqlite3* db) const {
  sqlite3_close(db);
}

std::optional<SqliteFile> SqliteFile::Open(const std::filesystem::path& file, bool create,
                                           std::string* error) {
  sqlite3* db = nullptr;
  const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
  if (sqlite3_open_v2(file.c_str(), &db, flags, nullptr) != SQLITE_OK) {
    if (error) *error = file.string() + ": " + (db ? sqlite3_errmsg(db) : "cannot be opened");
    sqlite3_close(db);
    return std::nullopt;
  }
  return SqliteFile(db);
}

std::string SqliteFile::LastError() const {
  return sqlite3_errmsg(db_.get());
}

bool SqliteFile::Execute(const std::string& sql, std::string* error) {
  if (sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK) return true;
  if (error) *error = LastError();
  return false;
}

bool SqliteFile::AddTable(const TableData& table, std::string* error) {
  if (!Execute(CreateTableSql(table), error)) return false;
  Statement insert = Prepare(db_.get(), InsertSql(table));
  if (!insert) {
    if (error) *error = LastError();
    return false;
  }
  for (const auto& row : table.rows) {
    for (std::size_t i = 0; i < row.size(); ++i)
      Bind(insert.get(), static_cast<int>(i + 1), row[i]);
    if (sqlite3_step(insert.get()) != SQLITE_DONE) {
      if (error) *error = LastError();
      return false;
    }
    sqlite3_reset(insert.get());
  }
  return true;
}

bool SqliteFile::ReadRows(const std::string& table, std::size_t column_count,
                          std::vector<std::vector<Cell>>* rows, std::string* error) {
  Statement select =
      Prepare(db_.get(), "SELECT * FROM " + QuoteIdentifier(table) + " ORDER BY rowid");
  if (!select || static_cast<std::size_t>(sqlite3_column_count(select.get())) != column_count) {
    if (error) *error = select ? "the staged table no longer has its columns" : LastError();
    return false;
  }
  rows->clear();
  int step = SQLITE_ROW;
  while ((step = sqlite3_step(select.get())) == SQLITE_ROW) {
    std::vector<Cell> row;
    row.reserve(column_count);
    for (std::size_t i = 0; i < column_count; ++i) {
      row.push_back(ColumnCell(select.get(), static_cast<int>(i)));
    }
    rows->push_back(std::move(row));
  }
  if (step != SQLITE_DONE) {
    if (error) *error = LastError();
    return false;
  }
  return true;
}

std::optional<std::uint64_t> SqliteFile::HashRows(const std::string& table, std::string* error) {
  Statement select =
      Prepare(db_.get(), "SELECT * FROM " + QuoteIdentifier(table) + " ORDER BY rowid");
  if (!select) {
    if (error) *error = LastError();
    return std::nullopt;
  }
  const int columns = sqlite3_column_count(select.get());
  Fnv1a hash;
  int step = SQLITE_ROW;
  while ((step = sqlite3_step(select.get())) == SQLITE_ROW) {
    hash.Add("\n");
    for (int i = 0; i < columns; ++i) HashCell(hash, ColumnCell(select.get(), i));
  }
  if (step != SQLITE_DONE) {
    if (error) *error = LastError();
    return std::nullopt;
  }
  return hash.value();
}

}  // namespace velmora::filedb
