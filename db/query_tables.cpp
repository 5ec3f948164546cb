#include "db/query_tables.h"

#include <array>

#include "platform/text/utf.h"

namespace velmora::db {
namespace {

enum class TokenKind { kWord, kQuoted, kComma, kDot, kEnd, kOther };

struct Token {
  TokenKind kind = TokenKind::kEnd;
  std::string text;  // a word as written, a quoted name without its quotes
};

bool IsWordByte(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 0x80 || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         c == '_' || c == '$';
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// Reads the query one token at a time; strings in single quotes and parentheses are single
// "other" tokens to the FROM list, which only needs to know that something else stands there.
class Tokens {
 public:
  explicit Tokens(std::string_view text) : text_(text) {}

  bool broken() const { return broken_; }

  Token Next() {
    while (at_ < text_.size() && IsSpace(text_[at_])) ++at_;
    if (at_ >= text_.size()) return {TokenKind::kEnd, {}};
    const char c = text_[at_];
    if (c == '"' || c == '`') return Quoted(c);
    if (c == '[') return Quoted(']');
    if (c == '\'') {
      Quoted('\'');
      return {TokenKind::kOther, "'"};
    }
    if (IsWordByte(c)) {
      const std::size_t start = at_;
      while (at_ < text_.size() && IsWordByte(text_[at_])) ++at_;
      return {TokenKind::kWord, std::string(text_.substr(start, at_ - start))};
    }
    ++at_;
    if (c == ',') return {TokenKind::kComma, ","};
    if (c == '.') return {TokenKind::kDot, "."};
    return {TokenKind::kOther, std::string(1, c)};
  }

 private:
  // A name from the opening character to `close`; a doubled `close` inside stands for one.
  Token Quoted(char close) {
    std::string name;
    for (++at_; at_ < text_.size(); ++at_) {
      if (text_[at_] != close) {
        name.push_back(text_[at_]);
        continue;
      }
      if (at_ + 1 < text_.size() && text_[at_ + 1] == close) {
        name.push_back(close);
        ++at_;
        continue;
      }
      ++at_;
      return {TokenKind::kQuoted, name};
    }
    broken_ = true;
    return {TokenKind::kEnd, {}};
  }

  std::string_view text_;
  std::size_t at_ = 0;
  bool broken_ = false;
};

bool IsWord(const Token& token, std::string_view upper_keyword) {
  return token.kind == TokenKind::kWord && text::AsciiUpper(token.text) == upper_keyword;
}

bool IsOneOf(const Token& token, std::initializer_list<std::string_view> keywords) {
  if (token.kind != TokenKind::kWord) return false;
  const std::string upper = text::AsciiUpper(token.text);
  for (std::string_view keyword : keywords) {
    if (upper == keyword) return true;
  }
  return false;
}

// Words that end the FROM list.
bool EndsList(const Token& token) {
  return token.kind == TokenKind::kEnd ||
         IsOneOf(token, {"WHERE", "GROUP", "ORDER", "HAVING", "LIMIT", "OFFSET", "FETCH", "UNION",
                         "EXCEPT", "INTERSECT", "WINDOW", "FOR"}) ||
         (token.kind == TokenKind::kOther && token.text == ";");
}

// Words that would make the FROM list more than a list of tables.
bool IsReserved(const Token& token) {
  return IsOneOf(token, {"SELECT", "JOIN", "INNER", "LEFT", "RIGHT", "FULL", "OUTER", "CROSS",
                         "NATURAL", "ON", "USING", "LATERAL", "AS", "FROM"});
}

bool IsName(const Token& token) {
  return token.kind == TokenKind::kQuoted ||
         (token.kind == TokenKind::kWord && !IsReserved(token) && !EndsList(token));
}

}  // namespace

std::optional<std::vector<std::string>> TablesOfQuery(std::string_view query) {
  Tokens tokens(query);
  Token token = tokens.Next();
  int depth = 0;
  // The first FROM outside parentheses, quotes and strings.
  while (!(depth == 0 && IsWord(token, "FROM"))) {
    if (token.kind == TokenKind::kEnd) return std::nullopt;
    if (token.kind == TokenKind::kOther && token.text == "(") ++depth;
    if (token.kind == TokenKind::kOther && token.text == ")") --depth;
    token = tokens.Next();
  }
  std::vector<std::string> tables;
  for (;;) {
    token = tokens.Next();
    if (!IsName(token)) return std::nullopt;
    tables.push_back(token.text);
    token = tokens.Next();
    if (token.kind == TokenKind::kDot) return std::nullopt;
    // An alias, with or without AS.
    if (IsWord(token, "AS")) {
      token = tokens.Next();
      if (!IsName(token)) return std::nullopt;
      token = tokens.Next();
    } else if (IsName(token)) {
      token = tokens.Next();
    }
    if (token.kind == TokenKind::kComma) continue;
    if (!EndsList(token) || tokens.broken()) return std::nullopt;
    if (token.kind == TokenKind::kEnd) break;
    // The rest of the query must be readable too: an unclosed quote makes the whole text
    // doubtful.
    while (token.kind != TokenKind::kEnd) token = tokens.Next();
    if (tokens.broken()) return std::nullopt;
    break;
  }
  for (const std::string& name : tables) {
    if (name.empty()) return std::nullopt;
  }
  return tables;
}

bool IsPlainIdentifier(std::string_view name) {
  if (name.empty() || (name.front() >= '0' && name.front() <= '9')) return false;
  for (char c : name) {
    if (!IsWordByte(c)) return false;
  }
  return true;
}

}  // namespace velmora::db
