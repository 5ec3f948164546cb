#include "conduit/writer_values.h"

#include <gtest/gtest.h>

#include "db/type_codes.h"

namespace velmora::conduit {
namespace {

TEST(WriterValues, IntegerParse) {
  struct Case {
    const char* cleaned;
    std::int32_t expected;
  } cases[] = {{"5512345", 5512345},
               {"", 0},
               {"12a", -1},
               {"007", 7},
               {"2147483647", 2147483647},
               {"2147483648", -1},
               {"99999999999999", -1}};
  for (const Case& c : cases) EXPECT_EQ(IntegerParse(c.cleaned), c.expected) << c.cleaned;
}

TEST(WriterValues, MonthDayYearDates) {
  EXPECT_EQ(ParseMonthDayYear("12/31/1999"), (db::Date{1999, 12, 31}));
  EXPECT_EQ(ParseMonthDayYear("1/2/2008"), (db::Date{2008, 1, 2}));
  for (const char* bad : {"12-31-1999", "1999/12/31/1", "13/1/2000", "0/1/2000", "a/1/2000",
                          "12/x/1999", "", "NULL"}) {
    EXPECT_FALSE(ParseMonthDayYear(bad).has_value()) << bad;
  }
}

TEST(WriterValues, CursorValuesByColumnType) {
  using db::Value;
  struct Case {
    int type;
    bool mapped;
    DeviceValue value;
    Value expected;
  } cases[] = {
      {db::kTypeInteger, true, "(55) 123-45", Value{std::int64_t{5512345}}},
      {db::kTypeInteger, true, "12a", Value{std::int64_t{-1}}},
      {db::kTypeInteger, true, std::nullopt, Value{std::int64_t{0}}},
      {db::kTypeNumeric, true, "555.1234", Value{std::string("5551234")}},
      {db::kTypeNumeric, true, "", Value{db::Null{}}},
      {db::kTypeDouble, true, "555.1234", Value{555.1234}},
      {db::kTypeReal, true, std::nullopt, Value{0.0}},
      {db::kTypeChar, true, "O'Brien", Value{std::string("O'Brien")}},
      {db::kTypeChar, true, std::nullopt, Value{db::Null{}}},
      // The text "NULL" that a contact holds is data, never SQL NULL.
      {db::kTypeChar, true, "NULL", Value{std::string("NULL")}},
      {db::kTypeNumeric, true, "NULL", Value{std::string("NULL")}},
      {db::kTypeInteger, true, "NULL", Value{std::int64_t{-1}}},
      {db::kTypeBit, true, "true", Value{std::int64_t{1}}},
      {db::kTypeBit, true, "False", Value{std::int64_t{0}}},
      {db::kTypeBit, true, "yes", Value{std::int64_t{1}}},
      {db::kTypeBit, true, "", Value{std::int64_t{0}}},
      {db::kTypeDate, true, "12/31/1999", Value{db::Date{1999, 12, 31}}},
      {db::kTypeTimestamp, true, "1999-12-31", Value{db::Null{}}},
      {db::kTypeTime, true, "12/31/1999", Value{db::Null{}}},
      {db::kTypeChar, false, "x", Value{db::Null{}}},
      {db::kTypeDate, false, "1/1/2000", Value{db::Null{}}},
      {db::kTypeSmallInt, false, "5", Value{std::int64_t{0}}},
      {db::kTypeDouble, false, "5", Value{0.0}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CursorValue(c.type, c.mapped, c.value), c.expected)
        << "type " << c.type << " value " << c.value.value_or("(none)");
  }
}

TEST(WriterValues, InsertStatementsDoubleQuotesInsideText) {
  std::vector<InsertColumn> columns = {
      {"LastName", "SQL_CHAR"}, {"Visits", "SQL_INTEGER"}, {"Birthday", "SQL_DATE"}};
  EXPECT_EQ(BuildInsertStatement("Contacts", columns, {"O'Brien", "(12) 3", "12/31/1999"}),
            "INSERT INTO Contacts(LastName,Visits,Birthday)VALUES('O''Brien',123,'12/31/1999')");
  EXPECT_EQ(BuildInsertStatement("Contacts", columns, {std::nullopt, std::nullopt, std::nullopt}),
            "INSERT INTO Contacts(LastName,Visits,Birthday)VALUES(NULL,NULL,NULL)");
  EXPECT_EQ(BuildInsertStatement("Contacts", columns, {"NULL", std::nullopt, std::nullopt}),
            "INSERT INTO Contacts(LastName,Visits,Birthday)VALUES('NULL',NULL,NULL)");
  EXPECT_EQ(BuildInsertStatement("T", {{"A", "SQL_CHAR"}}, {"x'); DROP TABLE T; --"}),
            "INSERT INTO T(A)VALUES('x''); DROP TABLE T; --')");
}

TEST(WriterValues, TargetTableOfTheQuery) {
  struct Case {
    const char* query;
    std::optional<std::string> table;
  } cases[] = {
      {"SELECT * FROM \"Contacts\"", "Contacts"},
      {"select * from  Contacts  ", "Contacts"},
      {"SELECT a FROM Contacts WHERE a > 1", "Contacts"},
      {"SELECT a FROM \"My Table\" order by a", "My Table"},
      {"SELECT * FROM Contacts\nWHERE x=1", "Contacts"},
      {"SELECT * FROM \"Con\"\"tacts\"", "Con\"tacts"},
      {"SELECT * FROM \"Con,tacts\"", "Con,tacts"},
      // Several tables, or a list that cannot be read for certain: no target at all.
      {"SELECT * FROM Con,tacts", std::nullopt},
      {"SELECT * FROM \"Con\"tacts\"", std::nullopt},
      {"SELECT 1", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(TargetTableName(c.query), c.table) << c.query;
}

TEST(WriterValues, StatementNamesArePlainOrQuoted) {
  EXPECT_EQ(NameInStatement("Contacts"), "Contacts");
  EXPECT_EQ(NameInStatement("Con\"tacts"), "\"Con\"\"tacts\"");
  EXPECT_EQ(NameInStatement("First Name"), "\"First Name\"");
  EXPECT_EQ(NameInStatement("Grün_1"), "Grün_1");
}

}  // namespace
}  // namespace velmora::conduit
