// The Bearbeiten menu on the Qt front end: rows copied as tab-separated lines,
// a cell copied from the data grid and pasted into the search line.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenuBar>
#include <QStringList>

#include "adapters/qt/qt_grid.h"
#include "grid/vmgrid.h"
#include "tests/browser/browser_fixture.h"

namespace vmbgrid::browser::testing {
namespace {

void Trigger(BrowserWindow& w, const QString& text) {
  for (QAction* menu : w.menuBar()->actions()) {
    if (!menu->menu()) continue;
    for (QAction* a : menu->menu()->actions()) {
      if (a->text() == text) {
        a->trigger();
        BrowserWindow::Settle();
        return;
      }
    }
  }
  ADD_FAILURE() << text.toStdString();
}

TEST_F(BrowserTest, EditMenuCopiesRowsAndCellsThroughTheClipboard) {
  BrowserWindow& w = OpenWindow();
  QtGrid& d = *w.DataGrid();
  ASSERT_GE(d.RowCount(), 3);
  for (int r = 0; r < 3; ++r) d.AddSelected(d.DataSource()->BookmarkAt(r));
  Trigger(w, QStringLiteral("&Zeilen kopieren"));
  const QStringList lines = QGuiApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 3);
  int visible = 0;
  for (int c = 0; c < d.ColumnCount(); ++c) visible += d.Column(c).Visible() ? 1 : 0;
  for (int r = 0; r < 3; ++r) {
    EXPECT_EQ(lines[r].count('\t'), visible - 1);
    const int name = d.ColumnByField("Name")->Index();
    EXPECT_TRUE(lines[r].contains(QString::fromStdString(d.CellText(r, name))));
  }

  // Copy the current cell of the data grid, paste it into the search line.
  QApplication::setActiveWindow(&w);
  d.SetFocus();
  d.Bookmark(d.DataSource()->BookmarkAt(0));
  d.Col(d.ColumnByField("Ort")->Index());
  BrowserWindow::Settle();
  Trigger(w, QStringLiteral("&Kopieren"));
  const QString city = QGuiApplication::clipboard()->text();
  ASSERT_FALSE(city.isEmpty());
  QtGrid& s = *w.SearchLine();
  s.SetFocus();
  s.Col(s.ColumnByField("Ort")->Index());
  BrowserWindow::Settle();
  Trigger(w, QStringLiteral("E&infügen"));
  EXPECT_EQ(QString::fromStdString(s.GetProperty(67).ToTextOrEmpty()), city);
  Trigger(w, QStringLiteral("&Rückgängig"));
  EXPECT_EQ(s.GetProperty(67).ToTextOrEmpty(), "");
}

}  // namespace
}  // namespace vmbgrid::browser::testing
