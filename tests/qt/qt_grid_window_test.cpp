// The grid's window of rows: the view holds only the rows in sight, while keys,
// the scroll bar, the wheel, the recordset and the cell pipeline work on all rows.
#include <QScrollBar>
#include <QTest>

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

  std::shared_ptr<Recordset> rs_;
  int full_ = 0;  // rows shown in full
};

TEST_F(QtGridWindow, AddNewRowIsReachedPastTheLastRow) {
  // Keys take the window along: down off the last full row, up off the first.
  for (int i = 0; i < full_; ++i) Key(Qt::Key_Down);
  EXPECT_EQ(grid_->TopRow(), 1);
  Key(Qt::Key_PageDown);
  EXPECT_EQ(rs_->AbsolutePosition(), 2 * full_ + 1);
  for (int i = 0; i <= full_; ++i) Key(Qt::Key_Up);
  EXPECT_EQ(grid_->TopRow(), full_ - 1);
  Key(Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(rs_->AbsolutePosition(), 1);

  grid_->AllowAddNew(true);
  grid_->Column(0).DefaultValue(Variant(int32_t(-5)));
  grid_->Col(1);
  Key(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(events_.keys.back().code, 35);  // the virtual key code, Ctrl as shift 2
  EXPECT_EQ(events_.keys.back().shift, 2);
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

  // An edit still open when the window scrolls away is written into its own row.
  grid_->Bookmark(rs_->BookmarkAt(200));
  grid_->EditActive(true);
  grid_->SetProperty(67, Variant("Geändert"));
  ScrollTo(40000);
  EXPECT_EQ(grid_->CellText(200, 1), "Geändert");

  // A consumed letter opens no editor; Tab (tab mode 0) leaves the grid.
  events_.consumeKey = 88;
  Key(Qt::Key_X);
  EXPECT_FALSE(grid_->EditActive());
  Key(Qt::Key_Tab);
  EXPECT_EQ(Focused(), after_);
}

TEST_F(QtGridWindow, TypingInAReadOnlyGridFindsRowsBeyondTheWindow) {
  grid_->AllowUpdate(false);
  grid_->Col(1);
  QTest::keyClicks(View(), "Zeile 9876");
  QApplication::processEvents();
  EXPECT_EQ(rs_->AbsolutePosition(), 9876);
  EXPECT_EQ(ViewCurrent(), 9875);

  // The recordset moving far away brings the window; selected rows are highlighted.
  rs_->AbsolutePosition(70000);
  QApplication::processEvents();
  EXPECT_EQ(ViewCurrent(), 69999);
  grid_->AddSelected(rs_->BookmarkAt(70005));
  ScrollTo(70000);
  EXPECT_EQ(View()->model()->index(5, 0).data(Qt::BackgroundRole),
            QVariant(View()->palette().highlight()));
}

}  // namespace
}  // namespace vmbgrid::qttest
