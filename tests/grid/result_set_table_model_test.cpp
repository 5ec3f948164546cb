#include "desktop/grid/result_set_table_model.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QSignalSpy>

#include "desktop/grid/grid_roles.h"
#include "desktop/grid/grid_view.h"
#include "tests/grid/fake_result_set.h"
#include "tests/support_qt/qt_print.h"

namespace velmora::desktop {
namespace {

using velmora::testing::FakeResultSet;

constexpr long kMillion = 1'000'000;

class ResultSetTableModelTest : public ::testing::Test {
 protected:
  void Show(long rows, std::vector<std::string> columns = {"FirstName", "LastName", "Phone"}) {
    auto result = std::make_unique<FakeResultSet>(rows, std::move(columns), &counters_);
    fake_ = result.get();
    model_.SetResultSet(std::move(result));
  }

  FakeResultSet::Counters counters_;
  FakeResultSet* fake_ = nullptr;
  ResultSetTableModel model_;
};

TEST_F(ResultSetTableModelTest, MillionRowsOpenWithoutReadingARow) {
  Show(kMillion);
  EXPECT_EQ(model_.rowCount(), kMillion);
  EXPECT_EQ(model_.columnCount(), 3);
  EXPECT_EQ(counters_.moves, 0);
  EXPECT_EQ(counters_.value_reads, 0);
}

TEST_F(ResultSetTableModelTest, CellsComeFromTheirOwnRowByAbsolutePosition) {
  Show(kMillion);
  EXPECT_EQ(model_.data(model_.index(999'999, 2)).toString(), "r999999c2");
  EXPECT_EQ(model_.data(model_.index(0, 0)).toString(), "r0c0");
  EXPECT_EQ(model_.data(model_.index(500'000, 1), Qt::EditRole).toString(), "r500000c1");
  EXPECT_EQ(counters_.moves, 3);
  EXPECT_FALSE(model_.data(model_.index(0, 0), Qt::ToolTipRole).isValid());
}

TEST_F(ResultSetTableModelTest, RepaintingShownRowsDoesNotMoveTheCursorAgain) {
  Show(kMillion);
  for (int pass = 0; pass < 3; ++pass) {
    for (int row = 100; row < 140; ++row) {
      for (int column = 0; column < 3; ++column) model_.data(model_.index(row, column));
    }
  }
  EXPECT_EQ(counters_.moves, 40);
  EXPECT_EQ(counters_.value_reads, 40 * 3);
}

TEST_F(ResultSetTableModelTest, HoldsOnlyTheLastRowsShown) {
  Show(kMillion);
  model_.data(model_.index(0, 0));
  // Rows that share the first row's slot push it out; it is read again when shown again.
  model_.data(model_.index(ResultSetTableModel::kCachedRows, 0));
  model_.data(model_.index(0, 0));
  EXPECT_EQ(counters_.moves, 3);
}

TEST_F(ResultSetTableModelTest, Utf8TextsArriveIntact) {
  Show(3, {"Nom", "Ville"});
  fake_->SetText(1, 0, "M\u00fcller");
  fake_->SetText(1, 1, "Z\u00f6e \u6771\u4eac \U0001F600");
  EXPECT_EQ(model_.Text(1, 0), QString::fromUtf16(u"M\u00fcller"));
  EXPECT_EQ(model_.Text(1, 1), QString::fromUtf16(u"Z\u00f6e \u6771\u4eac \U0001F600"));
}

TEST_F(ResultSetTableModelTest, RowThatCannotBeFetchedShowsEmptyAndIsNotRetried) {
  Show(10);
  fake_->FailRow(4);
  EXPECT_EQ(model_.data(model_.index(4, 0)).toString(), "");
  EXPECT_EQ(model_.data(model_.index(4, 1)).toString(), "");
  EXPECT_EQ(model_.data(model_.index(5, 1)).toString(), "r5c1");
  EXPECT_EQ(counters_.moves, 2);
}

TEST_F(ResultSetTableModelTest, OutOfRangeCellsAreEmptyWithoutTouchingTheCursor) {
  Show(10);
  EXPECT_EQ(model_.Text(10, 0), "");
  EXPECT_EQ(model_.Text(-1, 0), "");
  EXPECT_EQ(model_.Text(0, 3), "");
  EXPECT_FALSE(model_.data(QModelIndex()).isValid());
  EXPECT_EQ(counters_.moves, 0);
}

TEST_F(ResultSetTableModelTest, HeadersAreTheColumnNames) {
  Show(2, {"Name", "E-mail"});
  EXPECT_EQ(model_.headerData(0, Qt::Horizontal).toString(), "Name");
  EXPECT_EQ(model_.headerData(1, Qt::Horizontal).toString(), "E-mail");
  EXPECT_EQ(model_.headerData(1, Qt::Vertical).toInt(), 2);  // rows are numbered from 1
  model_.SetColumnWidth(125);
  EXPECT_EQ(model_.headerData(1, Qt::Horizontal, kColumnWidthRole).toInt(), 125);
}

TEST_F(ResultSetTableModelTest, NewResultReplacesTheOldAndForgetsItsRows) {
  Show(5, {"A"});
  EXPECT_EQ(model_.Text(1, 0), "r1c0");
  QSignalSpy resets(&model_, &QAbstractItemModel::modelReset);
  Show(3, {"B", "C"});
  EXPECT_EQ(resets.count(), 1);
  EXPECT_EQ(model_.rowCount(), 3);
  EXPECT_EQ(model_.headerData(0, Qt::Horizontal).toString(), "B");
  const long moves = counters_.moves;
  EXPECT_EQ(model_.Text(1, 1), "r1c1");
  EXPECT_EQ(counters_.moves, moves + 1);

  model_.Clear();
  EXPECT_EQ(model_.rowCount(), 0);
  EXPECT_EQ(model_.columnCount(), 0);
  EXPECT_EQ(model_.result_set(), nullptr);
}

TEST_F(ResultSetTableModelTest, ViewOverAMillionRowsReadsOnlyWhatItShows) {
  Show(kMillion);
  GridView view;
  view.resize(400, 300);
  view.setModel(&model_);
  view.show();
  QApplication::processEvents();
  view.grab();
  const long shown_first = counters_.moves;
  EXPECT_GT(shown_first, 0);
  EXPECT_LT(shown_first, 50);

  view.scrollToBottom();
  QApplication::processEvents();
  view.grab();
  EXPECT_LT(counters_.moves, 2 * shown_first + 5);
  EXPECT_EQ(model_.Text(kMillion - 1, 0), "r999999c0");
}

}  // namespace
}  // namespace velmora::desktop
