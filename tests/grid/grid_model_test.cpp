#include "desktop/grid/grid_model.h"

#include <gtest/gtest.h>

#include <QBrush>
#include <QFont>
#include <QMimeData>
#include <QPersistentModelIndex>
#include <QSignalSpy>
#include <memory>

#include "desktop/grid/grid_roles.h"
#include "tests/support_qt/qt_print.h"

namespace velmora::desktop {
namespace {

const QStringList kOperators = {"=", "<>", "<", ">", "<=", ">=", "LIKE", "NOT LIKE"};

// A filter list: joining word, field, operator, free-text value of at most 20 characters.
class GridModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    model_.SetColumns({ChoiceColumn("Filter joining", 70, {"AND", "OR"}),
                       ChoiceColumn("Available Fields", 120, {"FirstName", "LastName"}),
                       ChoiceColumn("Filter operator", 50, kOperators),
                       TextColumn("Filter value", 200, 20)});
    model_.SetCheckable(true);
    model_.AppendRow(MakeGridRow({"", "FirstName", "=", "Ann"}, true));
    model_.AppendRow(MakeGridRow({"AND", "LastName", "LIKE", "B%"}, true));
    model_.AppendRow(MakeGridRow({"OR", "FirstName", "<>", "Carl"}, false));
  }

  // The first filter joins nothing, so its joining cell cannot be edited.
  void ReadOnlyFirstJoin() {
    GridCell cell;
    cell.editor = EditorKind::kNone;
    model_.SetCell(0, 0, cell);
  }

  QModelIndex At(int row, int column) const { return model_.index(row, column); }
  QStringList Column(int column) const {
    QStringList texts;
    for (int row = 0; row < model_.rowCount(); ++row) texts << model_.Text(row, column);
    return texts;
  }

  GridModel model_;
};

TEST_F(GridModelTest, ShowsTextsTitlesAndWidths) {
  EXPECT_EQ(model_.rowCount(), 3);
  EXPECT_EQ(model_.columnCount(), 4);
  EXPECT_EQ(model_.data(At(1, 2)).toString(), "LIKE");
  EXPECT_EQ(model_.data(At(1, 3), Qt::EditRole).toString(), "B%");
  EXPECT_EQ(model_.headerData(3, Qt::Horizontal).toString(), "Filter value");
  EXPECT_EQ(model_.headerData(0, Qt::Horizontal, kColumnWidthRole).toInt(), 70);
  EXPECT_EQ(model_.data(At(0, 1), kChoicesRole).toStringList(),
            QStringList({"FirstName", "LastName"}));
  EXPECT_EQ(model_.data(At(0, 3), kMaxLengthRole).toInt(), 20);
}

TEST_F(GridModelTest, ShortRowsReadAsEmptyCells) {
  model_.AppendRow(MakeGridRow({"AND"}));
  EXPECT_EQ(model_.Text(3, 3), "");
  EXPECT_TRUE(model_.SetText(3, 3, "x"));
  EXPECT_EQ(model_.Text(3, 3), "x");
  EXPECT_FALSE(model_.SetText(3, 4, "beyond the columns"));
  EXPECT_FALSE(model_.SetText(9, 0, "beyond the rows"));
}

TEST_F(GridModelTest, CellLooksComeThroughTheirRoles) {
  GridCell cell = MakeGridCell("FirstName");
  cell.tool_tip = "Given name";
  cell.foreground = QColor(Qt::red);
  cell.background = QColor(230, 255, 246);
  cell.bold = true;
  model_.SetCell(0, 1, cell);
  EXPECT_EQ(model_.data(At(0, 1), Qt::ToolTipRole).toString(), "Given name");
  EXPECT_EQ(model_.data(At(0, 1), Qt::ForegroundRole).value<QBrush>().color(), QColor(Qt::red));
  EXPECT_EQ(model_.data(At(0, 1), Qt::BackgroundRole).value<QBrush>().color(),
            QColor(230, 255, 246));
  EXPECT_TRUE(model_.data(At(0, 1), Qt::FontRole).value<QFont>().bold());
  // A plain cell leaves everything to the view.
  for (int role : {int(Qt::ToolTipRole), int(Qt::ForegroundRole), int(Qt::BackgroundRole),
                   int(Qt::FontRole)}) {
    EXPECT_FALSE(model_.data(At(1, 1), role).isValid()) << role;
  }
}

TEST_F(GridModelTest, EditorKindsAndFlagsFollowColumnsAndCellOverrides) {
  ReadOnlyFirstJoin();
  struct Case {
    int row, column;
    EditorKind editor;
  };
  const Case cases[] = {{0, 0, EditorKind::kNone},
                        {1, 0, EditorKind::kChoice},
                        {1, 2, EditorKind::kChoice},
                        {1, 3, EditorKind::kText}};
  for (const Case& c : cases) {
    EXPECT_EQ(model_.data(At(c.row, c.column), kEditorKindRole).toInt(), int(c.editor))
        << c.row << "," << c.column;
    EXPECT_EQ(bool(model_.flags(At(c.row, c.column)) & Qt::ItemIsEditable),
              c.editor != EditorKind::kNone)
        << c.row << "," << c.column;
  }
  EXPECT_TRUE(model_.flags(At(1, 0)) & Qt::ItemIsUserCheckable);
  EXPECT_FALSE(model_.flags(At(1, 1)) & Qt::ItemIsUserCheckable);
}

TEST_F(GridModelTest, EditsAreCheckedAgainstTheCellsEditor) {
  ReadOnlyFirstJoin();
  QSignalSpy edited(&model_, &GridModel::CellEdited);
  struct Case {
    const char* what;
    int row, column;
    QString text;
    bool accepted;
    QString after;
  };
  const Case cases[] = {
      {"a choice", 1, 2, "NOT LIKE", true, "NOT LIKE"},
      {"not among the choices", 1, 1, "Nickname", false, "LastName"},
      {"choices are case-sensitive", 1, 0, "or", false, "AND"},
      {"free text", 1, 3, "O'Brien", true, "O'Brien"},
      {"free text at its limit", 1, 3, QString(20, 'x'), true, QString(20, 'x')},
      {"free text over its limit", 1, 3, QString(21, 'y'), false, QString(20, 'x')},
      {"empty free text", 2, 3, "", true, ""},
      {"read-only cell", 0, 0, "AND", false, ""},
  };
  int edits = 0;
  for (const Case& c : cases) {
    EXPECT_EQ(model_.setData(At(c.row, c.column), c.text), c.accepted) << c.what;
    EXPECT_EQ(model_.Text(c.row, c.column), c.after) << c.what;
    if (c.accepted) ++edits;
  }
  EXPECT_EQ(edited.count(), edits);
  EXPECT_FALSE(model_.setData(At(1, 3), "x", Qt::DisplayRole));
}

TEST_F(GridModelTest, CheckBoxesSitInTheFirstColumn) {
  EXPECT_EQ(model_.data(At(0, 0), Qt::CheckStateRole).toInt(), Qt::Checked);
  EXPECT_EQ(model_.data(At(2, 0), Qt::CheckStateRole).toInt(), Qt::Unchecked);
  EXPECT_FALSE(model_.data(At(0, 1), Qt::CheckStateRole).isValid());
  EXPECT_EQ(model_.CheckedRows(), (std::vector<int>{0, 1}));

  QSignalSpy changed(&model_, &GridModel::RowCheckChanged);
  EXPECT_TRUE(model_.setData(At(2, 0), Qt::Checked, Qt::CheckStateRole));
  EXPECT_TRUE(model_.setData(At(0, 0), Qt::Unchecked, Qt::CheckStateRole));
  EXPECT_TRUE(model_.setData(At(0, 0), Qt::Unchecked, Qt::CheckStateRole));  // no change
  EXPECT_FALSE(model_.setData(At(0, 1), Qt::Checked, Qt::CheckStateRole));
  EXPECT_EQ(changed.count(), 2);
  EXPECT_EQ(model_.CheckedRows(), (std::vector<int>{1, 2}));

  model_.SetAllChecked(true);
  EXPECT_EQ(model_.CheckedRows(), (std::vector<int>{0, 1, 2}));
  model_.SetCheckable(false);
  EXPECT_FALSE(model_.data(At(0, 0), Qt::CheckStateRole).isValid());
  EXPECT_FALSE(model_.setData(At(0, 0), Qt::Unchecked, Qt::CheckStateRole));
}

TEST_F(GridModelTest, MovedRowsKeepTheirCellsChecksDataAndSelections) {
  model_.SetRowData(2, QStringLiteral("third"));
  const QPersistentModelIndex carl(At(2, 3));
  const QPersistentModelIndex ann(At(0, 3));
  EXPECT_TRUE(model_.MoveRows({2}, 0));
  EXPECT_EQ(Column(3), QStringList({"Carl", "Ann", "B%"}));
  EXPECT_EQ(model_.Row(0).data.toString(), "third");
  EXPECT_FALSE(model_.IsChecked(0));
  EXPECT_EQ(carl.row(), 0);
  EXPECT_EQ(ann.row(), 1);
  EXPECT_EQ(carl.data().toString(), "Carl");

  EXPECT_TRUE(model_.moveRows(QModelIndex(), 0, 2, QModelIndex(), 3));
  EXPECT_EQ(Column(3), QStringList({"B%", "Carl", "Ann"}));
  EXPECT_FALSE(model_.MoveRows({7}, 0));
}

TEST_F(GridModelTest, DraggingIsOffUntilRowsAreMovable) {
  EXPECT_FALSE(model_.flags(At(0, 0)) & Qt::ItemIsDragEnabled);
  EXPECT_FALSE(model_.flags(QModelIndex()) & Qt::ItemIsDropEnabled);
  std::unique_ptr<QMimeData> mime(model_.mimeData({At(0, 0)}));
  EXPECT_FALSE(model_.canDropMimeData(mime.get(), Qt::MoveAction, 3, 0, QModelIndex()));

  model_.SetRowsMovable(true);
  EXPECT_TRUE(model_.flags(At(0, 0)) & Qt::ItemIsDragEnabled);
  EXPECT_TRUE(model_.flags(QModelIndex()) & Qt::ItemIsDropEnabled);
  EXPECT_EQ(model_.supportedDropActions(), Qt::MoveAction);
}

TEST_F(GridModelTest, DroppedRowsLandWhereTheyWereDropped) {
  model_.SetRowsMovable(true);
  struct Case {
    const char* what;
    int row;
    int parent_row;  // -1 = dropped on empty space
    QStringList after;
  };
  const Case cases[] = {
      {"before a row", 0, -1, {"Carl", "Ann", "B%"}},
      {"on a cell", -1, 0, {"Carl", "Ann", "B%"}},
      {"on empty space", -1, -1, {"Ann", "B%", "Carl"}},
  };
  for (const Case& c : cases) {
    model_.ClearRows();
    SetUp();  // fresh rows: Ann, B%, Carl
    model_.SetRowsMovable(true);
    ASSERT_EQ(model_.rowCount(), 3) << c.what;
    std::unique_ptr<QMimeData> mime(model_.mimeData({At(2, 0), At(2, 1), At(2, 3)}));
    const QModelIndex parent = c.parent_row >= 0 ? At(c.parent_row, 1) : QModelIndex();
    EXPECT_TRUE(model_.dropMimeData(mime.get(), Qt::MoveAction, c.row, 0, parent)) << c.what;
    EXPECT_EQ(Column(3), c.after) << c.what;
  }
}

TEST_F(GridModelTest, RowsDraggedFromAnotherGridAreRefused) {
  model_.SetRowsMovable(true);
  GridModel other;
  other.SetColumns({ReadOnlyColumn("x")});
  other.SetRowsMovable(true);
  other.AppendRow(MakeGridRow({"a"}));
  std::unique_ptr<QMimeData> foreign(other.mimeData({other.index(0, 0)}));
  ASSERT_NE(foreign, nullptr);
  EXPECT_FALSE(model_.canDropMimeData(foreign.get(), Qt::MoveAction, 0, 0, QModelIndex()));
  EXPECT_FALSE(model_.dropMimeData(foreign.get(), Qt::MoveAction, 0, 0, QModelIndex()));
  QMimeData text;
  text.setText("Ann");
  EXPECT_FALSE(model_.dropMimeData(&text, Qt::MoveAction, 0, 0, QModelIndex()));
  EXPECT_EQ(Column(3), QStringList({"Ann", "B%", "Carl"}));
}

}  // namespace
}  // namespace velmora::desktop
