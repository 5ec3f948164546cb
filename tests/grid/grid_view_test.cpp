#include "desktop/grid/grid_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QPointer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <memory>

#include "desktop/grid/grid_delegate.h"
#include "desktop/grid/grid_model.h"
#include "tests/support_qt/qt_print.h"
#include "tests/support_qt/screenshot.h"

namespace velmora::desktop {
namespace {

const QStringList kFieldTexts = {"NONE", "FirstName", "LastName", "Company", "Phone", "EMail"};

// Qt hands drop events only to the target of a drag in progress, so the tests call the
// handler directly.
class DropTestView : public GridView {
 public:
  void Drop(QDropEvent* event) { dropEvent(event); }
};

// A small mapping list: device field (read-only, checkable) and mapped column (drop-down),
// plus a free-text note column.
class GridViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    model_.SetColumns({ReadOnlyColumn("Pocket PC Contacts Field", 192),
                       ChoiceColumn("Custom Database Field", 192, kFieldTexts),
                       TextColumn("Note", 90, 8)});
    model_.SetCheckable(true);
    model_.SetRowsMovable(true);
    const QStringList device_fields = {"First name", "Last name", "Company", "Business phone"};
    for (const QString& field : device_fields) {
      model_.AppendRow(MakeGridRow({field, "NONE", ""}, true));
    }
    view_.grid_delegate()->SetOpenChoicesAtOnce(false);
    view_.setModel(&model_);
    view_.resize(520, 200);
  }

  QPoint CellPoint(int row, int column, int dy = 0) const {
    const QRect rect = view_.visualRect(model_.index(row, column));
    return rect.center() + QPoint(0, dy);
  }

  QStringList FirstColumn() const {
    QStringList texts;
    for (int row = 0; row < model_.rowCount(); ++row) texts << model_.Text(row, 0);
    return texts;
  }

  GridModel model_;
  DropTestView view_;
};

TEST_F(GridViewTest, ColumnWidthsComeFromTheModel) {
  EXPECT_EQ(view_.columnWidth(0), 192);
  EXPECT_EQ(view_.columnWidth(2), 90);
  model_.SetColumns({ReadOnlyColumn("Sort Order", 90), ReadOnlyColumn("Available Fields", 120)});
  EXPECT_EQ(view_.columnWidth(0), 90);
  EXPECT_EQ(view_.columnWidth(1), 120);
}

TEST_F(GridViewTest, EachEditorKindGetsItsEditor) {
  QStyleOptionViewItem option;
  GridDelegate* delegate = view_.grid_delegate();
  std::unique_ptr<QWidget> none(
      delegate->createEditor(view_.viewport(), option, model_.index(0, 0)));
  std::unique_ptr<QWidget> choice(
      delegate->createEditor(view_.viewport(), option, model_.index(0, 1)));
  std::unique_ptr<QWidget> text(
      delegate->createEditor(view_.viewport(), option, model_.index(0, 2)));
  EXPECT_EQ(none, nullptr);
  auto* combo = qobject_cast<QComboBox*>(choice.get());
  ASSERT_NE(combo, nullptr);
  QStringList items;
  for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
  EXPECT_EQ(items, kFieldTexts);
  EXPECT_FALSE(combo->isEditable());
  auto* edit = qobject_cast<QLineEdit*>(text.get());
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->maxLength(), 8);
}

TEST_F(GridViewTest, DropDownShowsTheCellsChoiceAndWritesThePickedOne) {
  GridDelegate* delegate = view_.grid_delegate();
  const QModelIndex cell = model_.index(1, 1);
  model_.SetText(1, 1, "Company");
  std::unique_ptr<QWidget> editor(delegate->createEditor(view_.viewport(), {}, cell));
  auto* combo = qobject_cast<QComboBox*>(editor.get());
  ASSERT_NE(combo, nullptr);
  delegate->setEditorData(combo, cell);
  EXPECT_EQ(combo->currentText(), "Company");
  combo->setCurrentIndex(static_cast<int>(kFieldTexts.indexOf("EMail")));
  delegate->setModelData(combo, &model_, cell);
  EXPECT_EQ(model_.Text(1, 1), "EMail");
}

TEST_F(GridViewTest, DropDownLeavesATextThatIsNotAChoiceAlone) {
  GridDelegate* delegate = view_.grid_delegate();
  const QModelIndex cell = model_.index(2, 1);
  model_.SetText(2, 1, "DroppedColumn");  // a stored mapping the statement no longer has
  std::unique_ptr<QWidget> editor(delegate->createEditor(view_.viewport(), {}, cell));
  auto* combo = qobject_cast<QComboBox*>(editor.get());
  ASSERT_NE(combo, nullptr);
  delegate->setEditorData(combo, cell);
  EXPECT_EQ(combo->currentIndex(), -1);
  delegate->setModelData(combo, &model_, cell);
  EXPECT_EQ(model_.Text(2, 1), "DroppedColumn");
}

TEST_F(GridViewTest, LineEditWritesFreeText) {
  GridDelegate* delegate = view_.grid_delegate();
  const QModelIndex cell = model_.index(0, 2);
  model_.SetText(0, 2, "old");
  std::unique_ptr<QWidget> editor(delegate->createEditor(view_.viewport(), {}, cell));
  auto* edit = qobject_cast<QLineEdit*>(editor.get());
  ASSERT_NE(edit, nullptr);
  delegate->setEditorData(edit, cell);
  EXPECT_EQ(edit->text(), "old");
  edit->setText("it's");
  delegate->setModelData(edit, &model_, cell);
  EXPECT_EQ(model_.Text(0, 2), "it's");
}

TEST_F(GridViewTest, DoubleClickOpensTheDropDownAndPickingEndsTheEdit) {
  view_.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view_));
  QTest::mouseClick(view_.viewport(), Qt::LeftButton, {}, CellPoint(3, 1));
  QTest::mouseDClick(view_.viewport(), Qt::LeftButton, {}, CellPoint(3, 1));
  QPointer<QComboBox> combo = view_.viewport()->findChild<QComboBox*>();
  ASSERT_NE(combo, nullptr);
  const int phone = static_cast<int>(kFieldTexts.indexOf("Phone"));
  combo->setCurrentIndex(phone);
  emit combo->activated(phone);
  EXPECT_EQ(model_.Text(3, 1), "Phone");
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(combo.isNull()) << "the editor stays open after a pick";
}

TEST_F(GridViewTest, SpaceTogglesTheCurrentRowsCheckBox) {
  view_.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view_));
  QSignalSpy changed(&model_, &GridModel::RowCheckChanged);
  view_.setCurrentIndex(model_.index(2, 0));
  QTest::keyClick(&view_, Qt::Key_Space);
  EXPECT_FALSE(model_.IsChecked(2));
  QTest::keyClick(&view_, Qt::Key_Space);
  EXPECT_TRUE(model_.IsChecked(2));
  EXPECT_EQ(changed.count(), 2);
  EXPECT_EQ(model_.CheckedRows(), (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(GridViewTest, DropPositionDependsOnTheHalfOfTheRow) {
  view_.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view_));
  const int quarter = view_.rowHeight(0) / 4;
  struct Case {
    const char* what;
    QPoint point;
    int destination;
  };
  const Case cases[] = {
      {"upper half of the first row", CellPoint(0, 0, -quarter), 0},
      {"lower half of the first row", CellPoint(0, 0, quarter), 1},
      {"upper half of the last row", CellPoint(3, 1, -quarter), 3},
      {"lower half of the last row", CellPoint(3, 1, quarter), 4},
      {"empty space below the rows", QPoint(10, view_.viewport()->height() - 2), 4},
  };
  for (const Case& c : cases) EXPECT_EQ(view_.DropDestination(c.point), c.destination) << c.what;
}

TEST_F(GridViewTest, DroppingARowMovesItAndKeepsEveryRow) {
  view_.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view_));
  view_.selectRow(3);
  std::unique_ptr<QMimeData> mime(model_.mimeData(view_.selectionModel()->selectedIndexes()));
  ASSERT_NE(mime, nullptr);
  QDropEvent drop(CellPoint(0, 0, -view_.rowHeight(0) / 4), Qt::MoveAction, mime.get(),
                  Qt::LeftButton, Qt::NoModifier);
  view_.Drop(&drop);
  EXPECT_TRUE(drop.isAccepted());
  EXPECT_EQ(FirstColumn(), QStringList({"Business phone", "First name", "Last name", "Company"}));
  // The selection follows the moved row.
  EXPECT_TRUE(view_.selectionModel()->isRowSelected(0, {}));
}

TEST_F(GridViewTest, DropIsRefusedWhenRowsAreNotMovable) {
  model_.SetRowsMovable(false);
  std::unique_ptr<QMimeData> mime(model_.mimeData({model_.index(3, 0)}));
  QDropEvent drop(CellPoint(0, 0), Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
  view_.Drop(&drop);
  EXPECT_FALSE(drop.isAccepted());
  EXPECT_EQ(FirstColumn(), QStringList({"First name", "Last name", "Company", "Business phone"}));
}

TEST_F(GridViewTest, WheelScrollsOnlyWhileWheelScrollingIsOn) {
  for (int i = 0; i < 60; ++i) model_.AppendRow(MakeGridRow({QString::number(i), "NONE"}));
  view_.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view_));
  auto wheel_down = [this] {
    const QPointF at(view_.viewport()->rect().center());
    QWheelEvent event(at, view_.viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view_.viewport(), &event);
  };
  view_.SetWheelScrolling(false);
  wheel_down();
  EXPECT_EQ(view_.verticalScrollBar()->value(), 0);
  view_.SetWheelScrolling(true);
  wheel_down();
  EXPECT_GT(view_.verticalScrollBar()->value(), 0);
}

TEST_F(GridViewTest, Screenshot) {
  const QColor light_green(204, 255, 204);
  QPalette palette = view_.palette();
  palette.setColor(QPalette::Base, light_green);
  view_.setPalette(palette);
  model_.SetText(0, 1, "FirstName");
  GridCell mapped = MakeGridCell("LastName");
  mapped.tool_tip = "Mapped to LastName";
  mapped.bold = true;
  model_.SetCell(1, 1, mapped);
  GridCell unmapped = MakeGridCell("NONE");
  unmapped.foreground = QColor(160, 0, 0);
  model_.SetCell(2, 1, unmapped);
  GridCell marked = MakeGridCell("Business phone");
  marked.background = QColor(255, 255, 180);
  model_.SetCell(3, 0, marked);
  model_.SetChecked(2, false);
  model_.SetText(0, 2, "typed");
  view_.verticalHeader()->hide();
  view_.openPersistentEditor(model_.index(3, 1));
  view_.selectRow(0);
  const auto file = velmora::testing::SaveScreenshot(&view_, "grid");
  ASSERT_FALSE(file.empty());
  EXPECT_TRUE(std::filesystem::exists(file));
}

}  // namespace
}  // namespace velmora::desktop
