#include "db/sql_literal.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace velmora::db {
namespace {

bool OnlyDigits(std::string_view text) {
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// A name MySQL reads without quotes: ASCII letters, digits, "_" and "$" and any non-ASCII
// letter, and not digits alone.
bool IsPlainMySqlName(std::string_view name) {
  for (unsigned char c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '_' || c == '$' || c >= 0x80;
    if (!plain) return false;
  }
  return !name.empty() && !OnlyDigits(name);
}

// Digits as a decimal integer literal: leading zeros dropped, empty as 0. Long runs of digits
// (phone numbers) are written out whole rather than wrapped or clamped to 32 bits, so the
// database either stores the number or refuses it.
std::string IntegerLiteral(std::string_view digits) {
  std::size_t first = digits.find_first_not_of('0');
  if (first == std::string_view::npos) return "0";
  return std::string(digits.substr(first));
}

std::string DoubleLiteral(const std::string& cleaned) {
  double value = std::strtod(cleaned.c_str(), nullptr);
  if (!std::isfinite(value)) return "NULL";
  // Shortest text that reads back as the same double: no digits lost.
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  if (ec != std::errc()) return "NULL";
  return std::string(buffer, end);
}

}  // namespace

std::string CleanNumber(std::string_view text, bool keep_dots) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '(' || c == ')' || c == '-' || c == '_' || c == ' ') continue;
    if (c == '.' && !keep_dots) continue;
    out.push_back(c);
  }
  return out;
}

std::string QuoteText(std::string_view text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') out.push_back('\'');
    out.push_back(c);
  }
  out.push_back('\'');
  return out;
}

std::string QuoteIdentifier(std::string_view name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

std::string SourceIdentifier(std::string_view name, bool mysql_source) {
  if (!mysql_source) return QuoteIdentifier(name);
  if (IsPlainMySqlName(name)) return std::string(name);
  // Anything else (a blank, a quote, a hyphen) is read by MySQL only between backquotes.
  std::string out = "`";
  for (char c : name) {
    if (c == '`') out.push_back('`');
    out.push_back(c);
  }
  out.push_back('`');
  return out;
}

std::string BareIdentifier(std::string_view stored) {
  if (stored.size() < 2 || stored.front() != stored.back() ||
      (stored.front() != '"' && stored.front() != '`')) {
    return std::string(stored);
  }
  const char quote = stored.front();
  std::string bare;
  const std::string_view inner = stored.substr(1, stored.size() - 2);
  for (std::size_t i = 0; i < inner.size(); ++i) {
    if (inner[i] == quote) {
      // A lone quote inside cannot come from quoting: the name was never quoted by us.
      if (i + 1 >= inner.size() || inner[i + 1] != quote) return std::string(stored);
      ++i;
    }
    bare.push_back(inner[i]);
  }
  return bare;
}

std::string SqlLiteral(std::string_view type, std::string_view text) {
  if (text == "NULL") return "NULL";
  return SqlValueLiteral(type, text);
}

std::string SqlValueLiteral(std::string_view type, std::optional<std::string_view> value) {
  if (!value) return "NULL";
  const std::string_view text = *value;
  if (type == "SQL_CHAR" || type == "SQL_TYPE_TIMESTAMP" || type == "SQL_DATE" ||
      type == "SQL_TIME") {
    return QuoteText(text);
  }
  if (type == "SQL_NUMERIC" || type == "SQL_BIT") {
    std::string cleaned = CleanNumber(text, false);
    // An empty value has no number to write; anything but digits would not be a number, and
    // quoted it cannot change the statement around it.
    if (cleaned.empty()) return "NULL";
    if (!OnlyDigits(cleaned)) return QuoteText(cleaned);
    return cleaned;
  }
  if (type == "SQL_DOUBLE" || type == "SQL_REAL") return DoubleLiteral(CleanNumber(text, true));
  if (type == "SQL_TINYINT" || type == "SQL_SMALLINT" || type == "SQL_INTEGER" ||
      type == "SQL_C_STINYINT" || type == "SQL_C_USHORT" || type == "SQL_C_ULONG") {
    std::string cleaned = CleanNumber(text, false);
    return OnlyDigits(cleaned) ? IntegerLiteral(cleaned) : "-1";
  }
  return {};
}

}  // namespace velmora::db
