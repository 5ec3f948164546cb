// Read-only staging: a trigger per table and statement kind that aborts the statement with a
// message naming the source file, so the driver reports it like any other failed statement.
#include <array>

#include "platform/filedb/file_database.h"
#include "platform/filedb/sqlite_stage.h"

namespace velmora::filedb {
namespace {

// `text` as an SQL string literal.
std::string QuoteLiteral(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  return quoted + "'";
}

std::string Refusal(const StagedTable& table) {
  switch (table.kind) {
    case TableKind::kWorksheet:
      return table.source_file.string() + ": the Excel workbook is read-only";
    case TableKind::kCsv:
      return table.source_file.string() + ": the CSV file is read-only";
    case TableKind::kDbf:
      break;
  }
  return table.source_file.string() + ": the dBase file is open read-only";
}

std::string TriggersSql(const StagedTable& table, std::size_t index) {
  static constexpr std::array<const char*, 3> kStatements = {"INSERT", "UPDATE", "DELETE"};
  std::string sql;
  for (const char* statement : kStatements) {
    sql += "CREATE TRIGGER " +
           QuoteIdentifier("velmora_read_only_" + std::to_string(index) + "_" + statement) +
           " BEFORE " + statement + " ON " + QuoteIdentifier(table.name) +
           " BEGIN SELECT RAISE(ABORT, " + QuoteLiteral("[Velmora] " + Refusal(table)) + "); END;";
  }
  return sql;
}

}  // namespace

bool RefuseWrites(const StagedDatabase& staged, std::string* error) {
  std::string problem;
  std::optional<SqliteFile> db = SqliteFile::Open(staged.sqlite_file, false, &problem);
  bool ok = db.has_value() && db->Execute("BEGIN", &problem);
  for (std::size_t i = 0; ok && i < staged.tables.size(); ++i) {
    ok = db->Execute(TriggersSql(staged.tables[i], i), &problem);
  }
  ok = ok && db->Execute("COMMIT", &problem);
  if (!ok && error) *error = problem;
  return ok;
}

}  // namespace velmora::filedb
