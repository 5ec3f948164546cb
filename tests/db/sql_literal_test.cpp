#include "db/sql_literal.h"

#include <gtest/gtest.h>

namespace velmora::db {
namespace {

struct LiteralCase {
  const char* type;
  const char* text;
  const char* expected;
};

const LiteralCase kCases[] = {
    // NULL passes unquoted whatever the type.
    {"SQL_CHAR", "NULL", "NULL"},
    {"SQL_INTEGER", "NULL", "NULL"},
    {"SQL_DOUBLE", "NULL", "NULL"},
    {"SQL_NUMERIC", "NULL", "NULL"},
    {"SQL_CHAR", "null", "'null'"},
    // Text and dates are quoted, with quotes inside doubled.
    {"SQL_CHAR", "O'Brien", "'O''Brien'"},
    {"SQL_CHAR", "", "''"},
    {"SQL_CHAR", "x'); DROP TABLE t; --", "'x''); DROP TABLE t; --'"},
    {"SQL_CHAR", "Zoë 𝄞", "'Zoë 𝄞'"},
    {"SQL_DATE", "5/17/2008", "'5/17/2008'"},
    {"SQL_TYPE_TIMESTAMP", "5/17/2008 2:30:00 PM", "'5/17/2008 2:30:00 PM'"},
    {"SQL_TIME", "12:30", "'12:30'"},
    // Integers: cleaned, digits only, else -1.
    {"SQL_INTEGER", "(555) 123", "555123"},
    {"SQL_INTEGER", "(55) 123-45", "5512345"},
    {"SQL_INTEGER", "12a", "-1"},
    {"SQL_INTEGER", "", "0"},
    {"SQL_INTEGER", "007", "7"},
    {"SQL_INTEGER", "1.5", "15"},
    {"SQL_INTEGER", "+5", "-1"},
    {"SQL_SMALLINT", "1_000", "1000"},
    {"SQL_TINYINT", "9", "9"},
    {"SQL_C_STINYINT", "x", "-1"},
    {"SQL_C_USHORT", "65535", "65535"},
    {"SQL_C_ULONG", "4294967295", "4294967295"},
    // Long digit runs are written whole, not wrapped to 32 bits.
    {"SQL_INTEGER", "(555) 123-4567", "5551234567"},
    // Numeric and bit: cleaned, unquoted; anything else cannot escape its quotes.
    {"SQL_NUMERIC", "555.1234", "5551234"},
    {"SQL_BIT", "1", "1"},
    {"SQL_NUMERIC", "", "NULL"},
    {"SQL_NUMERIC", "1;DELETE FROM t", "'1;DELETEFROMt'"},
    {"SQL_BIT", "yes'", "'yes'''"},
    // Floating point keeps the dot and every digit.
    {"SQL_DOUBLE", "555.1234", "555.1234"},
    {"SQL_REAL", "(1) 2.5", "12.5"},
    {"SQL_DOUBLE", "5551234.5", "5551234.5"},
    {"SQL_DOUBLE", "abc", "0"},
    {"SQL_DOUBLE", "", "0"},
    {"SQL_DOUBLE", "1e400", "NULL"},
    {"SQL_DOUBLE", "nan", "NULL"},
    // No rule for other types.
    {"SQL_UNKNOWN_TYPE", "1", ""},
    {"sql_char", "a", ""},
};

TEST(SqlLiteral, BuildsOneWellFormedLiteralPerColumnType) {
  for (const LiteralCase& c : kCases) {
    EXPECT_EQ(SqlLiteral(c.type, c.text), c.expected) << c.type << " <- \"" << c.text << "\"";
  }
}

// A missing value is NULL; every text, "NULL" included, is a value of its column's type.
TEST(SqlLiteral, OnlyAMissingValueIsNull) {
  EXPECT_EQ(SqlValueLiteral("SQL_CHAR", std::nullopt), "NULL");
  EXPECT_EQ(SqlValueLiteral("SQL_INTEGER", std::nullopt), "NULL");
  EXPECT_EQ(SqlValueLiteral("SQL_CHAR", "NULL"), "'NULL'");
  EXPECT_EQ(SqlValueLiteral("SQL_DATE", "NULL"), "'NULL'");
  EXPECT_EQ(SqlValueLiteral("SQL_INTEGER", "NULL"), "-1");
}

TEST(SqlLiteral, CleansNumbersKeepingDotsOnlyWhenAsked) {
  EXPECT_EQ(CleanNumber("(1_2) 3-4.5", false), "12345");
  EXPECT_EQ(CleanNumber("(1_2) 3-4.5", true), "1234.5");
  EXPECT_EQ(QuoteText("''"), "''''''");
}

TEST(Identifiers, StoredNamesComeBackBareAndQuoteBackExactly) {
  const struct {
    const char* stored;
    const char* bare;
  } cases[] = {
      {"FirstName", "FirstName"},
      {"\"FirstName\"", "FirstName"},
      {"\"Na\"\"me\"", "Na\"me"},
      {"\"a\"b\"", "\"a\"b\""},
      {"\"", "\""},
      {"\"\"", ""},
      {"Prénom Ünï", "Prénom Ünï"},
      {"\"First \"\"x\"\" Name\"", "First \"x\" Name"},
      {"`First Name`", "First Name"},
      {"`a``b`", "a`b"},
      {"`a`b`", "`a`b`"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BareIdentifier(c.stored), c.bare) << c.stored;
    if (std::string_view(c.stored).starts_with('"') && BareIdentifier(c.stored) != c.stored) {
      EXPECT_EQ(QuoteIdentifier(BareIdentifier(c.stored)), c.stored);
    }
  }
  EXPECT_EQ(SourceIdentifier("a\"b", false), "\"a\"\"b\"");
  // MySQL: plain names bare, the others between backquotes.
  const struct {
    const char* name;
    const char* mysql;
  } mysql[] = {{"FirstName", "FirstName"}, {"Pr\xC3\xA9nom", "Pr\xC3\xA9nom"},
               {"a b", "`a b`"},           {"a\"b", "`a\"b`"},
               {"a`b", "`a``b`"},          {"E-mail", "`E-mail`"},
               {"2024", "`2024`"},         {"", "``"}};
  for (const auto& c : mysql) {
    EXPECT_EQ(SourceIdentifier(c.name, true), c.mysql) << c.name;
    EXPECT_EQ(BareIdentifier(SourceIdentifier(c.name, true)), c.name) << c.name;
  }
}

}  // namespace
}  // namespace velmora::db
