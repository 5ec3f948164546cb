#include "db/paged_query.h"

#include <gtest/gtest.h>

namespace velmora::db {
namespace {

TEST(PagedQueryTest, AppendsALimitOnlyWhereItKeepsTheQuerysMeaning) {
  const struct {
    const char* sql;
    const char* pageable;  // nullptr: refused
  } cases[] = {
      {"SELECT * FROM Contacts", "SELECT * FROM Contacts"},
      {"select a From t ORDER BY a DESC ; \n", "select a From t ORDER BY a DESC"},
      {"WITH n AS (SELECT 1 AS a) SELECT a FROM n", "WITH n AS (SELECT 1 AS a) SELECT a FROM n"},
      {"SELECT * FROM (SELECT * FROM t LIMIT 5) x", "SELECT * FROM (SELECT * FROM t LIMIT 5) x"},
      {"SELECT 'limit; --' AS \"for\" FROM [into]", "SELECT 'limit; --' AS \"for\" FROM [into]"},
      {"SELECT * FROM t LIMIT 5", nullptr},
      {"SELECT * FROM t OFFSET 5 ROWS", nullptr},
      {"SELECT * FROM t FETCH FIRST 5 ROWS ONLY", nullptr},
      {"SELECT * FROM t FOR UPDATE", nullptr},
      {"SELECT * INTO u FROM t", nullptr},
      {"SELECT * FROM t; DELETE FROM t", nullptr},
      {"SELECT * FROM t -- the rest", nullptr},
      {"SELECT * FROM t /* note */", nullptr},
      {"SELECT * FROM t WHERE a = 'open", nullptr},
      {"SELECT * FROM (t", nullptr},
      {"UPDATE t SET a = 1", nullptr},
      {"", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    const std::optional<std::string> pageable = PageableQuery(c.sql);
    ASSERT_EQ(pageable.has_value(), c.pageable != nullptr);
    if (pageable) {
      EXPECT_EQ(*pageable, c.pageable);
    }
  }
  EXPECT_EQ(WindowStatement("SELECT a FROM t", 512, 256), "SELECT a FROM t LIMIT 256 OFFSET 512");
}

TEST(PagedQueryTest, FindsTheQueriesOfOneTableThatCanBeReadByKey) {
  const struct {
    const char* sql;
    const char* table;  // nullptr: not a select of one table's rows
    const char* condition;
    const char* order;
  } cases[] = {
      {"SELECT * FROM Contacts;", "Contacts", "", ""},
      {"Select `a` AS \"First\", b From `My Table` where a > 1 ORDER BY b", "`My Table`", "a > 1",
       "b"},
      {"SELECT a FROM \"t\" WHERE a IN (SELECT a FROM u GROUP BY a)", "\"t\"",
       "a IN (SELECT a FROM u GROUP BY a)", ""},
      {"SELECT DISTINCT a FROM t", nullptr, nullptr, nullptr},
      {"SELECT COUNT(*) FROM t", nullptr, nullptr, nullptr},
      {"SELECT a FROM t x", nullptr, nullptr, nullptr},
      {"SELECT a FROM t, u", nullptr, nullptr, nullptr},
      {"SELECT a FROM t JOIN u ON t.a = u.a", nullptr, nullptr, nullptr},
      {"SELECT a FROM s.t", nullptr, nullptr, nullptr},
      {"SELECT a FROM t WHERE a > 1 GROUP BY a", nullptr, nullptr, nullptr},
      {"SELECT a FROM t WHERE a > 1 UNION SELECT a FROM u", nullptr, nullptr, nullptr},
      {"SELECT a FROM (SELECT a FROM t) x", nullptr, nullptr, nullptr},
      {"WITH n AS (SELECT 1 AS a) SELECT a FROM n", nullptr, nullptr, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    const std::optional<TableSelect> select = TableSelectOf(c.sql);
    ASSERT_EQ(select.has_value(), c.table != nullptr);
    if (!select) continue;
    EXPECT_EQ(select->table, c.table);
    EXPECT_EQ(select->condition, c.condition);
    EXPECT_EQ(select->order, c.order);
  }
  EXPECT_EQ(UnquotedTable("\"a\"\"b\""), "a\"b");
  EXPECT_EQ(UnquotedTable("`My Table`"), "My Table");
  const TableSelect select{"a, b", "t", "a > 1", ""};
  EXPECT_EQ(KeyedCountStatement(select, "\"k\""),
            "SELECT COUNT(*), MAX(t.\"k\") FROM t WHERE a > 1");
  // Of 1000 rows, the last 100 read from the end: the highest key first.
  EXPECT_EQ(KeyedWindowStatement(select, "\"k\"", "2000", 1000, 900, 256, true),
            "SELECT a, b FROM t WHERE (a > 1) AND t.\"k\" <= 2000 ORDER BY t.\"k\" DESC LIMIT 100 "
            "OFFSET 0");
  EXPECT_EQ(KeyedWindowStatement({"*", "t", "", ""}, "k", "'x'", 1000, 10, 256, false),
            "SELECT * FROM t WHERE t.k <= 'x' ORDER BY t.k LIMIT 256 OFFSET 10");
}

TEST(PagedQueryTest, KnowsTheEnginesThatTakeLimitAndOffset) {
  for (const char* name : {"SQLite", "PostgreSQL", "MySQL", "MariaDB", "mysql"}) {
    EXPECT_TRUE(EngineTakesLimitOffset(name)) << name;
  }
  for (const char* name : {"", "Microsoft SQL Server", "Oracle", "ACCESS"}) {
    EXPECT_FALSE(EngineTakesLimitOffset(name)) << name;
  }
}

}  // namespace
}  // namespace velmora::db
