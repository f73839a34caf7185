// The dialogs as real Qt widgets: the controls under the library's names, what a
// user's clicks and typing report, tab order, default and cancel buttons.
#include "adapters/qt/qt_dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <functional>

#include "gtest/gtest.h"

namespace vmbgrid {
namespace {

using Strings = std::vector<std::string>;

// Plays the user once the dialog runs modally; closes it whatever happens, so that
// a failed step cannot leave the test waiting.
bool RunWith(QtDialogView& view, std::function<void(QDialog&)> play) {
  QTimer::singleShot(0, [play] {
    auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!d) return ADD_FAILURE() << "no modal dialog";
    play(*d);
    if (d->isVisible()) d->reject();
  });
  return view.ShowModal();
}

template <class W>
W* Find(QDialog& d, const char* name) {
  W* w = d.findChild<W*>(QString::fromLatin1(name));
  EXPECT_NE(w, nullptr) << name;
  return w;
}

// The names of the widgets Tab visits from `from` on, at most n of them (an
// offscreen window is never active, so the keys themselves would go nowhere).
Strings TabChain(QWidget* from, size_t n) {
  Strings order;
  for (QWidget* f = from; f && order.size() < n; f = f->nextInFocusChain()) {
    if (!(f->focusPolicy() & Qt::TabFocus) || !f->isEnabled()) continue;
    QWidget* named = f;
    while (named && named->objectName().isEmpty()) named = named->parentWidget();
    const std::string name = named ? named->objectName().toStdString() : "?";
    if (order.empty() || order.back() != name) order.push_back(name);
  }
  return order;
}

TEST(QtDialogs, LayoutDialogReportsItsControlsAndKeepsTheTypedNameWhenRefilled) {
  QtDialogView view("frmGridLayout");
  Strings commands;
  view.SetCommandHandler([&](const std::string& c) {
    commands.push_back(c + "=" +
                       view.ControlValue(c == "txtMaxRecords" ? c : "cboLayouts").ToTextOrEmpty());
    if (c == "btnSave") view.SetControlItems("cboLayouts", {"Alt", "Neu"});
    if (c == "btnCancel") view.EndModal(false);
  });
  view.SetControlItems("cboLayouts", {"Alt"});
  view.SetControlValue("txtMaxRecords", Variant("1000"));
  EXPECT_NE(view.Menu(), nullptr) << "the form carries the table menu";
  const bool ok = RunWith(view, [&](QDialog& d) {
    EXPECT_EQ(d.windowTitle().toStdString(), "Tabelleneinstellungen");
    auto* combo = Find<QComboBox>(d, "cboLayouts");
    auto* save = Find<QPushButton>(d, "btnSave");
    auto* limit = Find<QLineEdit>(d, "txtMaxRecords");
    auto* close = Find<QPushButton>(d, "btnCancel");
    if (!combo || !save || !limit || !close) return;
    EXPECT_EQ(save->text().toStdString(), "&Speichern");
    EXPECT_EQ(close->text().toStdString(), "Schließen");
    EXPECT_TRUE(save->isDefault());
    combo->setFocus();
    QTest::keyClicks(combo, "Neu");
    QTest::mouseClick(save, Qt::LeftButton);
    EXPECT_EQ(combo->currentText().toStdString(), "Neu") << "refilling keeps the text";
    EXPECT_EQ(combo->count(), 2);
    limit->selectAll();
    QTest::keyClicks(limit, "25a");  // the validator keeps letters out
    QTest::mouseClick(close, Qt::LeftButton);
  });
  EXPECT_FALSE(ok);
  EXPECT_EQ(commands,
            (Strings{"btnSave=Neu", "txtMaxRecords=2", "txtMaxRecords=25", "btnCancel=Neu"}));
  // Esc closes as Cancel.
  EXPECT_FALSE(RunWith(view, [](QDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }));
}

TEST(QtDialogs, LayoutDialogTabOrderFollowsTheForm) {
  QtDialogView view("frmGridLayout");
  RunWith(view, [](QDialog& d) {
    EXPECT_EQ(TabChain(d.findChild<QComboBox*>(QStringLiteral("cboLayouts")), 5),
              (Strings{"cboLayouts", "btnSave", "btnDelete", "txtMaxRecords", "btnCancel"}));
  });
}

TEST(QtDialogs, FilterDialogSavesTheTypedNameKeepsItWhenRefilledAndCloses) {
  QtDialogView view("frmQueries");
  Strings commands;
  view.SetCommandHandler([&](const std::string& c) {
    commands.push_back(c + "=" + view.ControlValue("cboQueries").ToTextOrEmpty());
    if (c == "btnSave") view.SetControlItems("cboQueries", {"Kunden", "Offen"});
    if (c == "btnCancel") view.EndModal(false);
  });
  view.SetControlItems("cboQueries", {"Kunden"});
  EXPECT_NE(view.Menu(), nullptr) << "the form carries the filter menu";
  const bool ok = RunWith(view, [&](QDialog& d) {
    EXPECT_EQ(d.windowTitle().toStdString(), "Filter");
    auto* combo = Find<QComboBox>(d, "cboQueries");
    auto* save = Find<QPushButton>(d, "btnSave");
    auto* del = Find<QPushButton>(d, "btnDelete");
    auto* close = Find<QPushButton>(d, "btnCancel");
    if (!combo || !save || !del || !close) return;
    EXPECT_EQ(save->text().toStdString(), "&Speichern");
    EXPECT_EQ(del->text().toStdString(), "&Löschen");
    EXPECT_EQ(close->text().toStdString(), "Schließen");
    EXPECT_TRUE(save->isDefault());
    EXPECT_FALSE(close->autoDefault());
    EXPECT_TRUE(combo->isEditable());
    EXPECT_EQ(d.focusWidget(), combo) << "the name has the focus when the form shows";
    EXPECT_EQ(TabChain(combo, 4), (Strings{"cboQueries", "btnSave", "btnDelete", "btnCancel"}));
    QTest::keyClicks(combo, "Offen");
    save->click();
    EXPECT_EQ(combo->currentText().toStdString(), "Offen") << "refilling keeps the text";
    EXPECT_EQ(view.ControlItems("cboQueries"), (Strings{"Kunden", "Offen"}));
    del->click();
    close->click();
  });
  EXPECT_FALSE(ok);
  EXPECT_EQ(commands, (Strings{"btnSave=Offen", "btnDelete=Offen", "btnCancel=Offen"}));
  // Without a handler "Schließen" ends the form by itself, and so does Esc.
  QtDialogView plain("frmQueries");
  EXPECT_FALSE(RunWith(plain, [](QDialog& d) {
    if (auto* close = Find<QPushButton>(d, "btnCancel")) close->click();
    EXPECT_FALSE(d.isVisible());
  }));
  EXPECT_FALSE(RunWith(plain, [](QDialog& d) {
    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_FALSE(d.isVisible());
  }));
}

TEST(QtDialogs, ColumnChooserBuildsOneBoxPerColumnInColumnsOfTheGivenHeight) {
  QtDialogView view("frmCols");
  Strings commands;
  view.SetCommandHandler([&](const std::string& c) {
    commands.push_back(c);
    if (c == "btnok(0)") view.EndModal(true);
  });
  view.SetControlValue("RowsPerColumn", Variant(int32_t{2}));
  view.SetControlItems("chkSpalte", {"Name", "", "Ort"});
  for (int i = 0; i < 3; ++i)
    view.SetControlValue("chkSpalte(" + std::to_string(i) + ")", Variant(true));
  const bool ok = RunWith(view, [&](QDialog& d) {
    EXPECT_EQ(d.windowTitle().toStdString(), "Verwalten der Spalten");
    auto* name = Find<QCheckBox>(d, "chkSpalte(0)");
    auto* none = Find<QCheckBox>(d, "chkSpalte(1)");
    auto* ort = Find<QCheckBox>(d, "chkSpalte(2)");
    auto* grid = d.findChild<QGridLayout*>();
    if (!name || !none || !ort || !grid) return;
    EXPECT_FALSE(none->isVisible()) << "a column without caption has no box to see";
    int row = -1, col = -1, rs = 0, cs = 0;
    grid->getItemPosition(grid->indexOf(ort), &row, &col, &rs, &cs);
    EXPECT_EQ(row, 0);
    EXPECT_EQ(col, 1) << "the third box starts the second column";
    EXPECT_TRUE(Find<QPushButton>(d, "btnok(0)")->isDefault());
    ort->click();  // as a mouse click does; offscreen widgets get no hit test
    QTest::keyClick(&d, Qt::Key_Return);  // the default button, "Setzen"
  });
  EXPECT_TRUE(ok);
  EXPECT_EQ(commands, (Strings{"chkSpalte(2)", "btnok(0)"}));
  EXPECT_EQ(view.ControlValue("chkSpalte(2)"), Variant(false));
  EXPECT_EQ(view.ControlValue("chkSpalte(0)"), Variant(true));
}

}  // namespace
}  // namespace vmbgrid
