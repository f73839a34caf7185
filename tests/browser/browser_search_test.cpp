// Criteria typed into the search line with real key events, and criteria that the
// library refuses or that try to break out of their literal.
#include <QApplication>
#include <QHeaderView>
#include <QTableView>
#include <QTest>
#include <algorithm>
#include <vector>

#include "adapters/qt/qt_grid.h"
#include "grid/vmgrid.h"
#include "tests/browser/browser_fixture.h"

namespace vmbgrid::browser::testing {
namespace {

// Clicks into the search cell of the column and types the text, each key to the
// widget that has the focus at that moment (the cell editor once it opened).
void TypeIntoSearchCell(BrowserWindow& w, const std::string& field, const QString& text,
                        Qt::Key finish = Qt::Key_Return) {
  QApplication::setActiveWindow(&w);
  QTableView* s = w.SearchLine()->View();
  const int col = FindColumn(*w.SearchLine(), field);
  ASSERT_GE(col, 0);
  const QRect cell = s->visualRect(s->model()->index(0, col));
  QTest::mouseClick(s->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
  BrowserWindow::Settle();
  for (QChar ch : text) {
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    QTest::keyClicks(target, QString(ch));
  }
  QWidget* target = QApplication::focusWidget();
  ASSERT_NE(target, nullptr);
  QTest::keyClick(target, finish);
  BrowserWindow::Settle();
}

TEST_F(BrowserTest, TypedCriteriaNarrowTheRowsAndClearingRestoresThem) {
  BrowserWindow& w = OpenWindow();
  ASSERT_EQ(w.Controller()->RecordCount(), kSampleRows);
  TypeIntoSearchCell(w, "Name", QStringLiteral("Mei*"));

  QtGrid& d = *w.DataGrid();
  const int found = w.Controller()->RecordCount();
  EXPECT_GT(found, 0);
  EXPECT_LT(found, kSampleRows);
  EXPECT_EQ(d.RowCount(), found);
  const int name = FindColumn(d, "Name");
  for (int r = 0; r < d.RowCount(); ++r)
    ASSERT_EQ(d.CellText(r, name).rfind("Mei", 0), 0u) << d.CellText(r, name);
  EXPECT_EQ(w.RecordCountLabel(), RecordCountText(found));
  EXPECT_EQ(w.SearchLine()->CellText(0, FindColumn(*w.SearchLine(), "Name")), "Mei*");

  w.Controller()->ClearSearch(true);
  BrowserWindow::Settle();
  EXPECT_EQ(d.RowCount(), kSampleRows);

  // A status typed as the grid shows it is searched by its code.
  const int status = FindColumn(d, "Status");
  const QString text = QString::fromStdString(d.CellText(0, status));
  ASSERT_FALSE(text.isEmpty());
  TypeIntoSearchCell(w, "Status", text);
  ASSERT_GT(d.RowCount(), 0);
  EXPECT_LT(d.RowCount(), kSampleRows);
  for (int r = 0; r < d.RowCount(); ++r)
    ASSERT_EQ(QString::fromStdString(d.CellText(r, status)), text);
}

TEST_F(BrowserTest, SearchesFromTheCommandLineGoThroughTheSearchLine) {
  Options o;
  o.searches = {{"Ort", "B*"}, {"Umsatz", ">=1000"}, {"Straße", "*"}};
  BrowserWindow& w = OpenWindow(o);
  QtGrid& d = *w.DataGrid();
  QtGrid& s = *w.SearchLine();
  EXPECT_EQ(s.CellText(0, FindColumn(s, "Ort")), "B*");
  EXPECT_EQ(s.CellText(0, FindColumn(s, "Umsatz")), ">=1000");
  ASSERT_GT(d.RowCount(), 0);
  EXPECT_EQ(d.RowCount(), w.Controller()->RecordCount());
  const int ort = FindColumn(d, "Ort");
  for (int r = 0; r < d.RowCount(); ++r) ASSERT_EQ(d.CellText(r, ort).rfind("B", 0), 0u);
  EXPECT_TRUE(w.Messages().empty()) << w.Messages().front();
}

TEST_F(BrowserTest, RefusedCriteriaAreShownAndLeaveTheWindowUsable) {
  Options o;
  o.searches = {{"Umsatz", "1*"}, {"Spalte", "x"}};
  BrowserWindow& w = OpenWindow(o);
  ASSERT_EQ(w.Messages().size(), 2u);
  EXPECT_EQ(w.Messages()[0], "Die Spalte \"Spalte\" gibt es in der Suchzeile nicht.");
  EXPECT_EQ(w.Messages()[1],
            "Die Zeichen * und ? sind für numerische Datentypen nicht möglich\r\n"
            "Spalte Umsatz, Suchkriterium '1*'");
  // The status bar shows it on one line.
  EXPECT_EQ(w.LastMessage(),
            "Die Zeichen * und ? sind für numerische Datentypen nicht möglich "
            "Spalte Umsatz, Suchkriterium '1*'");
  // The refused criterion stays in its cell, and the grid shows no rows for it.
  EXPECT_EQ(w.DataGrid()->RowCount(), 0);
  EXPECT_EQ(w.SearchLine()->CellText(0, FindColumn(*w.SearchLine(), "Umsatz")), "1*");
  TypeIntoSearchCell(w, "Umsatz", QStringLiteral(">=1000"));
  EXPECT_GT(w.DataGrid()->RowCount(), 0);

  const size_t before = w.Messages().size();
  TypeIntoSearchCell(w, "PLZ", QStringLiteral("1-3;5*-6"));
  const std::vector<std::string> after(w.Messages().begin() + static_cast<long>(before),
                                       w.Messages().end());
  EXPECT_NE(std::find(after.begin(), after.end(),
                      "Die Zeichen * und ? sind in Bereichsangaben nicht möglich\r\n"
                      "Spalte PLZ, Suchkriterium '1-3;5*-6'"),
            after.end());
  EXPECT_EQ(w.DataGrid()->RowCount(), 0);
  TypeIntoSearchCell(w, "Geburtstag", QStringLiteral("1.2.2003"));
  EXPECT_EQ(w.DataGrid()->RowCount(), w.Controller()->RecordCount());
}

TEST_F(BrowserTest, QuotesAndBracketsStayInsideTheirLiteral) {
  BrowserWindow& w = OpenWindow();
  // Valid criteria: searched as plain text, found nowhere.
  for (const char* attack : {"x' OR '1'='1", "x') OR (1=1", "\"'; DROP TABLE Kunden; --\"",
                             "Meier' OR Name LIKE '%", "<'' OR 1=1 OR ''='"}) {
    w.ApplySearches({{"Name", attack}});
    EXPECT_EQ(w.DataGrid()->RowCount(), 0) << attack;
  }
  // A malformed range is refused with its message instead of being sent.
  w.ApplySearches({{"Name", "]; DELETE FROM Kunden; --"}});
  EXPECT_EQ(w.Messages().back().rfind("Bereichsangabe hat einen Fehler\r\n", 0), 0u);
  EXPECT_EQ(w.DataGrid()->RowCount(), 0);
  w.ApplySearches({{"Umsatz", "0 OR 1=1"}, {"Geburtstag", "1.1.2000'); DROP TABLE Kunden; --"}});
  EXPECT_EQ(w.DataGrid()->RowCount(), w.Controller()->RecordCount());
  // Nothing reached the table.
  w.ApplySearches({{"Name", "*"}});
  EXPECT_EQ(w.DataGrid()->RowCount(), kSampleRows);
}

}  // namespace
}  // namespace vmbgrid::browser::testing

namespace vmbgrid::browser::testing {
namespace {

double Amount(const std::string& text) {
  QString t = QString::fromStdString(text);
  t.remove('.').replace(',', '.');
  return t.toDouble();
}

// The browser starts ascending, so the first click on a column sorts it A to Z;
// the header shows what the rows are sorted by, with several columns their ranks.
TEST_F(BrowserTest, HeaderClickSortsAndSelectorClickClearsTheSearch) {
  BrowserWindow& w = OpenWindow();
  QApplication::setActiveWindow(&w);
  QtGrid& d = *w.DataGrid();
  const int umsatz = FindColumn(d, "Umsatz");
  QHeaderView* header = d.View()->horizontalHeader();
  auto caption = [&](const char* field) {
    return d.View()->model()->headerData(FindColumn(d, field), Qt::Horizontal).toString();
  };
  auto click = [&](const char* field, Qt::KeyboardModifiers keys = Qt::NoModifier) {
    const int col = FindColumn(d, field);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, keys,
                      QPoint(header->sectionViewportPosition(col) + header->sectionSize(col) / 2,
                             header->height() / 2));
    BrowserWindow::Settle();
  };
  EXPECT_EQ(caption("Name"), QStringLiteral("Name \u25B2"));  // the sample's own sort
  click("Umsatz");
  ASSERT_EQ(d.RowCount(), kSampleRows);
  EXPECT_LE(Amount(d.CellText(0, umsatz)), Amount(d.CellText(1, umsatz)));
  EXPECT_LE(Amount(d.CellText(0, umsatz)), Amount(d.CellText(kSampleRows - 1, umsatz)));
  EXPECT_EQ(caption("Umsatz"), QStringLiteral("Umsatz \u25B2"));
  EXPECT_EQ(caption("Name"), QStringLiteral("Name"));
  click("Umsatz");
  EXPECT_GE(Amount(d.CellText(0, umsatz)), Amount(d.CellText(kSampleRows - 1, umsatz)));
  EXPECT_EQ(caption("Umsatz"), QStringLiteral("Umsatz \u25BC"));
  click("PLZ", Qt::ControlModifier);
  EXPECT_EQ(caption("Umsatz"), QStringLiteral("Umsatz \u25BC1"));
  EXPECT_EQ(caption("PLZ"), QStringLiteral("PLZ \u25B22"));

  w.ApplySearches({{"Ort", "B*"}});
  ASSERT_LT(d.RowCount(), kSampleRows);
  QHeaderView* selector = w.SearchLine()->View()->verticalHeader();
  QTest::mouseClick(selector->viewport(), Qt::LeftButton, Qt::NoModifier,
                    QPoint(selector->width() / 2, selector->sectionSize(0) / 2));
  BrowserWindow::Settle();
  EXPECT_EQ(d.RowCount(), kSampleRows);
  EXPECT_EQ(w.RecordCountLabel(), "2.000 Datensätze");
  EXPECT_EQ(w.SearchLine()->CellText(0, FindColumn(*w.SearchLine(), "Ort")), "");
}

}  // namespace
}  // namespace vmbgrid::browser::testing
