#include "profile/field_catalogue.h"

#include <gtest/gtest.h>

#include <set>

namespace velmora::profile {
namespace {

struct RowCase {
  int row;
  bool fixed_category;
  const char* name;
  const char* field_id;
};

TEST(FieldCatalogue, RowsTranslateToTheFieldsTheListShows) {
  const RowCase cases[] = {
      {0, false, "Title", "F1"},
      {9, false, "Work fax", "F16"},  // display order is not field-number order
      {9, true, "Work fax", "F16"},
      {24, false, "Home Country", "F34"},
      {25, false, "Categories", "F40"},
      {25, true, "Other Street", "F35"},  // rows after Home Country move up by one
      {26, false, "Other Street", "F35"},
      {33, true, "Work2 tel", "F10"},
      {34, false, "Work2 tel", "F10"},
      {44, true, "Notes", "F44"},
      {45, false, "Notes", "F44"},
      {45, true, "", ""},
      {46, false, "", ""},
      {-1, false, "", ""},
      {-1, true, "", ""},
  };
  for (const RowCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << "row " << c.row << " fixed " << c.fixed_category);
    EXPECT_EQ(FieldNameByRow(c.row, c.fixed_category), c.name);
    EXPECT_EQ(FieldIdByRow(c.row, c.fixed_category), c.field_id);
  }
}

TEST(FieldCatalogue, EachListShowsEveryFieldOnceAndTheFixedListHasNoCategories) {
  for (const bool fixed : {false, true}) {
    std::set<std::string> ids;
    for (int row = 0; row < RowCount(fixed); ++row) ids.insert(FieldIdByRow(row, fixed));
    EXPECT_EQ(static_cast<int>(ids.size()), RowCount(fixed));
    EXPECT_EQ(ids.count(""), 0u);
    EXPECT_EQ(ids.count("F40"), fixed ? 0u : 1u);
  }
}

TEST(FieldCatalogue, LookupsByNumberAndIdAgree) {
  for (int number = 1; number <= kFieldCount; ++number) {
    const ContactField* field = FieldByNumber(number);
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->field_id, "F" + std::to_string(number));
    EXPECT_EQ(FieldById(field->field_id), field);
  }
  EXPECT_EQ(FieldByNumber(0), nullptr);
  EXPECT_EQ(FieldByNumber(47), nullptr);
  EXPECT_EQ(FieldById("F07"), nullptr);
  EXPECT_EQ(FieldById("f7"), nullptr);
  EXPECT_EQ(FieldById("F47"), nullptr);
}

}  // namespace
}  // namespace velmora::profile
