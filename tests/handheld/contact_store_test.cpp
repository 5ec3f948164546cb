// The handheld's contacts store, its category rules and its date texts.
#include "handheld/store/contact_store.h"

#include <gtest/gtest.h>

#include "handheld/store/handheld_layout.h"
#include "tests/support/temp_dir.h"

namespace velmora::handheld {
namespace {

using testing::TempDir;

Contact Named(const std::string& first, const std::string& categories = "") {
  Contact contact;
  contact.fields[1] = first;
  contact.fields[39] = categories;
  return contact;
}

std::vector<std::string> FirstNames(ContactStore& store) {
  std::vector<std::string> names;
  const auto contacts = store.All();
  for (const auto& contact : *contacts) names.push_back(contact.fields[1]);
  return names;
}

TEST(ContactStore, KeepsInsertionOrderAndRemovesByCategory) {
  TempDir dir;
  ASSERT_TRUE(CreateHandheld(dir / "hh", "Ann", std::nullopt, nullptr));
  auto store = ContactStore::Open(dir / "hh", false);
  ASSERT_TRUE(store);
  ASSERT_TRUE(store->Apply(
      {false,
       std::nullopt,
       {Named("c", "Business"), Named("a", "Personal"), Named("b", " business ,Personal")}}));
  EXPECT_EQ(FirstNames(*store), (std::vector<std::string>{"c", "a", "b"}));

  ASSERT_TRUE(store->Apply({false, std::string("BUSINESS"), {Named("d")}}));
  EXPECT_EQ(FirstNames(*store), (std::vector<std::string>{"a", "d"}));

  ASSERT_TRUE(store->Apply({true, std::nullopt, {}}));
  EXPECT_EQ(store->Count(), 0);
}

TEST(ContactStore, KeepsEveryFieldAsGiven) {
  TempDir dir;
  ASSERT_TRUE(CreateHandheld(dir / "hh", "Ann", std::nullopt, nullptr));
  auto store = ContactStore::Open(dir / "hh", false);
  Contact contact;
  for (int n = 0; n < kContactFields; ++n) {
    contact.fields[static_cast<std::size_t>(n)] = "v" + std::to_string(n) + " 'quote' \"dq\" ü\r\n";
  }
  ASSERT_TRUE(store->Apply({false, std::nullopt, {contact}}));
  EXPECT_EQ(store->All()->at(0), contact);
}

TEST(ContactStore, OpeningAMissingStoreWithoutCreatingFails) {
  TempDir dir;
  EXPECT_FALSE(ContactStore::Open(dir.path(), false));
}

TEST(Categories, MatchWholeNamesWithoutCase) {
  const struct {
    const char* categories;
    const char* category;
    bool has;
    const char* added;
  } cases[] = {
      {"", "Business", false, "Business"},
      {"Business", "business", true, "Business"},
      {"Personal, Business", "Business", true, "Personal, Business"},
      {"Personal,Businesses", "Business", false, "Personal,Businesses, Business"},
      {"  ", "Business", false, "Business"},
      {"Personal", "  Business ", false, "Personal, Business"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HasCategory(c.categories, c.category), c.has) << c.categories;
    EXPECT_EQ(AddCategory(c.categories, c.category), c.added) << c.categories;
  }
}

TEST(ContactDates, AcceptIsoAndMonthDayYear) {
  const struct {
    const char* text;
    const char* stored;  // nullptr: not a date
  } cases[] = {
      {"2008-03-15", "2008-03-15"},
      {"3/15/2008", "2008-03-15"},
      {" 1/1/2008 ", "2008-01-01"},
      {"2000-02-29", "2000-02-29"},
      {"1900-02-29", nullptr},
      {"2008-13-01", nullptr},
      {"2008-04-31", nullptr},
      {"", nullptr},
      {" ", nullptr},
      {"15.3.2008", nullptr},
      {"2008-03", nullptr},
      {"2008/03-15", nullptr},
      {"99999-1-1", nullptr},
  };
  for (const auto& c : cases) {
    const auto date = ParseContactDate(c.text);
    if (c.stored == nullptr) {
      EXPECT_FALSE(date) << c.text;
    } else {
      ASSERT_TRUE(date) << c.text;
      EXPECT_EQ(FormatContactDate(*date), c.stored);
    }
  }
}

TEST(ContactFields, NamesAreTheExportHeadersInCodeOrder) {
  EXPECT_EQ(ContactFieldNames()[0], "Title");
  EXPECT_EQ(ContactFieldNames()[45], "Anniversary");
  EXPECT_EQ(ContactFieldByName(" job TITLE "), 6);
  EXPECT_EQ(ContactFieldByName("Categories"), 40);
  EXPECT_FALSE(ContactFieldByName("Job Title2"));
}

}  // namespace
}  // namespace velmora::handheld
