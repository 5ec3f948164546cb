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
