#include "desktop/content_grid.h"

#include <array>
#include <cctype>

#include "db/sql_literal.h"
#include "db/sql_words.h"
#include "db/view_result_set.h"
#include "desktop/desktop_session.h"
#include "desktop/grid/result_set_table_model.h"
#include "desktop/query_builder.h"
#include "platform/text/utf.h"
#include "profile/statements.h"
#include "profile/sync_settings.h"

namespace velmora::desktop {
namespace {

// A desktop column name of one character is a placeholder, not a column.
constexpr std::size_t kShortestColumnName = 2;

constexpr std::array<std::string_view, 5> kTailWords = {"WHERE", "GROUP", "ORDER", "HAVING",
                                                        "LIMIT"};

// Calls `visit(word, position)` for every word outside quoted text until it returns true;
// returns that word's position, or npos.
template <typename Visit>
std::size_t FindWord(std::string_view text, std::size_t from, Visit visit) {
  std::size_t i = from;
  while (i < text.size()) {
    if (const char closing = db::ClosingSqlQuote(text[i]); closing != 0) {
      const std::size_t end = text.find(closing, i + 1);
      if (end == std::string_view::npos) return std::string_view::npos;
      i = end + 1;
      continue;
    }
    if (!db::IsSqlWordCharacter(text[i])) {
      ++i;
      continue;
    }
    const std::size_t start = i;
    while (i < text.size() && db::IsSqlWordCharacter(text[i])) ++i;
    if (visit(text::AsciiUpper(text.substr(start, i - start)))) return start;
  }
  return std::string_view::npos;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())) != 0) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())) != 0) {
    text.remove_suffix(1);
  }
  return text;
}

std::string TablesOf(std::string_view table_name, bool bare) {
  const QueryBuilder builder(bare);
  std::vector<std::string> tables;
  std::size_t start = 0;
  while (start <= table_name.size()) {
    std::size_t comma = table_name.find(',', start);
    if (comma == std::string_view::npos) comma = table_name.size();
    const std::string_view piece = Trimmed(table_name.substr(start, comma - start));
    if (!piece.empty()) tables.push_back(std::string(piece));
    start = comma + 1;
  }
  std::string out;
  for (std::size_t i = 0; i < tables.size(); ++i) {
    if (i > 0) out += ", ";
    out += builder.Quote(db::BareIdentifier(tables[i]));
  }
  return out;
}

std::string Heading(std::string_view field_name) {
  std::string out = "\"";
  for (const char c : field_name) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

}  // namespace

ContentKind ContentKindOf(bool suspended, int sync_type) {
  if (suspended) return ContentKind::kEmpty;
  switch (sync_type) {
    case profile::kDeviceAddsDesktop:
    case profile::kDeviceOverwritesDesktop:
      return ContentKind::kMapping;
    case profile::kDesktopAddsDevice:
    case profile::kDesktopOverwritesDevice:
    case profile::kDoNothing:
      return ContentKind::kRows;
    default:
      return ContentKind::kEmpty;
  }
}

std::string QueryTail(std::string_view query) {
  const std::size_t from = FindWord(query, 0, [](const std::string& w) { return w == "FROM"; });
  if (from == std::string_view::npos) return {};
  const std::size_t tail = FindWord(query, from + 4, [](const std::string& w) {
    for (const std::string_view word : kTailWords) {
      if (w == word) return true;
    }
    return false;
  });
  if (tail == std::string_view::npos) return {};
  return std::string(Trimmed(query.substr(tail)));
}

std::string ContentColumn(std::string_view column, bool bare) {
  const QueryBuilder builder(bare);
  const std::vector<std::string> parts = BareNameParts(column);
  std::string written;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) written += ".";
    written += builder.Quote(parts[i]);
  }
  return written;
}

std::string ContentStatement(const std::vector<profile::MappedField>& mapping,
                             std::string_view table_name, int connection_type,
                             std::string_view query) {
  const bool bare_columns =
      connection_type == profile::kFoxProKind || connection_type == profile::kMySqlKind;
  std::string columns;
  for (const profile::MappedField& field : mapping) {
    if (field.db_field_name.size() < kShortestColumnName) continue;
    if (!columns.empty()) columns += ",";
    columns +=
        ContentColumn(field.db_field_name, bare_columns) + " AS " + Heading(field.field_name);
  }
  if (columns.empty()) return {};
  std::string sql =
      "Select " + columns + " From " + TablesOf(table_name, connection_type == profile::kMySqlKind);
  const std::string tail = QueryTail(query);
  if (!tail.empty()) sql += " " + tail;
  return sql;
}

CContentGrid::CContentGrid(QWidget* parent)
    : GridView(parent), model_(new ResultSetTableModel(this)) {
  setModel(model_);
}

void CContentGrid::InitialUpdate(DesktopSession& session,
                                 const std::optional<profile::ProfileRecord>& current) {
  const long prof_id = session.current_prof_id;
  const int sync_type = session.suspend_content ? -1 : session.store().SyncTypeOf(prof_id);
  switch (ContentKindOf(session.suspend_content, sync_type)) {
    case ContentKind::kMapping:
      ShowMapping(session, prof_id);
      break;
    case ContentKind::kRows:
      // The stored query may be longer than a single read of it gives; a cut query would
      // end the statement in the middle of a clause.
      ShowLinkedRows(session, prof_id,
                     current && current->prof_id == prof_id
                         ? current->query
                         : session.store().QueryForContent(prof_id));
      break;
    case ContentKind::kEmpty:
      Clear();
      break;
  }
}

void CContentGrid::ShowMapping(DesktopSession& session, long prof_id) {
  // The data types of the columns are stored only for a profile on a single table.
  const std::string tables = session.store().TableName(prof_id);
  const bool with_types = tables.find(',') == std::string::npos;
  if (Show(session.profile_database(), profile::sql::SelectMappingForDisplay(prof_id, with_types),
           kMappingColumnWidth)) {
    shown_ = ContentKind::kMapping;
  }
}

void CContentGrid::ShowLinkedRows(DesktopSession& session, long prof_id, const std::string& query) {
  if (!session.linked_connected()) {
    Clear();
    return;
  }
  profile::ProfileStore& store = session.store();
  std::string sql = ContentStatement(store.MappedFieldNames(prof_id), store.TableName(prof_id),
                                     store.ConnectionTypeOf(prof_id), query);
  // A profile without a usable mapping still shows what its query reads.
  if (sql.empty()) sql = query;
  if (Show(session.linked(), sql, kRowsColumnWidth, &session.linked_counts())) {
    shown_ = ContentKind::kRows;
  }
}

bool CContentGrid::Show(db::Connection& connection, const std::string& sql, int column_width,
                        db::RowCountShare* counts) {
  std::unique_ptr<db::ResultSet> rows;
  if (!sql.empty() && connection.IsConnected()) {
    rows = db::OpenForView(connection, sql, nullptr, counts);
  }
  if (!rows) {
    Clear();
    return false;
  }
  model_->SetColumnWidth(column_width);
  model_->SetResultSet(std::move(rows));
  statement_ = sql;
  return true;
}

void CContentGrid::ShowRows(std::unique_ptr<db::ResultSet> rows) {
  model_->SetColumnWidth(0);
  model_->SetResultSet(std::move(rows));
  shown_ = ContentKind::kRows;
  statement_.clear();
}

void CContentGrid::Clear() {
  model_->Clear();
  shown_ = ContentKind::kEmpty;
  statement_.clear();
}

}  // namespace velmora::desktop
