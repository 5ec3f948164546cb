#include "db/paged_query.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <initializer_list>
#include <vector>

#include "db/sql_words.h"
#include "platform/text/utf.h"

namespace velmora::db {
namespace {

// Words after which an appended limit would be refused or would change the statement's
// meaning: a limit of its own, locking and storing clauses, stored procedures.
constexpr std::array<std::string_view, 6> kUnpageableWords = {"LIMIT", "OFFSET", "FETCH",
                                                              "FOR",   "INTO",   "PROCEDURE"};

// One piece of SQL text: a word (upper-cased), a quoted stretch or a single sign.
struct Token {
  std::string word;  // empty for a quoted stretch or a sign
  std::size_t start = 0;
  std::size_t end = 0;
  int depth = 0;  // parentheses around it; a parenthesis itself counts as outside
  char first = 0;
};

// The pieces of `sql`; nothing when the text holds a comment, an unclosed quote or
// parenthesis, or a semicolon before its end.
std::optional<std::vector<Token>> Tokens(std::string_view sql) {
  std::vector<Token> tokens;
  int depth = 0;
  std::size_t i = 0;
  while (i < sql.size()) {
    const char c = sql[i];
    const std::size_t start = i;
    if (const char closing = ClosingSqlQuote(c); closing != 0) {
      const std::size_t end = sql.find(closing, i + 1);
      if (end == std::string_view::npos) return std::nullopt;
      i = end + 1;
      tokens.push_back({{}, start, i, depth, c});
      continue;
    }
    const std::string_view two = sql.substr(i, 2);
    if (two == "--" || two == "/*" || c == '#' || c == ';') return std::nullopt;
    if (std::isspace(static_cast<unsigned char>(c)) != 0) {
      ++i;
      continue;
    }
    if (!IsSqlWordCharacter(c)) {
      if (c == ')' && --depth < 0) return std::nullopt;
      tokens.push_back({{}, start, ++i, depth, c});
      if (c == '(') ++depth;
      continue;
    }
    while (i < sql.size() && IsSqlWordCharacter(sql[i])) ++i;
    tokens.push_back({text::AsciiUpper(sql.substr(start, i - start)), start, i, depth, c});
  }
  if (depth != 0) return std::nullopt;
  return tokens;
}

bool IsOneOf(std::string_view word, std::initializer_list<std::string_view> words) {
  for (const std::string_view w : words) {
    if (word == w) return true;
  }
  return false;
}

std::string_view TrimmedText(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())) != 0) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())) != 0) {
    text.remove_suffix(1);
  }
  return text;
}

// Words of a select list that change how many rows it gives, or that name no column.
bool IsPlainSelectList(const std::vector<Token>& tokens, std::size_t from, std::size_t to) {
  if (from >= to) return false;
  for (std::size_t i = from; i < to; ++i) {
    const Token& t = tokens[i];
    if (t.first == '(' || t.first == '\'') return false;
    if (IsOneOf(t.word,
                {"DISTINCT", "DISTINCTROW", "ALL", "TOP", "HIGH_PRIORITY", "STRAIGHT_JOIN"}) ||
        t.word.starts_with("SQL_")) {
      return false;
    }
  }
  return true;
}

// Whether the outer words of a condition keep it a condition on single rows.
bool IsRowCondition(const std::vector<Token>& tokens, std::size_t from, std::size_t to) {
  if (from >= to) return false;
  for (std::size_t i = from; i < to; ++i) {
    if (tokens[i].depth == 0 &&
        IsOneOf(tokens[i].word, {"GROUP", "HAVING", "UNION", "INTERSECT", "EXCEPT", "WINDOW"})) {
      return false;
    }
  }
  return true;
}

// Index of the outer "ORDER BY" at or after `from`; tokens.size() when none.
std::size_t OuterOrderBy(const std::vector<Token>& tokens, std::size_t from) {
  for (std::size_t i = from; i + 1 < tokens.size(); ++i) {
    if (tokens[i].depth == 0 && tokens[i].word == "ORDER" && tokens[i + 1].word == "BY") return i;
  }
  return tokens.size();
}

bool ContainsNoCase(std::string_view text, std::string_view word) {
  return text::AsciiUpper(text).find(text::AsciiUpper(word)) != std::string::npos;
}

}  // namespace

bool EngineTakesLimitOffset(std::string_view dbms_name) {
  for (const std::string_view engine : {"SQLite", "PostgreSQL", "MySQL", "MariaDB"}) {
    if (ContainsNoCase(dbms_name, engine)) return true;
  }
  return false;
}

std::optional<std::string> PageableQuery(std::string_view sql) {
  while (!sql.empty() &&
         (sql.back() == ';' || std::isspace(static_cast<unsigned char>(sql.back())) != 0)) {
    sql.remove_suffix(1);
  }
  const std::optional<std::vector<Token>> tokens = Tokens(sql);
  if (!tokens || tokens->empty()) return std::nullopt;
  if (tokens->front().word != "SELECT" && tokens->front().word != "WITH") return std::nullopt;
  for (const Token& token : *tokens) {
    if (token.depth != 0) continue;
    for (const std::string_view refused : kUnpageableWords) {
      if (token.word == refused) return std::nullopt;
    }
  }
  return std::string(sql);
}

std::string WindowStatement(std::string_view query, long first, long rows) {
  return std::string(query) + " LIMIT " + std::to_string(rows) + " OFFSET " + std::to_string(first);
}

std::optional<TableSelect> TableSelectOf(std::string_view sql) {
  const std::optional<std::string> query = PageableQuery(sql);
  if (!query) return std::nullopt;
  const std::string_view q = *query;
  const std::optional<std::vector<Token>> tokens = Tokens(q);
  if (!tokens || tokens->front().word != "SELECT") return std::nullopt;
  const std::vector<Token>& t = *tokens;
  std::size_t from = 1;
  while (from < t.size() && !(t[from].depth == 0 && t[from].word == "FROM")) ++from;
  if (from + 1 >= t.size() || !IsPlainSelectList(t, 1, from)) return std::nullopt;
  const Token& table = t[from + 1];
  if (table.word.empty() && table.first != '"' && table.first != '`' && table.first != '[') {
    return std::nullopt;
  }
  TableSelect select;
  select.columns = std::string(TrimmedText(q.substr(t[1].start, t[from].start - t[1].start)));
  select.table = std::string(q.substr(table.start, table.end - table.start));
  std::size_t next = from + 2;
  const std::size_t order = OuterOrderBy(t, next);
  if (next < t.size() && t[next].word == "WHERE") {
    if (!IsRowCondition(t, next + 1, order)) return std::nullopt;
    const std::size_t end = order < t.size() ? t[order].start : q.size();
    select.condition =
        std::string(TrimmedText(q.substr(t[next + 1].start, end - t[next + 1].start)));
    next = order;
  }
  if (next != order) return std::nullopt;  // an alias, a join, another table
  if (order + 2 < t.size()) select.order = std::string(TrimmedText(q.substr(t[order + 2].start)));
  if (order < t.size() && select.order.empty()) return std::nullopt;
  return select;
}

std::string UnquotedTable(std::string_view table) {
  const char closing = table.empty() ? 0 : ClosingSqlQuote(table.front());
  if (closing == 0 || table.size() < 2) return std::string(table);
  std::string bare;
  const std::string_view inner = table.substr(1, table.size() - 2);
  for (std::size_t i = 0; i < inner.size(); ++i) {
    bare += inner[i];
    // A closing quote inside the name is written twice.
    if (inner[i] == closing && i + 1 < inner.size() && inner[i + 1] == closing) ++i;
  }
  return bare;
}

std::string RowSourceOf(const TableSelect& select) {
  return select.table + "\n" + select.condition;
}

namespace {

std::string QualifiedKey(const TableSelect& select, std::string_view key) {
  return select.table + "." + std::string(key);
}

std::string WhereClause(const TableSelect& select, std::string_view bounds) {
  if (select.condition.empty()) return bounds.empty() ? "" : " WHERE " + std::string(bounds);
  if (bounds.empty()) return " WHERE " + select.condition;
  return " WHERE (" + select.condition + ") AND " + std::string(bounds);
}

}  // namespace

std::string KeyedCountStatement(const TableSelect& select, std::string_view key) {
  return "SELECT COUNT(*), MAX(" + QualifiedKey(select, key) + ") FROM " + select.table +
         WhereClause(select, {});
}

std::string KeyedWindowStatement(const TableSelect& select, std::string_view key,
                                 std::string_view bound, long count, long first, long rows,
                                 bool descending) {
  const long limit = std::clamp(count - first, 0L, rows);
  const long offset = descending ? count - first - limit : first;
  const std::string qualified = QualifiedKey(select, key);
  return "SELECT " + select.columns + " FROM " + select.table +
         WhereClause(select, qualified + " <= " + std::string(bound)) + " ORDER BY " + qualified +
         (descending ? " DESC" : "") + " LIMIT " + std::to_string(limit) + " OFFSET " +
         std::to_string(offset);
}

}  // namespace velmora::db
