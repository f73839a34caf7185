// Loading a large table in the browser: the first rows at once, the rest while
// the window stays usable, and every way a load can be stopped.
#include <QApplication>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <algorithm>

#include "adapters/qt/qt_grid.h"
#include "grid/vmgrid.h"
#include "tests/browser/browser_fixture.h"
#include "tools/sampledb/sample_data.h"

namespace vmbgrid::browser::testing {
namespace {

constexpr int kLargeRows = 40000;

const std::string& LargeDb() {
  static const std::string path = [] {
    const std::string p = (TempDir() / "gross.db").string();
    sampledb::Options o;
    o.rows = kLargeRows;
    const std::string err = sampledb::Generate(p, o);
    if (!err.empty()) ADD_FAILURE() << err;
    return p;
  }();
  return path;
}

// Runs the event loop until the data grid has loaded everything (or gives up).
void FinishLoading(BrowserWindow& w) {
  for (int i = 0; i < 100000 && w.DataGrid() && w.DataGrid()->Loading(); ++i)
    QApplication::processEvents(QEventLoop::AllEvents);
  BrowserWindow::Settle();
}

// Texts of every 97th row and of the last one, and of the sum line.
std::vector<std::string> Picture(BrowserWindow& w) {
  std::vector<std::string> out;
  QtGrid& data = *w.DataGrid();
  std::vector<int> rows;
  for (int r = 0; r < data.RowCount(); r += 97) rows.push_back(r);
  if (data.RowCount() > 0) rows.push_back(data.RowCount() - 1);
  for (int r : rows) {
    std::string line;
    for (int c = 0; c < data.ColumnCount(); ++c) line += data.CellText(r, c) + "|";
    out.push_back(line);
  }
  std::string sums;
  for (int c = 0; c < w.SumLine()->ColumnCount(); ++c) sums += w.SumLine()->CellText(0, c) + "|";
  out.push_back(sums);
  return out;
}

QPushButton* CancelButton(BrowserWindow& w) {
  return w.statusBar()->findChild<QPushButton*>(QStringLiteral("btnAbbrechen"));
}

class BrowserLoad : public BrowserTest {
 protected:
  // Small portions, so that the load is still running when the window has opened.
  void SetUp() override { QtGrid::LoadPortion(100, 0); }
  void TearDown() override {
    BrowserTest::TearDown();
    QtGrid::LoadPortion(2000, 12);
  }
  // All rows (MaxRecords 0): the grid shows the first rows when Open returns.
  BrowserWindow& OpenAll(std::optional<int32_t> max = 0) {
    Options o;
    o.db = LargeDb();
    o.max = max;
    return OpenWindow(o);
  }
};

TEST_F(BrowserLoad, FirstRowsAtOnceTheRestWhileTheWindowWorksSameResultAsAWholeLoad) {
  // The same table loaded whole, as before (a row limit above the row count).
  std::vector<std::string> whole;
  {
    BrowserWindow& w = OpenAll(kLargeRows + 1);
    ASSERT_FALSE(w.DataGrid()->Loading());
    whole = Picture(w);
    EXPECT_EQ(w.Controller()->RecordCount(), kLargeRows);
  }
  BrowserWindow& w = OpenAll();
  QtGrid& data = *w.DataGrid();
  ASSERT_TRUE(data.Loading());
  EXPECT_GT(data.RowCount(), 0);
  EXPECT_LT(data.RowCount(), kLargeRows);
  EXPECT_TRUE(CancelButton(w)->isVisibleTo(&w));
  EXPECT_EQ(w.RecordCountLabel().rfind("Lädt … ", 0), 0u) << w.RecordCountLabel();
  // The totals wait for the end of the load.
  const int umsatz = FindColumn(*w.SumLine(), "Umsatz");
  ASSERT_GE(umsatz, 0);
  EXPECT_EQ(w.SumLine()->CellText(0, umsatz), "");
  // The count and the scroll bar grow while the event loop runs.
  const int first = data.RowCount();
  for (int i = 0; i < 3; ++i) QApplication::processEvents(QEventLoop::AllEvents);
  EXPECT_GT(data.RowCount(), first);
  EXPECT_GT(data.View()->verticalScrollBar()->maximum(), first);
  FinishLoading(w);
  EXPECT_FALSE(data.Loading());
  EXPECT_FALSE(CancelButton(w)->isVisibleTo(&w));
  EXPECT_EQ(w.Controller()->RecordCount(), kLargeRows);
  EXPECT_EQ(w.RecordCountLabel(), "40.000 Datensätze");
  EXPECT_EQ(Picture(w), whole);
  EXPECT_TRUE(w.Messages().empty()) << w.Messages().front();
}

TEST_F(BrowserLoad, EscOrTheButtonStopsTheLoadAndKeepsTheRowsSoFar) {
  for (bool esc : {true, false}) {
    BrowserWindow& w = OpenAll();
    QtGrid& data = *w.DataGrid();
    ASSERT_TRUE(data.Loading());
    QApplication::processEvents(QEventLoop::AllEvents);
    if (esc) {
      data.View()->setFocus();
      QTest::keyClick(data.View(), Qt::Key_Escape);
    } else {
      CancelButton(w)->click();
    }
    EXPECT_FALSE(data.Loading());
    // Twice: nothing more happens.
    QTest::keyClick(data.View(), Qt::Key_Escape);
    CancelButton(w)->click();
    BrowserWindow::Settle();
    const int held = w.Controller()->RecordCount();
    EXPECT_GT(held, 0);
    EXPECT_LT(held, kLargeRows);
    EXPECT_EQ(data.RowCount(), held);
    ASSERT_EQ(w.Messages().size(), 1u);
    // The count in German notation: 12.345
    std::string count = std::to_string(held);
    if (held >= 1000) count.insert(count.size() - 3, ".");
    EXPECT_EQ(w.Messages()[0], "Laden abgebrochen: " + count + " Datensätze geladen.");
    EXPECT_FALSE(CancelButton(w)->isVisibleTo(&w));
    // The totals are those of the rows held.
    const int umsatz = FindColumn(*w.SumLine(), "Umsatz");
    EXPECT_NE(w.SumLine()->CellText(0, umsatz), "");
  }
}

TEST_F(BrowserLoad, ANewSearchDuringTheLoadShowsOnlyItsOwnRows) {
  BrowserWindow& w = OpenAll();
  ASSERT_TRUE(w.DataGrid()->Loading());
  w.ApplySearches({{"Name", "Mei*"}});
  FinishLoading(w);
  QtGrid& data = *w.DataGrid();
  const int name = FindColumn(data, "Name");
  ASSERT_GT(data.RowCount(), 0);
  EXPECT_LT(data.RowCount(), kLargeRows / 2);
  EXPECT_EQ(w.Controller()->RecordCount(), data.RowCount());
  for (int r = 0; r < data.RowCount(); ++r)
    ASSERT_EQ(data.CellText(r, name).rfind("Mei", 0), 0u) << r << " " << data.CellText(r, name);
  // The first load was replaced, not cancelled by the user: no message about it.
  EXPECT_TRUE(w.Messages().empty()) << w.Messages().front();
  // A header click (sort) during a load replaces it just as well.
  w.ApplySearches({{"Name", "*"}});
  ASSERT_TRUE(w.DataGrid()->Loading());
  w.Controller()->SortBy("Nr");
  w.Controller()->Requery();
  FinishLoading(w);
  EXPECT_EQ(w.Controller()->RecordCount(), kLargeRows);
}

TEST_F(BrowserLoad, WindowClosedDuringTheLoad) {
  OpenAll();
  ASSERT_TRUE(Window().DataGrid()->Loading());
  QApplication::processEvents(QEventLoop::AllEvents);
  window_.reset();
  for (int i = 0; i < 20; ++i) QApplication::processEvents(QEventLoop::AllEvents);
  // The database is free again: a new window loads it whole.
  BrowserWindow& w = OpenAll();
  FinishLoading(w);
  EXPECT_EQ(w.Controller()->RecordCount(), kLargeRows);
}

}  // namespace
}  // namespace vmbgrid::browser::testing
