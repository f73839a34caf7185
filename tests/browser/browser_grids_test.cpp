// The three grids of the browser as a user moves them with the mouse: the search
// line and the sum line keep the data grid's widths and positions through drags on
// the header, moves, auto-sizing and searches, and a total is never cut.
#include <sqlite3.h>

#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
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
  EXPECT_EQ(Window().RecordCountLabel(), "2.000 Datensätze");
  // The search line stands on top of the data grid, the sum line under it.
  EXPECT_EQ(Window().SearchLine()->View()->geometry().bottom() + 1, Data().View()->y());
  EXPECT_EQ(Data().View()->geometry().bottom() + 1, Window().SumLine()->View()->y());
  // A click on a header sorts by that column, and the header says so.
  const int umsatz = IndexOf("Umsatz");
  QTest::mouseClick(Header().viewport(), Qt::LeftButton, {},
                    QPoint(Header().sectionViewportPosition(umsatz) + 10, Header().height() / 2));
  BrowserWindow::Settle();
  EXPECT_EQ(Data().View()->model()->headerData(umsatz, Qt::Horizontal).toString(),
            QStringLiteral("Umsatz \u25B2"));

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
  // Fitting the columns to their rows never cuts a total.
  QTableView* sum = Window().SumLine()->View();
  EXPECT_LE(sum->sizeHintForIndex(sum->model()->index(0, umsatz)).width(),
            sum->columnWidth(umsatz));
  Window().ApplySearches({{"Name", "M*"}});
  ExpectLinesFollow("a search");
  Data().LeftCol(3);
  ExpectLinesFollow("scrolling sideways");
}

// On a table of the user's own (exact money amounts, big counts, NULLs, negatives)
// the number columns are offered for totals, from the menu and from --sum; the totals
// are exact and follow the search, and a column that is no number is refused.
TEST_F(BrowserGrids, TotalsOfTheUsersOwnNumberColumnsAreExactAndFollowTheSearch) {
  const auto file = TempDir() / "buchungen.db";
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db,
                         "CREATE TABLE Buchungen (Id INTEGER PRIMARY KEY, Kunde VARCHAR(40), "
                         "Betrag DECIMAL(12,2), Menge BIGINT);"
                         "INSERT INTO Buchungen VALUES (1, 'Müller', 1500.50, 9007199254740993),"
                         "(2, 'Ärger', -200.10, 1), (3, 'Meier', 0.10, NULL), (4, NULL, 0.20, -5)",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  Options options;
  options.db = file.string();
  options.table = "Buchungen";
  BrowserWindow& w = OpenWindow(options);
  EXPECT_EQ(w.SummableColumns(), (std::vector<std::string>{"Id", "Betrag", "Menge"}));
  QtGrid& sum = *w.SumLine();
  auto total = [&](const char* field) {
    BrowserWindow::Settle();
    return sum.CellText(0, w.DataGrid()->ColumnByField(field)->Index());
  };

  ASSERT_TRUE(w.ShowSum("betrag", true));
  EXPECT_EQ(total("Betrag"), "1.300,70");
  EXPECT_EQ(total("Menge"), "");
  // The menu entry: Tabelle ▸ Summen ▸ Menge, checked once chosen.
  QMenu* summen = nullptr;
  for (QAction* a : w.menuBar()->actions())
    if (a->text() == "&Tabelle")
      for (QAction* b : a->menu()->actions())
        if (b->menu() && b->text() == "&Summen") summen = b->menu();
  ASSERT_NE(summen, nullptr);
  emit summen->aboutToShow();
  QStringList entries;
  for (QAction* a : summen->actions()) {
    entries << a->text() + (a->isChecked() ? "*" : "");
    if (a->text() == "Menge") a->trigger();
  }
  EXPECT_EQ(entries, (QStringList{"Id", "Betrag*", "Menge"}));
  EXPECT_EQ(total("Menge"), "9007199254740989");

  w.ApplySearches({{"Kunde", "M*"}});
  EXPECT_EQ(total("Betrag"), "1.500,60");
  EXPECT_EQ(total("Menge"), "9007199254740993");

  const int problems = w.Problems();
  EXPECT_FALSE(w.ShowSum("Kunde", true));
  EXPECT_EQ(w.Problems(), problems + 1);
}

}  // namespace
}  // namespace vmbgrid::browser::testing
