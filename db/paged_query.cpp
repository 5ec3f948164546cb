#include "db/paged_query.h"

#include <array>
#include <cctype>
#include <vector>

#include "db/sql_words.h"
#include "platform/text/utf.h"

namespace velmora::db {
namespace {

// Words after which an appended limit would be refused or would change the statement's
// meaning: a limit of its own, locking and storing clauses, stored procedures.
constexpr std::array<std::string_view, 6> kUnpageableWords = {"LIMIT", "OFFSET", "FETCH",
                                                              "FOR",   "INTO",   "PROCEDURE"};

// The words of `sql` outside quotes and parentheses, upper-cased; nothing when the text holds
// a comment, an unclosed quote or parenthesis, or a semicolon before its end.
std::optional<std::vector<std::string>> OuterWords(std::string_view sql) {
  std::vector<std::string> words;
  int depth = 0;
  std::size_t i = 0;
  while (i < sql.size()) {
    const char c = sql[i];
    if (const char closing = ClosingSqlQuote(c); closing != 0) {
      const std::size_t end = sql.find(closing, i + 1);
      if (end == std::string_view::npos) return std::nullopt;
      i = end + 1;
      continue;
    }
    const std::string_view two = sql.substr(i, 2);
    if (two == "--" || two == "/*" || c == '#' || c == ';') return std::nullopt;
    if (c == '(') ++depth;
    if (c == ')' && --depth < 0) return std::nullopt;
    if (!IsSqlWordCharacter(c)) {
      ++i;
      continue;
    }
    const std::size_t start = i;
    while (i < sql.size() && IsSqlWordCharacter(sql[i])) ++i;
    if (depth == 0) words.push_back(text::AsciiUpper(sql.substr(start, i - start)));
  }
  if (depth != 0) return std::nullopt;
  return words;
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
  const std::optional<std::vector<std::string>> words = OuterWords(sql);
  if (!words || words->empty()) return std::nullopt;
  if (words->front() != "SELECT" && words->front() != "WITH") return std::nullopt;
  for (const std::string& word : *words) {
    for (const std::string_view refused : kUnpageableWords) {
      if (word == refused) return std::nullopt;
    }
  }
  return std::string(sql);
}

std::string WindowStatement(std::string_view query, long first, long rows) {
  return std::string(query) + " LIMIT " + std::to_string(rows) + " OFFSET " + std::to_string(first);
}

}  // namespace velmora::db
