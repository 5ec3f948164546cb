#include <gtest/gtest.h>

#include "db/memory_result_set.h"
#include "db/type_codes.h"
#include "profile/profile_store.h"

namespace velmora::profile {
namespace {

TEST(QueryText, TableNameIsTheFromListReadExactly) {
  struct Case {
    const char* query;
    const char* table;
  };
  const Case cases[] = {
      {"SELECT * FROM \"Contacts\"", "Contacts"},
      {"select * from Contacts where City='Cork'", "Contacts"},
      {"SELECT a.x, b.y FROM \"A\" , \"B\" WHERE a.id=b.id", "A, B"},
      {"SELECT * FROM  \"Grün Kontakte\"  ", "Grün Kontakte"},
      {"SELECT *\r\nFROM\tPeople\r\nWHERE 1=1", "People"},
      {"SELECT Whereabouts FROM Trips", "Trips"},  // WHERE inside a column name before FROM
      // A quote inside a quoted name is doubled; it never ends the name nor merges two names.
      {"SELECT * FROM \"Con\"\"tacts\"", "Con\"tacts"},
      {"SELECT * FROM \"Con,tacts\"", "Con,tacts"},
      {"SELECT * FROM \"Con tacts\" WHERE \"from\" = 'FROM x'", "Con tacts"},
      {"SELECT \"FROM\" FROM `My Table` AS t ORDER BY 1", "My Table"},
      {"SELECT * FROM People p;", "People"},
      // Lists that cannot be read for certain name no table.
      {"SELECT * FROM \"Con\"tacts\"", ""},
      {"SELECT * FROM \"Contacts", ""},
      {"SELECT * FROM A JOIN B ON A.id = B.id", ""},
      {"SELECT * FROM (SELECT * FROM A)", ""},
      {"SELECT * FROM main.Contacts", ""},
      {"SELECT * FROM \"\"", ""},
      {"SELECT x", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(TableNameFromQuery(c.query), c.table) << c.query;
}

TEST(QueryText, OneTableWithoutWhere) {
  EXPECT_TRUE(IsSingleTableWithoutWhere("SELECT * FROM \"People\"", "People"));
  EXPECT_FALSE(IsSingleTableWithoutWhere("SELECT * FROM People where x=1", "People"));
  EXPECT_FALSE(IsSingleTableWithoutWhere("SELECT * FROM A, B", "A, B"));
}

// A driver that reports the two time columns as date/time types hands over typed values.
TEST(QueryText, ProfileRowsAcceptTypedDateTimes) {
  std::vector<db::ColumnInfo> columns;
  for (int i = 0; i < 20; ++i) columns.push_back({"c" + std::to_string(i), db::kTypeChar, 50, 0});
  std::vector<db::Value> row(20, db::Value{db::Null{}});
  row[0] = std::int64_t{7};
  row[1] = std::string("Work");
  row[7] = std::string("3");  // a number that arrives as text
  row[13] = db::Time{9, 5, 0};
  row[14] = db::Timestamp{2026, 3, 1, 10, 0, 0, 0};
  row[19] = 4.0;
  db::MemoryResultSet rows(columns, {row});
  ASSERT_TRUE(rows.MoveToRow(0));
  const ProfileRecord r = ProfileFromCurrentRow(rows);
  EXPECT_EQ(r.prof_id, 7);
  EXPECT_EQ(r.prof_name, "Work");
  EXPECT_EQ(r.sync_type, 3);
  EXPECT_EQ(r.sync_time, (ProfileDateTime{1899, 12, 30, 9, 5, 0}));
  EXPECT_EQ(r.last_sync_date_time, (ProfileDateTime{2026, 3, 1, 10, 0, 0}));
  EXPECT_EQ(r.category_id, 4);
  EXPECT_EQ(r.db_path, "");
}

}  // namespace
}  // namespace velmora::profile
