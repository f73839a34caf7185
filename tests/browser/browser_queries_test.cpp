// Saved filters in the browser as a user meets them: the search saved under a name
// from Suche ▸ Gespeicherte Filter, picked again after a restart, and a filter with
// a question answered in the parameter dialog.
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "adapters/qt/qt_grid.h"
#include "grid/vmgrid.h"
#include "tests/browser/browser_fixture.h"

namespace vmbgrid::browser::testing {
namespace {

using Strings = std::vector<std::string>;

class BrowserQueries : public BrowserTest {
 protected:
  Options Private(const std::string& user) {
    const auto db = TempDir() / "queries.db";
    if (!std::filesystem::exists(db)) std::filesystem::copy_file(SampleDb(), db);
    Options o;
    o.db = db.string();
    o.user = user;
    return o;
  }
  static void Cleanup() { std::filesystem::remove(TempDir() / "queries.db"); }

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

  // Plays the user in the next modal dialog, which opens once the menu has closed.
  static void InDialog(std::function<void(QDialog&)> play, int triesLeft = 500) {
    QTimer::singleShot(10, [play, triesLeft] {
      auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (!d) {
        if (triesLeft > 0) return InDialog(play, triesLeft - 1);
        return ADD_FAILURE() << "no dialog opened";
      }
      play(*d);
      if (d->isVisible()) d->reject();
    });
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
  // The shown values of one column.
  Strings Column(const std::string& field) {
    Strings out;
    QtGrid& data = *Window().DataGrid();
    int col = -1;
    for (int i = 0; i < data.ColumnCount(); ++i)
      if (data.Column(i).DataField() == field) col = i;
    for (int r = 0; col >= 0 && r < data.RowCount(); ++r) out.push_back(data.CellText(r, col));
    return out;
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

}  // namespace
}  // namespace vmbgrid::browser::testing
