// The window on the sample table: what a new user sees first, the picture the
// program saves, and bad input that must leave the window usable.
#include <QHeaderView>
#include <QImage>
#include <QTableView>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "adapters/qt/qt_grid.h"
#include "apps/browser/screenshot.h"
#include "grid/vmgrid.h"
#include "tests/browser/browser_fixture.h"

namespace vmbgrid::browser::testing {
namespace {

TEST_F(BrowserTest, SampleTableShowsCaptionsTranslationsAndSumLine) {
  BrowserWindow& w = OpenWindow();
  ASSERT_NE(w.Controller(), nullptr);
  EXPECT_EQ(w.Controller()->RecordCount(), kSampleRows);
  EXPECT_EQ(w.DataGrid()->RowCount(), kSampleRows);
  EXPECT_EQ(w.RecordCountLabel(), "2.000 Datensätze");
  EXPECT_EQ(w.windowTitle().toStdString(), "Kunden – VMBGrid-Browser [kunden.db]");
  EXPECT_TRUE(w.Messages().empty()) << w.Messages().front();

  QtGrid& data = *w.DataGrid();
  const int strasse = FindColumn(data, "Strasse");
  const int status = FindColumn(data, "Status");
  const int umsatz = FindColumn(data, "Umsatz");
  const int name = FindColumn(data, "Name");
  ASSERT_GE(strasse, 0);
  ASSERT_GE(status, 0);
  EXPECT_EQ(data.Column(strasse).Caption(), "Straße");
  // Codes are shown as the texts of the Status table.
  const std::string shown = data.CellText(0, status);
  EXPECT_FALSE(shown.empty());
  EXPECT_EQ(shown.find_first_not_of("0123456789"), 0u) << shown;

  // Sorted by name, German collation: no name sorts before its predecessor.
  EXPECT_LE(QString::fromStdString(data.CellText(0, name))
                .localeAwareCompare(QString::fromStdString(data.CellText(1, name))),
            0);

  QtGrid& sum = *w.SumLine();
  ASSERT_EQ(sum.RowCount(), 1);
  EXPECT_EQ(sum.CellText(0, name), "Summe");
  const std::string total = sum.CellText(0, umsatz);
  EXPECT_NE(total.find(','), std::string::npos) << total;  // "#,##0.00" in German form
  EXPECT_NE(total, "0,00");
}

// A result capped by the record limit says so; the statement still asks for no more.
TEST_F(BrowserTest, ACappedResultSaysThatMoreRowsMayMatch) {
  Options o;
  o.max = 50;
  BrowserWindow& w = OpenWindow(o);
  EXPECT_EQ(w.Controller()->RecordCount(), 50);
  EXPECT_EQ(w.RecordCountLabel(), "50 Datensätze – Höchstzahl erreicht, weitere möglich");
  w.ApplySearches({{"Name", "Meier"}});
  ASSERT_LT(w.Controller()->RecordCount(), 50);
  EXPECT_EQ(w.RecordCountLabel(), RecordCountText(w.Controller()->RecordCount()));
}

TEST_F(BrowserTest, LinesAndDataGridShareEdgesAndColumnPositions) {
  BrowserWindow& w = OpenWindow();
  QTableView* s = w.SearchLine()->View();
  QTableView* d = w.DataGrid()->View();
  QTableView* u = w.SumLine()->View();
  EXPECT_EQ(s->x(), d->x());
  EXPECT_EQ(u->x(), d->x());
  EXPECT_EQ(s->width(), d->width());
  EXPECT_EQ(u->width(), d->width());
  EXPECT_EQ(s->geometry().bottom() + 1, d->y());
  EXPECT_EQ(d->geometry().bottom() + 1, u->y());
  EXPECT_GT(s->height(), 10);
  EXPECT_LT(s->height(), 40);
  EXPECT_GT(d->height(), 5 * s->height());

  // Every column starts at the same x in all three grids, also after scrolling.
  auto left = [](QTableView* v, int c) {
    return v->verticalHeader()->width() * v->verticalHeader()->isVisible() +
           v->columnViewportPosition(c);
  };
  for (int pass = 0; pass < 2; ++pass) {
    for (int c = 0; c < w.DataGrid()->ColumnCount(); ++c) {
      if (d->isColumnHidden(c)) continue;
      EXPECT_EQ(left(s, c), left(d, c)) << "pass " << pass << " column " << c;
      EXPECT_EQ(left(u, c), left(d, c)) << "pass " << pass << " column " << c;
      EXPECT_EQ(s->columnWidth(c), d->columnWidth(c));
    }
    w.DataGrid()->LeftCol(3);
    BrowserWindow::Settle();
  }
}

TEST_F(BrowserTest, ScreenshotHasWindowSizeAndReadableContent) {
  BrowserWindow& w = OpenWindow();
  const auto path = TempDir() / "shot" / "browser.png";
  ASSERT_EQ(SaveScreenshot(w, path.string()), "");
  QImage img(QString::fromStdString(path.string()));
  ASSERT_FALSE(img.isNull());
  const qreal dpr = w.devicePixelRatioF();
  EXPECT_EQ(img.width(), qRound(w.width() * dpr));
  EXPECT_EQ(img.height(), qRound(w.height() * dpr));

  std::set<QRgb> colours;
  for (int y = 0; y < img.height(); y += 3)
    for (int x = 0; x < img.width(); x += 3) colours.insert(img.pixel(x, y));
  EXPECT_GT(colours.size(), 20u);

  // Text in the data grid: dark pixels inside its rectangle.
  QTableView* d = w.DataGrid()->View();
  const QRect area(d->viewport()->mapTo(&w, QPoint(0, 0)) * dpr, d->viewport()->size() * dpr);
  int dark = 0;
  for (int y = area.top(); y < area.bottom(); ++y)
    for (int x = area.left(); x < area.right(); ++x)
      if (qGray(img.pixel(x, y)) < 90) ++dark;
  EXPECT_GT(dark, 500);
}

TEST_F(BrowserTest, DatabaseThatCannotBeOpenedIsShownAndCreatesNoFile) {
  Options o;
  const auto missing = TempDir() / "fehlt.db;Mode=Create";
  o.db = missing.string();
  BrowserWindow& w = OpenWindow(o);
  EXPECT_EQ(w.Controller(), nullptr);
  ASSERT_FALSE(w.Messages().empty());
  EXPECT_EQ(
      w.Messages().front().rfind("Verbindung mit Datenbank konnte nicht hergestellt werden.", 0),
      0u);
  EXPECT_NE(w.LastMessage().find("Verbindung mit Datenbank"), std::string::npos);
  EXPECT_EQ(w.RecordCountLabel(), "Keine Datensätze");
  EXPECT_FALSE(std::filesystem::exists(missing));
  EXPECT_FALSE(std::filesystem::exists(TempDir() / "fehlt.db"));
}

TEST_F(BrowserTest, UnknownTableIsReportedAndAnotherTableCanBeChosen) {
  Options o;
  o.table = "Kunden]; DROP TABLE Kunden; --";
  BrowserWindow& w = OpenWindow(o);
  EXPECT_EQ(w.Controller(), nullptr);
  ASSERT_EQ(w.Messages().size(), 1u);
  EXPECT_EQ(w.Messages()[0],
            "Die Tabelle \"Kunden]; DROP TABLE Kunden; --\" gibt es in der Datenbank nicht.");

  // Still usable: the table menu's path; another table shows all its columns.
  ASSERT_TRUE(w.LoadTable("orte"));
  EXPECT_EQ(w.CurrentTable(), "Orte");
  QtGrid& d = *w.DataGrid();
  for (const char* field : {"PLZ", "Ort", "Bundesland"}) EXPECT_GE(FindColumn(d, field), 0);
  EXPECT_EQ(d.RowCount(), w.Controller()->RecordCount());
  EXPECT_GT(d.RowCount(), 0);
  ASSERT_TRUE(w.LoadTable("Kunden"));
  EXPECT_EQ(w.Controller()->RecordCount(), kSampleRows);  // nothing was dropped
}

// The picture is written also when something went wrong (it shows the message), but
// the status says so.
TEST(BrowserProgram, ScreenshotModeWritesThePictureAndFailsAfterAnError) {
  const auto dir = TempDir() / "program";
  std::filesystem::create_directories(dir);
  const std::string exe = VMBGRID_BROWSER_EXE;
  const std::string png = (dir / "ok.png").string();
  const std::string env = "QT_QPA_PLATFORM=offscreen ";
  int rc = std::system((env + "'" + exe + "' --db '" + SampleDb().string() +
                        "' --search 'Ort=Gibt es nicht' --screenshot '" + png + "' >/dev/null 2>&1")
                           .c_str());
  EXPECT_EQ(rc, 0);
  EXPECT_TRUE(std::filesystem::exists(png));
  EXPECT_GT(std::filesystem::file_size(png), 5000u);

  const std::string bad = (dir / "bad.png").string();
  rc = std::system((env + "'" + exe + "' --db '" + (dir / "nichts.db").string() +
                    "' --screenshot '" + bad + "' >/dev/null 2>&1")
                       .c_str());
  EXPECT_NE(rc, 0);
  rc = std::system((env + "'" + exe + "' --db '" + SampleDb().string() +
                    "' --table Gibtsnicht --screenshot '" + bad + "' >/dev/null 2>&1")
                       .c_str());
  EXPECT_NE(rc, 0);
  EXPECT_TRUE(std::filesystem::exists(bad));
}

}  // namespace
}  // namespace vmbgrid::browser::testing
