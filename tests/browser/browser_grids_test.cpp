// The three grids of the browser as a user moves them with the mouse: the search
// line and the sum line keep the data grid's widths and positions through drags on
// the header, moves, auto-sizing and searches, and a total is never cut.
#include <QApplication>
#include <QHeaderView>
#include <QTableView>
#include <QtTest/QTest>

#include "adapters/qt/qt_grid.h"
#include "grid/vmgrid.h"
#include "tests/browser/browser_fixture.h"

namespace vmbgrid::browser::testing {
namespace {

// Left edge on the screen and width of every shown column, in display order.
std::vector<std::pair<int, int>> ShownColumns(QTableView& view) {
  std::vector<std::pair<int, int>> out;
  QHeaderView* h = view.horizontalHeader();
  for (int v = 0; v < h->count(); ++v) {
    const int logical = h->logicalIndex(v);
    if (view.isColumnHidden(logical)) continue;
    const QPoint left =
        view.viewport()->mapToGlobal(QPoint(view.columnViewportPosition(logical), 0));
    out.emplace_back(left.x(), view.columnWidth(logical));
  }
  return out;
}

class BrowserGrids : public BrowserTest {
 protected:
  QtGrid& Data() { return *Window().DataGrid(); }
  QHeaderView& Header() { return *Data().View()->horizontalHeader(); }
  int IndexOf(const std::string& field) { return Data().ColumnByField(field)->Index(); }

  void ExpectLinesFollow(const char* after) {
    BrowserWindow::Settle();
    const auto data = ShownColumns(*Data().View());
    EXPECT_EQ(ShownColumns(*Window().SearchLine()->View()), data) << "search line after " << after;
    EXPECT_EQ(ShownColumns(*Window().SumLine()->View()), data) << "sum line after " << after;
  }

  // A drag with one quick move, as a hand makes it: press, one move, release.
  void Drag(QWidget* on, QPoint from, QPoint to) {
    QTest::mousePress(on, Qt::LeftButton, {}, from);
    QTest::mouseMove(on, to);
    QTest::mouseRelease(on, Qt::LeftButton, {}, to);
  }
};

TEST_F(BrowserGrids, HeaderDragsMovesAndAutoSizeTakeTheSearchAndSumLinesAlong) {
  OpenWindow();
  ExpectLinesFollow("opening");

  const int vorname = IndexOf("Vorname");
  const int before = Header().sectionSize(vorname);
  const QPoint edge(Header().sectionViewportPosition(vorname) + before - 1, Header().height() / 2);
  Drag(Header().viewport(), edge, edge + QPoint(90, 0));
  EXPECT_NEAR(Header().sectionSize(vorname), before + 90, 2);
  ExpectLinesFollow("widening Vorname");
  Drag(Header().viewport(), edge + QPoint(90, 0), edge + QPoint(-30, 0));
  ExpectLinesFollow("narrowing Vorname");

  // What is typed under Vorname in the search line goes to Vorname.
  QTableView* search = Window().SearchLine()->View();
  const QPoint under = search->viewport()->mapFromGlobal(Data().View()->viewport()->mapToGlobal(
      QPoint(Data().View()->columnViewportPosition(vorname) + 10, 0)));
  QTest::mouseClick(search->viewport(), Qt::LeftButton, {}, QPoint(under.x(), 5));
  EXPECT_EQ(Window().SearchLine()->Col(), vorname);
  // Switching to another program and back, or clicking from there into the line,
  // is no keyboard entry: the cell stays under the column the user chose.
  for (bool clickBack : {false, true}) {
    if (clickBack) Data().SetFocus();
    QApplication::setActiveWindow(nullptr);
    if (clickBack) QTest::mouseClick(search->viewport(), Qt::LeftButton, {}, QPoint(under.x(), 5));
    QApplication::setActiveWindow(&Window());
    BrowserWindow::Settle();
    EXPECT_EQ(Window().SearchLine()->Col(), vorname) << (clickBack ? "clicked back" : "came back");
  }

  // Ort dragged by its header in front of Name.
  const int ort = IndexOf("Ort");
  const int name = IndexOf("Name");
  const QPoint grip(Header().sectionViewportPosition(ort) + 10, Header().height() / 2);
  const QPoint drop(Header().sectionViewportPosition(name) + 2, Header().height() / 2);
  QTest::mousePress(Header().viewport(), Qt::LeftButton, {}, grip);
  QTest::mouseMove(Header().viewport(), grip - QPoint(20, 0));
  QTest::mouseMove(Header().viewport(), drop);
  QTest::mouseRelease(Header().viewport(), Qt::LeftButton, {}, drop);
  EXPECT_LT(Header().visualIndex(ort), Header().visualIndex(name));
  ExpectLinesFollow("moving Ort");

  Window().Controller()->AutoSizeColumns();
  ExpectLinesFollow("Alle Spaltenbreiten anpassen");
  Window().ApplySearches({{"Name", "M*"}});
  ExpectLinesFollow("a search");
}

TEST_F(BrowserGrids, TotalsAreNeverCutNotEvenAfterFittingTheColumnsToTheirRows) {
  OpenWindow();
  QtGrid& sum = *Window().SumLine();
  const int umsatz = IndexOf("Umsatz");
  auto fits = [&] {
    BrowserWindow::Settle();
    const QModelIndex cell = sum.View()->model()->index(0, umsatz);
    return sum.View()->sizeHintForIndex(cell).width() <= sum.View()->columnWidth(umsatz);
  };
  Data().Column(umsatz).Width(300);  // far too narrow for a total of millions
  Window().Controller()->Requery("Nr");
  EXPECT_TRUE(fits()) << sum.CellText(0, umsatz);
  Window().Controller()->AutoSizeColumns();
  EXPECT_TRUE(fits()) << sum.CellText(0, umsatz);
  EXPECT_EQ(Data().View()->columnWidth(umsatz), sum.View()->columnWidth(umsatz));
}

}  // namespace
}  // namespace vmbgrid::browser::testing
