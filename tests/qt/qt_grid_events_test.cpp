// Real Qt key, mouse and focus events become the grid's notifications.
#include <QHeaderView>
#include <QScrollBar>
#include <QTest>

#include "tests/qt/qt_test_support.h"

namespace vmbgrid::qttest {
namespace {

class QtGridEvents : public FormTest {
 protected:
  // A search line: one row of criteria over two columns.
  void BindSearchLine() {
    array_ = std::make_shared<XArray>(1, 1, 0, 1);
    grid_->AddColumn(0).Caption("Nr");
    grid_->AddColumn(1).Caption("Name");
    grid_->BindArray(array_);
  }
  std::shared_ptr<XArray> array_;
};

TEST_F(QtGridEvents, TypedCriterionReachesTheArrayOnCommit) {
  BindSearchLine();
  grid_->SetFocus();
  grid_->Col(1);
  QApplication::processEvents();
  ASSERT_TRUE(grid_->HasFocus());
  QTest::keyClick(View(), 'M');
  ASSERT_TRUE(grid_->EditActive());  // the first key opened the editor
  QWidget* editor = Focused();
  ASSERT_NE(editor, View());
  QTest::keyClicks(editor, "ei*");
  EXPECT_TRUE(grid_->DataChanged());
  EXPECT_TRUE(events_.colUpdates.empty());  // nothing is written while typing
  QTest::keyClick(editor, Qt::Key_Return);

  EXPECT_EQ(array_->Value(1, 1), Variant("Mei*"));
  EXPECT_EQ(events_.colUpdates, (std::vector<int>{1}));
  EXPECT_FALSE(grid_->EditActive());
  EXPECT_EQ(events_.keys.front().code, 77);
  EXPECT_EQ(events_.chars.front(), 'M');
}

TEST_F(QtGridEvents, KeyCodesAndShiftStatesAreTheVirtualKeyOnes) {
  BindSearchLine();
  grid_->SetFocus();
  events_.consumeKey = -2;
  struct Case {
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    int code, shift;
  } cases[] = {
      {Qt::Key_Tab, {}, 9, 0},
      {Qt::Key_Backtab, Qt::ShiftModifier, 9, 1},
      {Qt::Key_Return, {}, 13, 0},
      {Qt::Key_Escape, {}, 27, 0},
      {Qt::Key_Left, {}, 37, 0},
      {Qt::Key_Up, {}, 38, 0},
      {Qt::Key_Right, {}, 39, 0},
      {Qt::Key_Down, {}, 40, 0},
      {Qt::Key_Home, {}, 36, 0},
      {Qt::Key_End, {}, 35, 0},
      {Qt::Key_Delete, Qt::ControlModifier, 46, 2},
      {Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier, 70, 3},
      {Qt::Key_Backspace, Qt::AltModifier, 8, 4},
  };
  for (const Case& c : cases) {
    events_.keys.clear();
    events_.consumeKey = c.code;  // consumed, so the grid does nothing with it
    grid_->SetFocus();
    QTest::keyClick(View(), c.key, c.mods);
    // The modifier keys come down first, with their own codes.
    ASSERT_FALSE(events_.keys.empty()) << c.code;
    EXPECT_EQ(events_.keys.back().code, c.code);
    EXPECT_EQ(events_.keys.back().shift, c.shift) << c.code;
  }
  EXPECT_TRUE(grid_->HasFocus());  // the consumed Tab did not move the focus
  EXPECT_TRUE(array_->Value(1, 0).IsEmpty());
}

TEST_F(QtGridEvents, ConsumedReplacedAndTabKeys) {
  BindSearchLine();
  grid_->SetFocus();
  grid_->Col(1);
  // A consumed letter opens no editor.
  events_.consumeKey = 88;
  QTest::keyClick(View(), Qt::Key_X);
  EXPECT_FALSE(grid_->EditActive());
  // Return replaced by Left moves one column to the left.
  events_.consumeKey = -1;
  events_.replaceKey = 13;
  events_.replacement = 37;
  QTest::keyClick(View(), Qt::Key_Return, Qt::ShiftModifier);
  EXPECT_EQ(grid_->Col(), 0);
  // Return in tab mode 0 moves along the row.
  events_.replaceKey = -1;
  QTest::keyClick(View(), Qt::Key_Return);
  EXPECT_EQ(grid_->Col(), 1);
  // Tab moves along the row in tab mode 2 and leaves the grid in mode 0.
  grid_->TabAction(2);
  grid_->Col(0);
  QTest::keyClick(View(), Qt::Key_Tab);
  EXPECT_EQ(grid_->Col(), 1);
  EXPECT_TRUE(grid_->HasFocus());
  grid_->TabAction(0);
  QTest::keyClick(View(), Qt::Key_Tab);
  EXPECT_EQ(Focused(), after_);
  EXPECT_EQ(events_.lostFocus, 1);
}

TEST_F(QtGridEvents, FocusEventsIgnoreTheCellEditor) {
  BindSearchLine();
  before_->setFocus();
  QApplication::processEvents();
  grid_->SetFocus();
  EXPECT_EQ(events_.gotFocus, 1);
  grid_->EditActive(true);
  ASSERT_TRUE(grid_->EditActive());
  EXPECT_TRUE(grid_->HasFocus());
  EXPECT_EQ(events_.lostFocus, 0);
  after_->setFocus();
  EXPECT_EQ(events_.lostFocus, 1);
  EXPECT_EQ(events_.gotFocus, 1);
}

TEST_F(QtGridEvents, HeaderClickReportsMouseUpInTheHeader) {
  grid_->DataSource(Numbers(3));
  QHeaderView* header = View()->horizontalHeader();
  const QPoint inHeader(header->sectionViewportPosition(1) + 10, header->height() / 2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, inHeader);
  ASSERT_EQ(events_.mouse.size(), 2u);
  EXPECT_EQ(events_.order, (std::vector<std::string>{"MouseDown", "MouseUp"}));
  const auto& up = events_.mouse[1];
  EXPECT_EQ(up.button, 1);
  EXPECT_GE(up.y, 0);
  EXPECT_LT(up.y, grid_->HeaderHeight());
  EXPECT_EQ(grid_->ColContaining(up.x), 1);
  EXPECT_LT(grid_->RowContaining(up.y), 0);

  events_.mouse.clear();
  QTest::mouseClick(header->viewport(), Qt::RightButton, Qt::ControlModifier, inHeader);
  ASSERT_EQ(events_.mouse.size(), 2u);
  EXPECT_EQ(events_.mouse[1].button, 2);
  EXPECT_EQ(events_.mouse[1].shift, 2);

  // A click on a data row lies below the header and finds that row.
  events_.mouse.clear();
  QRect cell = View()->visualRect(View()->model()->index(2, 0));
  QTest::mouseClick(View()->viewport(), Qt::LeftButton, {}, cell.center());
  ASSERT_EQ(events_.mouse.size(), 2u);
  EXPECT_GT(events_.mouse[1].y, grid_->HeaderHeight());
  EXPECT_EQ(grid_->RowContaining(events_.mouse[1].y), 2);
  EXPECT_EQ(grid_->ColContaining(events_.mouse[1].x), 0);
  EXPECT_EQ(grid_->DataSource()->AbsolutePosition(), 3);  // the click moved the row

  QTest::mouseDClick(View()->viewport(), Qt::LeftButton, {}, cell.center());
  EXPECT_EQ(events_.dblClicks, 1);
}

TEST_F(QtGridEvents, ResizeCanBeCancelledAndMovesAreReported) {
  grid_->DataSource(Numbers(2));
  grid_->Column(0).Width(1500);
  QHeaderView* header = View()->horizontalHeader();
  events_.cancelResize = true;
  header->resizeSection(0, 40);  // what a drag of the section edge does
  EXPECT_EQ(events_.resizes, 1);
  EXPECT_DOUBLE_EQ(grid_->Column(0).Width(), 1500);
  EXPECT_EQ(header->sectionSize(0), 100);
  events_.cancelResize = false;
  header->resizeSection(0, 40);
  EXPECT_DOUBLE_EQ(grid_->Column(0).Width(), 40 * grid_->TwipsPerPixelX());
  // Programmatic widths raise nothing.
  grid_->Column(1).Width(3000);
  EXPECT_EQ(events_.resizes, 2);

  header->moveSection(0, 1);  // a drag of the header
  EXPECT_EQ(grid_->Column(0).Order(), 1);
  EXPECT_EQ(grid_->Column(1).Order(), 0);
}

TEST_F(QtGridEvents, HorizontalScrollRaisesLeftColChange) {
  auto array = std::make_shared<XArray>(1, 1, 0, 11);
  for (int i = 0; i < 12; ++i) grid_->AddColumn(i).Width(2000);
  grid_->BindArray(array);
  QApplication::processEvents();
  EXPECT_EQ(grid_->LeftCol(), 0);
  grid_->LeftCol(3);
  EXPECT_EQ(grid_->LeftCol(), 3);
  EXPECT_EQ(events_.leftColChanges, 1);
  View()->horizontalScrollBar()->setValue(5);  // the user drags the scroll bar
  EXPECT_EQ(grid_->LeftCol(), 5);
  EXPECT_EQ(events_.leftColChanges, 2);
  grid_->LeftCol(5);
  EXPECT_EQ(events_.leftColChanges, 2);
}

}  // namespace
}  // namespace vmbgrid::qttest
