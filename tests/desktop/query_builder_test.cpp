// The statements of the table and query page, its field lists, its refusals and the filter
// dialog's OK rule, driven without a database.
#include "desktop/query_builder.h"

#include <gtest/gtest.h>

#include <map>

#include "desktop/filter_rows.h"
#include "desktop/table_page_model.h"

namespace velmora::desktop {
namespace {

class FakeColumns final : public ColumnSource {
 public:
  std::map<std::string, std::vector<std::string>> columns;
  std::map<std::string, std::string> unusable;
  std::vector<std::string> Columns(const std::string& table) override { return columns[table]; }
  std::string UnusableColumns(const std::string& table) override { return unusable[table]; }
};

TEST(QueryBuilder, OneTableWithFilterAndSortGivesTheDocumentedStatement) {
  FakeColumns source;
  source.columns["Contacts"] = {"Name", "City", "Phone"};
  TablePageModel page;
  page.ChooseTables({"Contacts"}, source);
  page.MoveToAvailable({2});
  page.SetFilters({{1, 0, 1, "'Paris'"}});  // the first filter's OR is never written
  page.SetSorts({{0, 0}});
  EXPECT_EQ(page.Rebuild(),
            "Select  \"Name\" ,  \"City\"  From \"Contacts\" Where \"City\" = 'Paris' Order By "
            "\"Name\" ASC");
}

TEST(QueryBuilder, AllFieldsSelectedUseStarAndMovingOneListsTheRest) {
  FakeColumns source;
  source.columns["Contacts"] = {"Name", "City"};
  TablePageModel page;
  EXPECT_EQ(page.ChooseTables({"Contacts"}, source), "Select * from \"Contacts\"");
  EXPECT_EQ(page.Rebuild(), "Select  *  From \"Contacts\"");
  EXPECT_EQ(page.MoveToAvailable({0}), "Select  \"City\"  From \"Contacts\"");
  EXPECT_EQ(page.available(), std::vector<std::string>{"\"Name\""});
  EXPECT_EQ(page.MoveToSelected({0}), "Select  *  From \"Contacts\"");
  EXPECT_EQ(page.selected(), (std::vector<std::string>{"\"City\"", "\"Name\""}));
}

TEST(QueryBuilder, TwoTablesPrefixFieldsAndJoinTablesWithCommaSpace) {
  FakeColumns source;
  source.columns["A"] = {"Id"};
  source.columns["B"] = {"Name"};
  TablePageModel page;
  EXPECT_EQ(page.ChooseTables({"A", "B"}, source), "Select * from \"A\", \"B\"");
  EXPECT_EQ(page.catalogue(), (std::vector<std::string>{"\"A\".\"Id\"", "\"B\".\"Name\""}));
  EXPECT_EQ(page.TableNameText(), "A,B");
}

TEST(QueryBuilder, MySqlSourcesGetBareIdentifiers) {
  FakeColumns source;
  source.columns["A"] = {"Id"};
  source.columns["B"] = {"Name"};
  TablePageModel page(true);
  EXPECT_EQ(page.ChooseTables({"A", "B"}, source), "Select * from A, B");
  EXPECT_EQ(page.catalogue(), (std::vector<std::string>{"A.Id", "B.Name"}));
}

// Field texts become the bare names a mapping stores; stored names of either form read alike.
TEST(QueryBuilder, FieldTextsAreStoredAsBareColumnNames) {
  const struct {
    const char* field_text;
    const char* stored;
  } cases[] = {
      {"\"FirstName\"", "FirstName"},
      {"FirstName", "FirstName"},
      {"\"Contacts\".\"First Name\"", "Contacts.First Name"},
      {"Contacts.FirstName", "Contacts.FirstName"},
      {"\"Say \"\"Hi\"\"\"", "Say \"Hi\""},
      {"\"a.b\"", "a.b"},
      {"\"Straße\"", "Straße"},
      {"O\"Brien", "O\"Brien"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StoredColumnName(c.field_text), c.stored) << c.field_text;
    EXPECT_EQ(StoredColumnName(c.stored), StoredColumnName(c.field_text)) << c.stored;
  }
}

TEST(QueryBuilder, FiltersJoinWithTheirOwnOperatorsAndSortsWithCommas) {
  const std::vector<std::string> catalogue = {"\"A\"", "\"B\""};
  const std::string clauses = QueryBuilder::FilterAndSortClauses(
      {{0, 7, 0, "'x%'"}, {1, 6, 1, "NULL"}, {0, 5, 0, "3"}}, {{0, 1}, {1, 0}}, catalogue);
  EXPECT_EQ(clauses,
            " Where \"A\" LIKE 'x%' OR \"B\" IS NULL AND \"A\" >= 3 Order By \"B\" ASC,\"A\" DESC");
}

TEST(QueryBuilder, OperatorTextsOutsideTheirTablesAreEmpty) {
  EXPECT_EQ(ComparisonText(8), "");
  EXPECT_EQ(ComparisonText(-1), "");
  EXPECT_EQ(JoiningText(2), "");
  EXPECT_EQ(SortOrderKeyword(5), "DESC");
}

TEST(TablePage, UnusableColumnsAreKeptOutBySubstring) {
  FakeColumns source;
  source.columns["T"] = {"Name", "BinaryName", "City"};
  source.unusable["T"] = "BinaryName";
  TablePageModel page;
  page.ChooseTables({"T"}, source);
  EXPECT_EQ(page.catalogue(), std::vector<std::string>{"\"City\""});
}

TEST(TablePage, NoUnusableColumnsKeepsEveryColumn) {
  EXPECT_FALSE(IsUnusableColumn("Name", ""));
  EXPECT_TRUE(IsUnusableColumn("Name", "Photo,BinaryName"));
}

TEST(TablePage, StoredQueryTablesAreFoundBetweenFromAndWhere) {
  EXPECT_EQ(TablesOfStoredQuery("Select * from \"A\", \"B\" Where x=1"),
            (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(TablesOfStoredQuery("select 1"), std::vector<std::string>{});
}

TEST(TablePage, PreviewRefusals) {
  struct Case {
    const char* query;
    const char* refusal;  // nullptr: passes
  };
  const Case cases[] = {
      {"", "Please enter query or select table from available tables list."},
      {"   select * from T", nullptr},
      {"S E L E C T 1", nullptr},
      {"WITH x AS (select 1) select * from x", "Please enter only SELECT query."},
      {"delete from T", "Please enter only SELECT query."},
  };
  for (const Case& c : cases) {
    const auto refusal = PreviewRefusal(c.query);
    if (c.refusal == nullptr) {
      EXPECT_FALSE(refusal) << c.query;
    } else {
      EXPECT_EQ(refusal.value_or(""), c.refusal) << c.query;
    }
  }
}

TEST(TablePage, LeaveRefusalsInOrder) {
  struct Case {
    int tables;
    int sync_type;
    bool conflict;
    bool connected;
    const char* refusal;
  };
  const Case cases[] = {
      {0, 0, false, true, "Select the table First then click Next"},
      {2, 2, false, true, "Not allowe two table in case of device to desktop."},
      {1, 3, true, true,
       "Profile with same target table already exist. Please select Sync Type \"Pocket PC "
       "Contacts Adds Desktop Database\" to add another profile."},
      {2, 1, true, true, nullptr},  // the target check is for device-to-desktop profiles only
      {1, 0, false, false, "No valid database connection established."},
      {1, 2, false, true, nullptr},
  };
  for (const Case& c : cases) {
    const auto refusal = TablePageLeaveRefusal(
        c.tables, c.sync_type, [&] { return c.conflict; }, c.connected);
    EXPECT_EQ(std::string(refusal.value_or("")), c.refusal ? c.refusal : "")
        << c.tables << " " << c.sync_type;
  }
}

TEST(FilterDialog, OpensWithOneEmptyRowAndShowsEntriesOtherwise) {
  const std::vector<std::string> catalogue = {"\"Name\"", "\"City\""};
  EXPECT_EQ(RowsOfFilters({}, catalogue).size(), 1u);
  const auto rows = RowsOfFilters({{1, 0, 0, "'a'"}, {1, 1, 1, "'b'"}}, catalogue);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].joining, "");  // the first row has nothing to join
  EXPECT_EQ(rows[1].joining, "OR");
  EXPECT_EQ(rows[1].comparison, "<>");
  EXPECT_EQ(RowsOfSorts({{1, 1}}, catalogue)[0].order, "Descending");
}

TEST(FilterDialog, OkDropsUncheckedRowsAndRefusesEmptyValues) {
  const std::vector<std::string> catalogue = {"\"Name\"", "\"City\""};
  std::vector<FilterRow> rows = {NewFilterRow(catalogue), NewFilterRow(catalogue),
                                 NewFilterRow(catalogue)};
  rows[0].value = "'a'";
  rows[1].checked = false;  // empty but unchecked: dropped silently
  rows[2].field = "\"City\"";
  rows[2].comparison = "LIKE";
  rows[2].joining = "OR";
  rows[2].value = "'P%'";
  FilterReadResult read = ReadFilterRows(rows, catalogue);
  ASSERT_FALSE(read.refusal);
  EXPECT_EQ(read.filters, (std::vector<FilterEntry>{{0, 0, 0, "'a'"}, {1, 7, 1, "'P%'"}}));

  rows[1].checked = true;
  read = ReadFilterRows(rows, catalogue);
  EXPECT_EQ(read.refusal.value_or(""),
            "No. 2 filter is not valid, Please enter filter condition string");
  EXPECT_TRUE(read.filters.empty());
}

TEST(FilterDialog, SortRowsKeepTheirOrderTopToBottom) {
  const std::vector<std::string> catalogue = {"\"Name\"", "\"City\""};
  std::vector<FilterRow> rows = {NewSortRow(catalogue), NewSortRow(catalogue)};
  rows[0].field = "\"City\"";
  rows[0].order = kDescending;
  EXPECT_EQ(ReadSortRows(rows, catalogue), (std::vector<SortEntry>{{1, 1}, {0, 0}}));
}

}  // namespace
}  // namespace velmora::desktop
