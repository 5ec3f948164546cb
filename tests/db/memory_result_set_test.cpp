#include "db/memory_result_set.h"

#include <gtest/gtest.h>

#include "db/type_codes.h"

namespace velmora::db {
namespace {

MemoryResultSet People() {
  return MemoryResultSet(
      {{"Name", kTypeChar, 50, 0}, {"Born", kTypeDate, 10, 0}, {"Age", kTypeInteger, 10, 0}},
      {{std::string("Ann"), Date{1980, 2, 3}, std::int64_t{44}},
       {std::string("Bo"), Null{}},  // a short row
       {Null{}, Date{1850, 1, 1}, std::int64_t{-1}}});
}

TEST(MemoryResultSet, DescribesItsColumns) {
  MemoryResultSet rs = People();
  EXPECT_EQ(rs.ColumnCount(), 3);
  EXPECT_EQ(rs.RowCount(), 3);
  EXPECT_EQ(rs.ColumnName(1), "Born");
  EXPECT_EQ(rs.ColumnType(1), kTypeDate);
  EXPECT_EQ(rs.ColumnSize(0), 50);
  EXPECT_EQ(rs.ColumnName(3), "");
  EXPECT_EQ(rs.ColumnType(-1), 0);
}

TEST(MemoryResultSet, ReadsOnlyAfterAMoveAndFormatsByColumnType) {
  MemoryResultSet rs = People();
  EXPECT_EQ(rs.ValueText(0, 0), "") << "no row before the first move";
  ASSERT_TRUE(rs.MoveToRow(2));
  EXPECT_EQ(rs.ValueText(2, 0), "");
  EXPECT_EQ(rs.ValueText(2, 1), "Invalidate Date");
  EXPECT_EQ(rs.ValueText(2, 2), "-1");
  ASSERT_TRUE(rs.MoveToRow(0));
  EXPECT_EQ(rs.ValueText(0, 1), "1980/2/3");
  EXPECT_EQ(rs.GetValue(2), Value(std::int64_t{44}));
  ASSERT_TRUE(rs.MoveToRow(1));
  EXPECT_TRUE(IsNull(rs.GetValue(2))) << "a column the row does not have";
  EXPECT_FALSE(rs.MoveToRow(3));
  EXPECT_FALSE(rs.MoveToRow(-1));
}

}  // namespace
}  // namespace velmora::db
