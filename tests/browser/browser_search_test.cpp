// Criteria typed into the search line with real key events, and criteria that the
// library refuses or that try to break out of their literal.
#include <QApplication>
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

  // Quotes stay inside their literal: searched as text, found nowhere, nothing dropped.
  w.ApplySearches({{"Name", "x'); DROP TABLE Kunden; --"}});
  EXPECT_EQ(w.DataGrid()->RowCount(), 0);
  w.ApplySearches({{"Name", "*"}});
  EXPECT_EQ(w.DataGrid()->RowCount(), kSampleRows);
}

}  // namespace
}  // namespace vmbgrid::browser::testing
