// The grid's window of rows: the view holds only the rows in sight, while keys,
// the scroll bar, the wheel, the recordset and the cell pipeline work on all rows.
#include <QHeaderView>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include "tests/qt/qt_test_support.h"

namespace vmbgrid::qttest {
namespace {

class QtGridWindow : public FormTest {
 protected:
  static constexpr int kRows = 100000;
  void SetUp() override {
    FormTest::SetUp();
    rs_ = Numbers(kRows);
    grid_->DataSource(rs_);
    grid_->SetFocus();
    QApplication::processEvents();
    full_ = View()->verticalScrollBar()->pageStep();
    ASSERT_GT(full_, 3);
  }
  void Key(Qt::Key key, Qt::KeyboardModifiers mods = {}) {
    QTest::keyClick(View(), key, mods);
    QApplication::processEvents();
  }
  void ScrollTo(int top) {
    View()->verticalScrollBar()->setValue(top);
    QApplication::processEvents();
  }
  // Ordinal of the view's current cell; -1 when the view shows no current cell.
  int ViewCurrent() const {
    const QModelIndex i = View()->currentIndex();
    return i.isValid() ? grid_->TopRow() + i.row() : -1;
  }
  QString Shown(int viewRow, int col) const {
    return View()->model()->index(viewRow, col).data().toString();
  }
  double RowMiddle(int viewRow) const {
    return grid_->HeaderHeight() + (viewRow + 0.5) * grid_->RowHeight();
  }

  std::shared_ptr<Recordset> rs_;
  int full_ = 0;  // rows shown in full
};

TEST_F(QtGridWindow, KeysMoveThroughAllRowsAndTakeTheWindowAlong) {
  EXPECT_LE(grid_->WindowRows(), full_ + 1);
  EXPECT_EQ(View()->verticalHeader()->count(), grid_->WindowRows());

  // Down off the last full row moves the window by one row.
  for (int i = 0; i < full_; ++i) Key(Qt::Key_Down);
  EXPECT_EQ(rs_->AbsolutePosition(), full_ + 1);
  EXPECT_EQ(grid_->TopRow(), 1);
  EXPECT_EQ(grid_->Row(), full_ - 1);
  EXPECT_EQ(ViewCurrent(), full_);
  EXPECT_EQ(Shown(grid_->Row(), 0), QString::number(full_ + 1));

  Key(Qt::Key_PageDown);
  EXPECT_EQ(rs_->AbsolutePosition(), 2 * full_ + 1);
  EXPECT_EQ(ViewCurrent(), 2 * full_);
  // Up off the first row moves the window up.
  for (int i = 0; i < full_; ++i) Key(Qt::Key_Up);
  EXPECT_EQ(grid_->Row(), 0);
  Key(Qt::Key_Up);
  EXPECT_EQ(rs_->AbsolutePosition(), full_);
  EXPECT_EQ(grid_->TopRow(), full_ - 1);
  EXPECT_EQ(grid_->Row(), 0);

  grid_->Col(1);
  Key(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(rs_->AbsolutePosition(), kRows);
  EXPECT_EQ(grid_->Col(), 1);  // the last column
  EXPECT_EQ(grid_->TopRow(), kRows - full_);
  EXPECT_EQ(grid_->Row(), full_ - 1);
  EXPECT_EQ(Shown(full_ - 1, 1), QString("Zeile %1").arg(kRows));
  Key(Qt::Key_Down);  // nothing below
  EXPECT_EQ(rs_->AbsolutePosition(), kRows);
  Key(Qt::Key_PageUp);
  EXPECT_EQ(rs_->AbsolutePosition(), kRows - full_);
  Key(Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(rs_->AbsolutePosition(), 1);
  EXPECT_EQ(grid_->Col(), 0);
  EXPECT_EQ(grid_->TopRow(), 0);
  EXPECT_EQ(ViewCurrent(), 0);
}

TEST_F(QtGridWindow, AddNewRowIsReachedPastTheLastRow) {
  grid_->AllowAddNew(true);
  grid_->Column(0).DefaultValue(Variant(int32_t(-5)));
  grid_->Col(1);
  Key(Qt::Key_End, Qt::ControlModifier);
  ASSERT_EQ(ViewCurrent(), kRows);  // the add-new row, at the bottom
  EXPECT_EQ(grid_->TopRow(), kRows + 1 - full_);
  EXPECT_EQ(rs_->AbsolutePosition(), 1);  // the recordset stays where it was
  EXPECT_EQ(View()->model()->headerData(full_ - 1, Qt::Vertical).toString(), "*");
  EXPECT_EQ(View()->model()->headerData(full_ - 2, Qt::Vertical).toString(), "");
  grid_->EditActive(true);
  ASSERT_TRUE(grid_->EditActive());
  grid_->SetProperty(67, Variant("Neu"));
  grid_->CommitEdit();
  ASSERT_EQ(rs_->RecordCount(), kRows + 1);
  EXPECT_EQ(grid_->CellText(kRows, 1), "Neu");
  EXPECT_EQ(grid_->CellText(kRows, 0), "-5");
  Key(Qt::Key_End, Qt::ControlModifier);
  Key(Qt::Key_Up);
  EXPECT_EQ(rs_->AbsolutePosition(), kRows + 1);
  EXPECT_EQ(Shown(ViewCurrent() - grid_->TopRow(), 1), "Neu");
}

TEST_F(QtGridWindow, RecordsetMovingFarAwayBringsTheWindow) {
  rs_->AbsolutePosition(70000);
  QApplication::processEvents();
  EXPECT_LE(grid_->TopRow(), 69999);
  EXPECT_GT(grid_->TopRow() + full_, 69999);
  EXPECT_EQ(ViewCurrent(), 69999);
  EXPECT_EQ(grid_->RowBookmark(grid_->Row()), rs_->Bookmark());
  EXPECT_EQ(grid_->Column(0).Value(), Variant(int32_t(70000)));
  // Back up: the row is shown at the top.
  rs_->AbsolutePosition(100);
  EXPECT_EQ(grid_->TopRow(), 99);
  EXPECT_EQ(grid_->Row(), 0);
  grid_->Bookmark(rs_->BookmarkAt(kRows - 1));
  EXPECT_EQ(grid_->TopRow(), kRows - full_);
  EXPECT_EQ(ViewCurrent(), kRows - 1);
}

TEST_F(QtGridWindow, ScrolledAwayCurrentRowComesBackWithTheWindowOrAKey) {
  Key(Qt::Key_Down);
  Key(Qt::Key_Down);  // current: ordinal 2
  ScrollTo(5000);
  EXPECT_EQ(grid_->TopRow(), 5000);
  EXPECT_EQ(ViewCurrent(), -1);  // no row of the window is the current one
  EXPECT_EQ(rs_->AbsolutePosition(), 3);
  EXPECT_EQ(Shown(0, 0), "5001");
  ScrollTo(1);
  EXPECT_EQ(ViewCurrent(), 2);
  EXPECT_EQ(grid_->Row(), 1);

  ScrollTo(9000);
  Key(Qt::Key_Down);  // from the current row, not from the window
  EXPECT_EQ(rs_->AbsolutePosition(), 4);
  EXPECT_EQ(ViewCurrent(), 3);

  // The wheel scrolls the window, three rows a notch.
  ScrollTo(0);
  const QPoint at = View()->viewport()->rect().center();
  QWheelEvent wheel(at, View()->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(View()->viewport(), &wheel);
  EXPECT_EQ(grid_->TopRow(), 3);
  EXPECT_EQ(Shown(0, 0), "4");
}

TEST_F(QtGridWindow, GeometryAndCellsAfterScrolling) {
  ScrollTo(1000);
  EXPECT_EQ(grid_->RowBookmark(2), rs_->BookmarkAt(1002));
  EXPECT_EQ(grid_->RowContaining(RowMiddle(2)), 2);
  EXPECT_EQ(grid_->CellText(1002, 1), "Zeile 1003");
  EXPECT_EQ(grid_->CellText(10, 1), "Zeile 11");  // any row, not only the window's
  EXPECT_EQ(Shown(2, 1), "Zeile 1003");
  EXPECT_FALSE(grid_->PointBeyondLastRow(RowMiddle(full_ - 1)));

  // A click finds the row under the mouse.
  const QRect cell = View()->visualRect(View()->model()->index(4, 1));
  QTest::mouseClick(View()->viewport(), Qt::LeftButton, {}, cell.center());
  EXPECT_EQ(rs_->AbsolutePosition(), 1005);
  EXPECT_EQ(grid_->RowContaining(events_.mouse.back().y), 4);
  EXPECT_EQ(grid_->Row(), 4);

  // At the end the last row is the last one of the window, nothing below it.
  View()->scrollToBottom();
  QApplication::processEvents();
  EXPECT_EQ(grid_->TopRow(), kRows - full_);
  EXPECT_EQ(grid_->RowContaining(RowMiddle(full_ - 1)), full_ - 1);
  EXPECT_LT(grid_->RowContaining(RowMiddle(full_)), 0);
  EXPECT_TRUE(grid_->PointBeyondLastRow(RowMiddle(full_)));
  EXPECT_EQ(grid_->RowBookmark(full_ - 1), rs_->BookmarkAt(kRows - 1));
}

TEST_F(QtGridWindow, SelectedRowsAreHighlightedWhereverTheyAre) {
  grid_->AddSelected(rs_->BookmarkAt(505));
  ScrollTo(500);
  const QVariant highlight = View()->palette().highlight();
  QAbstractItemModel* model = View()->model();
  EXPECT_EQ(model->index(5, 0).data(Qt::BackgroundRole), highlight);
  EXPECT_FALSE(model->index(4, 0).data(Qt::BackgroundRole).isValid());
  ScrollTo(503);
  EXPECT_EQ(model->index(2, 1).data(Qt::BackgroundRole), highlight);
  EXPECT_FALSE(model->index(5, 1).data(Qt::BackgroundRole).isValid());

  // The record selector selects the row it stands for.
  QHeaderView* selector = View()->verticalHeader();
  QTest::mouseClick(selector->viewport(), Qt::LeftButton, {},
                    QPoint(selector->width() / 2,
                           selector->sectionViewportPosition(3) + selector->sectionSize(3) / 2));
  ASSERT_EQ(grid_->SelectedCount(), 1);
  EXPECT_EQ(grid_->SelectedAt(0), rs_->BookmarkAt(506));
}

TEST_F(QtGridWindow, EditIsWrittenIntoItsOwnRowWhenTheWindowMoves) {
  grid_->Bookmark(rs_->BookmarkAt(200));
  grid_->Col(1);
  grid_->EditActive(true);
  ASSERT_TRUE(grid_->EditActive());
  grid_->SetProperty(67, Variant("Geändert"));
  ScrollTo(40000);  // the rows under the editor change
  EXPECT_FALSE(grid_->EditActive());
  EXPECT_EQ(grid_->CellText(200, 1), "Geändert");
  EXPECT_EQ(grid_->CellText(40000, 1), "Zeile 40001");

  // Opening the editor on a scrolled-away current row brings the row back.
  grid_->EditActive(true);
  ASSERT_TRUE(grid_->EditActive());
  EXPECT_EQ(ViewCurrent(), 200);
  grid_->SetProperty(67, Variant("Zweimal"));
  Key(Qt::Key_Down);  // commits and moves on
  EXPECT_EQ(grid_->CellText(200, 1), "Zweimal");
  EXPECT_EQ(rs_->AbsolutePosition(), 202);
}

TEST_F(QtGridWindow, WindowFollowsTheViewportSize) {
  const int before = grid_->WindowRows();
  form_->resize(640, 800);
  QApplication::processEvents();
  EXPECT_GT(grid_->WindowRows(), before);
  const int full = View()->verticalScrollBar()->pageStep();
  EXPECT_GE(grid_->WindowRows(), full);
  EXPECT_LE(grid_->WindowRows(), full + 1);
  View()->scrollToBottom();
  form_->resize(640, 1000);  // growing at the end keeps the last row at the bottom
  QApplication::processEvents();
  full_ = View()->verticalScrollBar()->pageStep();
  EXPECT_EQ(grid_->TopRow(), kRows - full_);
  EXPECT_EQ(Shown(full_ - 1, 0), QString::number(kRows));
}

TEST_F(QtGridWindow, TypingInAReadOnlyGridFindsRowsBeyondTheWindow) {
  grid_->AllowUpdate(false);
  grid_->Col(1);
  QTest::keyClicks(View(), "Zeile 9876");
  QApplication::processEvents();
  EXPECT_EQ(rs_->AbsolutePosition(), 9876);
  EXPECT_EQ(ViewCurrent(), 9875);
}

TEST(QtGridWindowSmall, FewRowsAndAnEmptySource) {
  InstallQtPlatform();
  QtGrid grid("TDBGrid1");
  grid.Width(6000);
  grid.Height(4000);
  grid.View()->show();
  grid.DataSource(Numbers(3));
  EXPECT_EQ(grid.WindowRows(), 3);
  EXPECT_EQ(grid.View()->verticalScrollBar()->maximum(), 0);
  QTest::keyClick(grid.View(), Qt::Key_PageDown);
  EXPECT_EQ(grid.DataSource()->AbsolutePosition(), 3);
  EXPECT_TRUE(grid.PointBeyondLastRow(grid.HeaderHeight() + 3.5 * grid.RowHeight()));
  grid.DataSource(Numbers(0));
  EXPECT_EQ(grid.WindowRows(), 0);
  QTest::keyClick(grid.View(), Qt::Key_Down);
  QTest::keyClick(grid.View(), Qt::Key_End, Qt::ControlModifier);
  EXPECT_LT(grid.RowContaining(grid.HeaderHeight() + grid.RowHeight() / 2), 0);
  EXPECT_TRUE(grid.PointBeyondLastRow(grid.HeaderHeight() + 1));
  ResetQtPlatform();
}

}  // namespace
}  // namespace vmbgrid::qttest
