// The browser's menus as a user meets them: a right click on the header opens the
// table menu, the layout dialog saves a layout and the record limit, the column
// chooser hides a column, and a restart with the same user brings it all back; saved
// filters from the Suche menu; rows and cells through the Bearbeiten menu.
#include <sqlite3.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStringList>
#include <QTableView>
#include <QtTest/QTest>
#include <filesystem>
#include <fstream>
#include <functional>

#include "adapters/common/display_format.h"
#include "adapters/qt/qt_grid.h"
#include "adapters/qt/qt_menu.h"
#include "grid/vmgrid.h"
#include "layout/layout_dialog.h"
#include "menus/menu_controller.h"
#include "tests/browser/browser_fixture.h"

namespace vmbgrid::browser::testing {
namespace {

class BrowserMenus : public BrowserTest {
 protected:
  static Options Private(const std::string& user) { return BrowserTest::Private("menus.db", user); }
  static void Cleanup() { RemovePrivate("menus.db"); }

  // Saves the current arrangement under the name through the layout dialog.
  void SaveLayoutAs(const std::string& name) {
    InDialog([name](QDialog& d) {
      auto* combo = d.findChild<QComboBox*>(QStringLiteral("cboLayouts"));
      ASSERT_NE(combo, nullptr);
      combo->setEditText(QString::fromStdString(name));
      QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("btnSave")), Qt::LeftButton);
    });
    RightClickAndChoose("Name", "Spalteneinstellungen &verwalten ...");
  }

  // Right click on the header of the column; the entry with that caption is chosen
  // from the menu that opens. The captions of the menu shown, sub-menus indented.
  Strings RightClickAndChoose(const std::string& field, const std::string& caption) {
    Strings shown;
    auto* menu = static_cast<QtMenuControl*>(Window().Controller()->Menus().LayoutMenu());
    menu->ShowWith([&](QMenu& m) {
      std::function<void(QMenu&, const std::string&)> walk = [&](QMenu& mm,
                                                                 const std::string& indent) {
        for (QAction* a : mm.actions()) {
          if (a->isSeparator()) continue;
          shown.push_back(indent + a->text().toStdString());
          if (a->menu()) walk(*a->menu(), indent + "  ");
          if (a->text().toStdString() == caption) a->trigger();
        }
      };
      walk(m, "");
    });
    QtGrid& data = *Window().DataGrid();
    const int col = FindColumn(data, field);
    QHeaderView* header = data.View()->horizontalHeader();
    const QPoint at(header->sectionViewportPosition(col) + 5, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::RightButton, {}, at);
    BrowserWindow::Settle();
    return shown;
  }
};

TEST_F(BrowserMenus, SaveALayoutHideAColumnSetTheLimitRestartAndGetItBack) {
  Cleanup();
  BrowserWindow& w = OpenWindow(Private("meier"));
  ASSERT_NE(w.Controller(), nullptr);
  InDialog([](QDialog& d) {
    auto* combo = d.findChild<QComboBox*>(QStringLiteral("cboLayouts"));
    auto* limit = d.findChild<QLineEdit*>(QStringLiteral("txtMaxRecords"));
    ASSERT_TRUE(combo && limit);
    combo->setEditText(QStringLiteral("Kunden/Schmal"));
    QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("btnSave")), Qt::LeftButton);
    limit->selectAll();
    QTest::keyClicks(limit, "250");
    QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("btnCancel")), Qt::LeftButton);
  });
  const Strings menu = RightClickAndChoose("Name", "Spalteneinstellungen &verwalten ...");
  EXPECT_EQ(menu, (Strings{"Spalteneinstellungen &verwalten ...", "Spalten verwalten",
                           "Druckvorschau Tabelle", "  Hochformat", "  Querformat", "Druck Tabelle",
                           "  Hochformat", "  Querformat", "Export Tabelle...",
                           "Seriendruck mit MS-Word", "Serien-EMail", "Sammel-EMail", "Optionen",
                           "  Am Anfang leere Tabelle anzeigen",
                           "  Erst beim Verlassen der Suchzeile suchen"}));
  EXPECT_EQ(w.Controller()->MaxRecords(), 250);

  InDialog([](QDialog& d) {
    for (QCheckBox* box : d.findChildren<QCheckBox*>())
      if (box->text() == QStringLiteral("Ort")) box->click();
    QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("btnok(0)")), Qt::LeftButton);
  });
  const Strings withLayouts = RightClickAndChoose("Name", "Spalten verwalten");
  ASSERT_GE(withLayouts.size(), 2u);
  EXPECT_EQ(withLayouts[0], "Spalteneinstellungen laden");
  EXPECT_EQ(withLayouts[1], "  Kunden/Schmal");
  EXPECT_FALSE(w.DataGrid()->ColumnByField("Ort")->Visible());
  EXPECT_FALSE(w.SearchLine()->ColumnByField("Ort")->Visible());

  // Closing the window saves; the same user finds everything again.
  window_.reset();
  BrowserWindow& again = OpenWindow(Private("meier"));
  ASSERT_NE(again.Controller(), nullptr);
  EXPECT_EQ(again.Controller()->MaxRecords(), 250);
  EXPECT_EQ(again.Controller()->RecordCount(), 250);
  EXPECT_EQ(again.RecordCountLabel(), "250 Datensätze – Höchstzahl erreicht, weitere möglich");
  EXPECT_FALSE(again.DataGrid()->ColumnByField("Ort")->Visible());
  EXPECT_EQ(layout::SavedLayoutNames(*again.Controller()), (Strings{"Kunden/Schmal"}));
  // Loading the saved layout from the menu shows Ort again.
  RightClickAndChoose("Name", "Kunden/Schmal");
  EXPECT_TRUE(again.DataGrid()->ColumnByField("Ort")->Visible());
  EXPECT_EQ(again.Controller()->layout(), "Kunden/Schmal");

  // A stored layout that hides every column (written by hand): the window still
  // shows a column, and the export has its caption and values.
  window_.reset();
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((TempDir() / "menus.db").c_str(), &db), SQLITE_OK);
  EXPECT_EQ(
      sqlite3_exec(db, "UPDATE aa_gridlayout_feld SET visible = 0", nullptr, nullptr, nullptr),
      SQLITE_OK);
  sqlite3_close(db);
  BrowserWindow& hidden = OpenWindow(Private("meier"));
  EXPECT_EQ(hidden.Controller()->layout(), "Kunden/Schmal");
  EXPECT_TRUE(hidden.DataGrid()->ColumnByField("Name")->Visible());
  EXPECT_TRUE(hidden.SearchLine()->ColumnByField("Name")->Visible());
  const auto exported = TempDir() / "versteckt.txt";
  ASSERT_TRUE(hidden.ExportTo(exported.string()));
  std::ifstream in(exported, std::ios::binary);
  std::string header, first;
  std::getline(in, header);
  std::getline(in, first);
  EXPECT_EQ(header, "\xEF\xBB\xBF\"Name\"\r");
  EXPECT_GT(first.size(), 3u);

  // Another user sees neither the layout nor the limit.
  window_.reset();
  BrowserWindow& other = OpenWindow(Private("huber"));
  EXPECT_TRUE(layout::SavedLayoutNames(*other.Controller()).empty());
  EXPECT_EQ(other.Controller()->MaxRecords(), 1000);
  EXPECT_TRUE(other.DataGrid()->ColumnByField("Ort")->Visible());
  window_.reset();
  Cleanup();
}

// Every layout load brings the sum line along: each total stands under its own
// column, in that column's number format, on screen and in the PDF, also after the
// next search; the totals are SQLite's own.
TEST_F(BrowserMenus, ALayoutLoadedFromTheMenuKeepsEachTotalUnderItsColumn) {
  Cleanup();
  Options o = Private("schulz");
  o.max = 0;
  BrowserWindow& w = OpenWindow(o);
  SaveLayoutAs("Kompakt");
  InDialog([](QDialog& d) {
    for (QCheckBox* box : d.findChildren<QCheckBox*>())
      if (box->text() == QStringLiteral("Straße") || box->text() == QStringLiteral("PLZ"))
        box->click();
    QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("btnok(0)")), Qt::LeftButton);
  });
  RightClickAndChoose("Name", "Spalten verwalten");
  SaveLayoutAs("OhneAdresse");
  RightClickAndChoose("Name", "Kompakt");
  ASSERT_EQ(w.Controller()->layout(), "Kompakt");
  // The layout builds the columns anew; the window's look stays (Status shows words).
  EXPECT_EQ(w.DataGrid()->ColumnByField("Status")->Alignment(), dbgLeft);

  auto expectTotals = [&](const std::string& where, const std::string& when) {
    BrowserWindow::Settle();
    QtGrid& data = *w.DataGrid();
    QtGrid& sum = *w.SumLine();
    ASSERT_EQ(sum.ColumnCount(), data.ColumnCount()) << when;
    for (int i = 0; i < data.ColumnCount(); ++i)
      EXPECT_EQ(sum.Column(i).DataField(), data.Column(i).DataField()) << when;
    auto rs = Platform::Data().CreateRecordset();
    rs->Open("SELECT SUM(Umsatz) FROM Kunden" + where, w.Controller()->ConnectionString(),
             adOpenStatic, adLockReadOnly, adCmdText);
    const std::string total = FormatCell(rs->ValueAt(0, 0), "#,##0.00");
    const int umsatz = data.ColumnByField("Umsatz")->Index();
    EXPECT_EQ(sum.CellText(0, umsatz), total) << when;
    EXPECT_EQ(sum.CellText(0, data.ColumnByField("Name")->Index()), "Summe") << when;
    const auto pdf = TempDir() / "kompakt.pdf";
    ASSERT_TRUE(w.SavePdf(pdf.string())) << when;
    ASSERT_GT(data.Footer().size(), static_cast<size_t>(umsatz)) << when;
    EXPECT_EQ(data.Footer()[static_cast<size_t>(umsatz)], total) << when;
  };
  expectTotals("", "loading Kompakt");
  w.ApplySearches({{"Name", "M*"}});
  expectTotals(" WHERE Name LIKE 'M%'", "the next search");
  window_.reset();
  Cleanup();
}

// Saved filters in the browser as a user meets them: the search saved under a name
// from Suche ▸ Gespeicherte Filter, picked again after a restart, and a filter with
// a question answered in the parameter dialog.
class BrowserQueries : public BrowserTest {
 protected:
  static Options Private(const std::string& user) {
    return BrowserTest::Private("queries.db", user);
  }
  static void Cleanup() { RemovePrivate("queries.db"); }

  // Suche ▸ Gespeicherte Filter, opened as the menu bar opens it; the captions shown,
  // and the entry with that caption chosen.
  Strings FromSearchMenu(const std::string& caption) {
    QMenu* filters = nullptr;
    for (QAction* top : Window().menuBar()->actions())
      if (top->text() == QStringLiteral("&Suche") && top->menu())
        for (QAction* a : top->menu()->actions())
          if (a->text() == QStringLiteral("Gespeicherte &Filter")) filters = a->menu();
    EXPECT_NE(filters, nullptr);
    Strings shown;
    if (!filters) return shown;
    emit filters->aboutToShow();
    QAction* chosen = nullptr;
    for (QAction* a : filters->actions()) {
      if (a->isSeparator()) continue;
      shown.push_back(a->text().toStdString());
      if (a->text().toStdString() == caption) chosen = a;
    }
    if (chosen) chosen->trigger();
    BrowserWindow::Settle();
    return shown;
  }

  static void SaveInDialog(const char* name) {
    InDialog([name](QDialog& d) {
      EXPECT_EQ(d.windowTitle().toStdString(), "Filter");
      auto* combo = d.findChild<QComboBox*>(QStringLiteral("cboQueries"));
      ASSERT_NE(combo, nullptr);
      combo->setEditText(QString::fromUtf8(name));
      d.findChild<QPushButton*>(QStringLiteral("btnSave"))->click();
      d.findChild<QPushButton*>(QStringLiteral("btnCancel"))->click();
    });
  }
};

TEST_F(BrowserQueries, SaveASearchRestartPickItAndAnswerAQuestion) {
  Cleanup();
  BrowserWindow& w = OpenWindow(Private("meier"));
  ASSERT_NE(w.Controller(), nullptr);
  w.Controller()->setze_search("Ort", "Berlin");
  BrowserWindow::Settle();
  SaveInDialog("Berlin/Mitte");
  EXPECT_EQ(FromSearchMenu("Filter &verwalten"), Strings{"Filter &verwalten"});

  // A question: "=1:Text" under Name.
  w.Controller()->ClearSearch(true);
  w.Controller()->setze_search("Name", "=1:Text");
  BrowserWindow::Settle();
  SaveInDialog("Nach Name/Ort");
  FromSearchMenu("Filter &verwalten");

  // After a restart the filters are there; picking one gives the same rows.
  window_.reset();
  BrowserWindow& again = OpenWindow(Private("meier"));
  ASSERT_NE(again.Controller(), nullptr);
  const int all = again.Controller()->RecordCount();
  EXPECT_EQ(FromSearchMenu("Berlin/Mitte"),
            (Strings{"Filter &verwalten", "Nach Name/Ort", "Berlin/Mitte"}));
  EXPECT_GT(again.Controller()->RecordCount(), 0);
  EXPECT_LT(again.Controller()->RecordCount(), all);
  for (const auto& ort : Column("Ort")) EXPECT_EQ(ort, "Berlin");

  // The question is asked in the parameter dialog; the answer filters.
  InDialog([](QDialog& d) {
    EXPECT_NE(d.windowTitle().toStdString().find("[Nach Name/Ort]"), std::string::npos);
    auto* text = d.findChild<QLineEdit*>(QStringLiteral("txtText(1)"));
    ASSERT_NE(text, nullptr);
    text->setText(QStringLiteral("Mei*"));
    d.findChild<QPushButton*>(QStringLiteral("btnOK"))->click();
  });
  FromSearchMenu("Nach Name/Ort");
  const Strings names = Column("Name");
  ASSERT_FALSE(names.empty());
  for (const auto& n : names) EXPECT_EQ(n.rfind("Mei", 0), 0u) << n;

  // Another user sees neither.
  window_.reset();
  OpenWindow(Private("huber"));
  EXPECT_EQ(FromSearchMenu(""), Strings{"Filter &verwalten"});
  window_.reset();
  Cleanup();
}

// The Bearbeiten menu on the Qt front end: rows copied as tab-separated lines,
// a cell copied from the data grid and pasted into the search line.
TEST_F(BrowserTest, EditMenuCopiesRowsAndCellsThroughTheClipboard) {
  BrowserWindow& w = OpenWindow();
  QtGrid& d = *w.DataGrid();
  ASSERT_GE(d.RowCount(), 3);
  for (int r = 0; r < 3; ++r) d.AddSelected(d.DataSource()->BookmarkAt(r));
  Trigger("&Zeilen kopieren");
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
  Trigger("&Kopieren");
  const QString city = QGuiApplication::clipboard()->text();
  ASSERT_FALSE(city.isEmpty());
  QtGrid& s = *w.SearchLine();
  s.SetFocus();
  s.Col(s.ColumnByField("Ort")->Index());
  BrowserWindow::Settle();
  Trigger("E&infügen");
  EXPECT_EQ(QString::fromStdString(s.GetProperty(67).ToTextOrEmpty()), city);
  Trigger("&Rückgängig");
  EXPECT_EQ(s.GetProperty(67).ToTextOrEmpty(), "");
}

}  // namespace
}  // namespace vmbgrid::browser::testing
