// The content pane: which profiles show their mapping, their rows or nothing, the statement
// that reads the rows (mapped columns under device field names, quoting by database kind, the
// query's own filter and order), and both contents read through the grid.
#include <gtest/gtest.h>

#include <QHeaderView>

#include "desktop/content_grid.h"
#include "desktop/grid/result_set_table_model.h"
#include "tests/desktop_panes/panes_fixture.h"

namespace velmora::desktop {
namespace {

using testing::PanesTest;

QStringList Headings(const QAbstractItemModel& model) {
  QStringList out;
  for (int c = 0; c < model.columnCount(); ++c) {
    out << model.headerData(c, Qt::Horizontal).toString();
  }
  return out;
}

QStringList Row(const QAbstractItemModel& model, int row) {
  QStringList out;
  for (int c = 0; c < model.columnCount(); ++c) out << model.index(row, c).data().toString();
  return out;
}

TEST(ContentRules, WhatEachSyncTypeShows) {
  const struct {
    bool suspended;
    int sync_type;
    ContentKind kind;
  } cases[] = {
      {false, 0, ContentKind::kRows},    {false, 1, ContentKind::kRows},
      {false, 2, ContentKind::kMapping}, {false, 3, ContentKind::kMapping},
      {false, 4, ContentKind::kRows},    {false, 5, ContentKind::kEmpty},
      {false, 6, ContentKind::kEmpty},   {false, -1, ContentKind::kEmpty},
      {true, 0, ContentKind::kEmpty},    {true, 2, ContentKind::kEmpty},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ContentKindOf(c.suspended, c.sync_type), c.kind) << c.suspended << " " << c.sync_type;
  }
}

TEST(ContentRules, QueryTailStartsAtTheFirstClauseAfterFrom) {
  const struct {
    const char* query;
    const char* tail;
  } cases[] = {
      {"Select * from \"Contacts\"", ""},
      {"Select * from \"Contacts\" Where \"Visits\" > 0 Order By \"LastName\"",
       "Where \"Visits\" > 0 Order By \"LastName\""},
      {"select a from t order by a", "order by a"},
      {"Select x from T group by x having count(*) > 1", "group by x having count(*) > 1"},
      // Names and literals that hold the words do not end the table list.
      {"Select * From \"Order Items\" Where x=1", "Where x=1"},
      {"Select \"Whereabouts\" From T Where a='group by'", "Where a='group by'"},
      {"Select * from [Where] ORDER BY 1", "ORDER BY 1"},
      {"Select FromDate, OrderNo from T", ""},
      {"Select * from \"unterminated Where x", ""},
      {"no table here where x", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(QueryTail(c.query), c.tail) << c.query;
}

TEST(ContentRules, MappedColumnsAreQuotedByDatabaseKind) {
  const struct {
    const char* column;
    bool bare;
    const char* written;
  } cases[] = {
      {"FirstName", false, "\"FirstName\""},
      {"Contacts.FirstName", false, "\"Contacts\".\"FirstName\""},
      {"FirstName", true, "FirstName"},
      {"Contacts.FirstName", true, "Contacts.FirstName"},
      {"\"Contacts\".\"FirstName\"", false, "\"Contacts\".\"FirstName\""},
      {"\"FirstName\"", true, "FirstName"},
      {"O\"Brien", false, "\"O\"\"Brien\""},
  };
  for (const auto& c : cases) EXPECT_EQ(ContentColumn(c.column, c.bare), c.written) << c.column;
}

TEST(ContentRules, StatementListsMappedColumnsUnderDeviceNames) {
  const std::vector<profile::MappedField> mapping = {
      {"First", "FirstName"}, {"Initial", "X"}, {"Notes", ""}, {"E-mail", "Email"}};
  const std::string tail = " Where \"Visits\" > 0";
  const struct {
    int connection_type;
    const char* tables;
    std::string statement;
  } cases[] = {
      {profile::kOtherOdbc, "Contacts",
       "Select \"FirstName\" AS \"First\",\"Email\" AS \"E-mail\" From \"Contacts\"" + tail},
      {profile::kTextKind, " A , B ",
       "Select \"FirstName\" AS \"First\",\"Email\" AS \"E-mail\" From \"A\", \"B\"" + tail},
      {profile::kFoxProKind, "Contacts",
       "Select FirstName AS \"First\",Email AS \"E-mail\" From \"Contacts\"" + tail},
      {profile::kMySqlKind, "Contacts,Firms",
       "Select FirstName AS \"First\",Email AS \"E-mail\" From Contacts, Firms" + tail},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(
        ContentStatement(mapping, c.tables, c.connection_type, "Select * from \"Contacts\"" + tail),
        c.statement)
        << c.connection_type;
  }
  // Only placeholders: no statement.
  EXPECT_EQ(ContentStatement({{"Initial", "X"}}, "Contacts", 0, "Select * from Contacts"), "");
}

class ContentGridTest : public PanesTest {};

TEST_F(ContentGridTest, DeviceToDesktopProfileShowsItsMapping) {
  Store(SampleProfile(1, "Back Office", profile::kDeviceOverwritesDesktop));
  auto frame = Frame();
  CContentGrid* grid = frame->content_grid();
  EXPECT_EQ(grid->shown(), ContentKind::kMapping);
  const QAbstractItemModel& model = *grid->model();
  EXPECT_EQ(Headings(model),
            (QStringList{"PocketPCContactFields", "CustomDBFields", "CustomDBDataTypes"}));
  ASSERT_EQ(model.rowCount(), 4);
  EXPECT_EQ(Row(model, 0), (QStringList{"First", "FirstName", "SQL_CHAR"}));
  for (int c = 0; c < model.columnCount(); ++c) EXPECT_EQ(grid->columnWidth(c), 180);
}

TEST_F(ContentGridTest, MappingOfAProfileOnSeveralTablesHasNoTypes) {
  profile::ProfileRecord two = SampleProfile(1, "Joined", profile::kDeviceAddsDesktop);
  two.table_name = "Contacts,Firms";
  Store(two);
  auto frame = Frame();
  EXPECT_EQ(Headings(*frame->content_grid()->model()),
            (QStringList{"PocketPCContactFields", "CustomDBFields"}));
}

TEST_F(ContentGridTest, DesktopToDeviceProfileShowsItsRowsUnderTheMapping) {
  Store(SampleProfile(1, "Sales Team", profile::kDesktopAddsDevice));
  auto frame = Frame();
  CContentGrid* grid = frame->content_grid();
  EXPECT_EQ(grid->shown(), ContentKind::kRows);
  const QAbstractItemModel& model = *grid->model();
  EXPECT_EQ(Headings(model), (QStringList{"First", "Last", "Company", "E-mail"}));
  // The query's filter and order apply.
  ASSERT_EQ(model.rowCount(), 34);
  EXPECT_EQ(Row(model, 0).mid(0, 2), (QStringList{"Olusegun", "Adeyemi"}));
  for (int c = 0; c < model.columnCount(); ++c) EXPECT_EQ(grid->columnWidth(c), 125);
  // Read on demand: the grid holds the result set, not a copy of the rows.
  EXPECT_NE(grid->rows_model()->result_set(), nullptr);
}

TEST_F(ContentGridTest, LongQueryIsTakenWhole) {
  profile::ProfileRecord wide = SampleProfile(1, "Long filter", profile::kDesktopAddsDevice);
  wide.query = "Select * from \"Contacts\" Where \"Visits\" > 0 And \"LastName\" <> '" +
               std::string(600, 'x') + "' Order By \"LastName\"";
  Store(wide);
  auto frame = Frame();
  EXPECT_EQ(frame->content_grid()->shown(), ContentKind::kRows);
  EXPECT_EQ(frame->content_grid()->model()->rowCount(), 34);
}

TEST_F(ContentGridTest, ProfileWithoutMappingShowsWhatItsQueryReads) {
  Store(SampleProfile(1, "Unmapped", profile::kDoNothing), false);
  auto frame = Frame();
  EXPECT_EQ(frame->content_grid()->shown(), ContentKind::kRows);
  EXPECT_EQ(frame->content_grid()->model()->rowCount(), 34);
}

TEST_F(ContentGridTest, SuspendedContentEmptiesTheGrid) {
  Store(SampleProfile(1, "Sales Team", profile::kDesktopOverwritesDevice));
  auto frame = Frame();
  ASSERT_GT(frame->content_grid()->model()->rowCount(), 0);
  session_.suspend_content = true;
  frame->RefreshPanes();
  EXPECT_EQ(frame->content_grid()->shown(), ContentKind::kEmpty);
  EXPECT_EQ(frame->content_grid()->model()->rowCount(), 0);
  session_.suspend_content = false;
  frame->RefreshPanes();
  EXPECT_EQ(frame->content_grid()->model()->rowCount(), 34);
}

}  // namespace
}  // namespace velmora::desktop
