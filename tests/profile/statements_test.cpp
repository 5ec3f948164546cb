#include "profile/statements.h"

#include <gtest/gtest.h>

namespace velmora::profile::sql {
namespace {

TEST(Statements, TextValuesHaveTheirQuotesDoubled) {
  EXPECT_EQ(Quoted("O'Brien's"), "O''Brien''s");
  EXPECT_EQ(Quoted("''"), "''''");
  EXPECT_EQ(Quoted("100%_"), "100%_");
  EXPECT_EQ(CountNameTaken("Seán O'Brien", "Bob's"),
            "Select count(*) from DBProfile where UserName='Seán O''Brien' and "
            "ProfName='Bob''s'");
  EXPECT_EQ(InsertCategory(3, "Kids' club"), "Insert into  CategoryMaster values(3,'Kids'' club')");
  EXPECT_EQ(UpdateCategory(3, 3, "It's"),
            "update CategoryMaster set ID=3, Name='It''s' where ID=3");
}

TEST(Statements, OwnerPatternsMatchOnlyTheOwner) {
  EXPECT_EQ(LikeLiteral("50%_off!"), "50!%!_off!!");
  EXPECT_EQ(LikeLiteral("O'Neil"), "O''Neil");
  EXPECT_EQ(SelectProfilesOfUser("a_b"),
            "Select * From DBProfile where UserName like 'a!_b' ESCAPE '!'");
  EXPECT_EQ(SelectSyncTypeOfUser("x%"),
            "Select SyncType From DBProfile where UserName like 'x!%' ESCAPE '!'");
}

}  // namespace
}  // namespace velmora::profile::sql
