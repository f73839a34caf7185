// The dialogs as real Qt widgets: the controls under the library's names, what a
// user's clicks and typing report, tab order, default and cancel buttons, and the
// parameter dialog's inputs placed at run time.
#include "adapters/qt/qt_dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <functional>

#include "gtest/gtest.h"
#include "host/platform.h"

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

// A screen of known resolution for the twips-to-pixels checks; puts the previous
// one back at the end.
class FakeScreen : public Screen {
 public:
  FakeScreen(double x, double y) : x_(x), y_(y), previous_(&Platform::ScreenService()) {
    Platform::Install(this);
  }
  ~FakeScreen() override { Platform::Install(previous_); }
  int MousePointer() const override { return 0; }
  void MousePointer(int) override {}
  double TwipsPerPixelX() const override { return x_; }
  double TwipsPerPixelY() const override { return y_; }
  void ClientToScreen(intptr_t, int&, int&) const override {}

 private:
  double x_, y_;
  Screen* previous_;
};

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
    EXPECT_EQ(TabChain(combo, 5),
              (Strings{"cboLayouts", "btnSave", "btnDelete", "txtMaxRecords", "btnCancel"}));
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
    auto* label = Find<QLabel>(d, "lblName");
    ASSERT_NE(label, nullptr) << "the name box has its label";
    EXPECT_EQ(label->buddy(), combo);
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
    // Wide enough for the whole title beside the window manager's buttons.
    EXPECT_GE(d.width(), QFontMetrics(QApplication::font("QMdiSubWindowTitleBar"))
                                 .horizontalAdvance(d.windowTitle()) +
                             140);
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

DialogInput Input(DialogInput::Kind kind, const std::string& name, const std::string& tag, int left,
                  int top, int width, int height, int tabIndex) {
  return DialogInput{.kind = kind,
                     .name = name,
                     .caption = {},
                     .tag = tag,
                     .format = {},
                     .initial = {},
                     .items = {},
                     .left = left,
                     .top = top,
                     .width = width,
                     .height = height,
                     .tabIndex = tabIndex};
}

using Kind = DialogInput::Kind;

// The rows the library builds for a filter with a date, a number, a list and a
// check box parameter; the tab indexes run against the order of adding.
void AddParameterRows(QtDialogView& view) {
  DialogInput label = Input(Kind::Label, "lbl(0)", "0", 120, 100, 2000, 240, 0);
  label.caption = "&Ab Datum:";
  view.AddInput(label);
  DialogInput date = Input(Kind::Date, "txtDate(0)", "0", 120, 360, 1200, 300, 3);
  date.format = "__.__.____";
  date.initial = "07.12.2026";
  view.AddInput(date);
  label = Input(Kind::Label, "lbl(1)", "1", 120, 760, 2000, 240, 0);
  label.caption = "&Betrag:";
  view.AddInput(label);
  DialogInput number = Input(Kind::Number, "txtNumber(1)", "1", 120, 1020, 1600, 300, 1);
  number.format = "#####,00";
  view.AddInput(number);
  DialogInput list = Input(Kind::List, "cboList(2)", "2", 120, 1420, 2400, 300, 2);
  list.items = {"Nord", "Süd", "West"};
  view.AddInput(list);
  DialogInput check = Input(Kind::Check, "chkCheck(3)", "3", 120, 1820, 2400, 300, 0);
  check.caption = "nur offene";
  view.AddInput(check);
}

TEST(QtDialogs, ParameterDialogPlacesItsInputsAndReadsTheValuesAtOk) {
  FakeScreen screen(10, 20);
  QtDialogView view("frmSimpleQuery");
  view.Caption("Filter Umsatz");
  AddParameterRows(view);
  view.SetControlValue("ClientHeight", Variant(int32_t{2400}));
  view.FocusControl("txtNumber(1)");
  Strings commands;
  view.SetCommandHandler([&](const std::string& c) {
    commands.push_back(c);
    if (c == "btnOK") view.EndModal(true);
  });
  const bool ok = RunWith(view, [&](QDialog& d) {
    EXPECT_EQ(d.windowTitle().toStdString(), "Filter Umsatz");
    EXPECT_EQ(d.size(), QSize(539, 120)) << "5385 x 2400 twips";
    EXPECT_EQ(d.minimumSize(), d.maximumSize()) << "fixed size";
    auto* okButton = Find<QPushButton>(d, "btnOK");
    auto* cancel = Find<QPushButton>(d, "btnCancel");
    auto* dateLabel = Find<QLabel>(d, "lbl(0)");
    auto* date = Find<QLineEdit>(d, "txtDate(0)");
    auto* numberLabel = Find<QLabel>(d, "lbl(1)");
    auto* number = Find<QLineEdit>(d, "txtNumber(1)");
    auto* list = Find<QComboBox>(d, "cboList(2)");
    auto* check = Find<QCheckBox>(d, "chkCheck(3)");
    if (!okButton || !cancel || !dateLabel || !date || !numberLabel || !number || !list || !check)
      return;
    EXPECT_EQ(okButton->geometry(), QRect(420, 3, 113, 19));
    EXPECT_EQ(cancel->geometry(), QRect(420, 24, 113, 19));
    EXPECT_EQ(okButton->text().toStdString(), "OK");
    EXPECT_EQ(cancel->text().toStdString(), "Abbrechen");
    EXPECT_TRUE(okButton->isDefault());
    EXPECT_EQ(dateLabel->geometry(), QRect(12, 5, 200, 12));
    EXPECT_EQ(date->geometry(), QRect(12, 18, 120, 15));
    EXPECT_EQ(check->geometry(), QRect(12, 91, 240, 15));
    for (QWidget* w : std::initializer_list<QWidget*>{dateLabel, date, number, list, check})
      EXPECT_TRUE(w->isVisible()) << w->objectName().toStdString();
    EXPECT_EQ(dateLabel->buddy(), date);
    EXPECT_EQ(numberLabel->buddy(), number);
    EXPECT_EQ(d.focusWidget(), number) << "the named control has the focus";
    EXPECT_EQ(TabChain(number, 6), (Strings{"txtNumber(1)", "cboList(2)", "txtDate(0)", "btnOK",
                                            "btnCancel", "chkCheck(3)"}))
        << "tab index order, then OK and Abbrechen; the check box (index 0) before them";

    EXPECT_EQ(view.ControlValue("txtDate(0)"), Variant("07.12.2026"));
    date->clear();
    EXPECT_EQ(view.ControlValue("txtDate(0)"), Variant("__.__.____")) << "an empty date";
    date->setFocus();
    date->home(false);
    QTest::keyClicks(date, "24122026");
    EXPECT_EQ(view.ControlValue("txtDate(0)"), Variant("24.12.2026"));

    EXPECT_EQ(view.ControlItems("cboList(2)"), (Strings{"Nord", "Süd", "West"}));
    EXPECT_FALSE(list->isEditable());
    list->setCurrentIndex(1);
    EXPECT_EQ(view.ControlValue("cboList(2)"), Variant("Süd"));
    EXPECT_EQ(view.ControlValue("chkCheck(3)"), Variant(false));
    check->click();
    QTest::keyClicks(number, "1234,5");
    okButton->click();
  });
  EXPECT_TRUE(ok);
  EXPECT_EQ(commands, Strings{"btnOK"}) << "typing reports nothing; the values are read at OK";
  EXPECT_EQ(view.ControlValue("chkCheck(3)"), Variant(true));
  EXPECT_EQ(view.ControlValue("txtNumber(1)"), Variant("1234,5"));
  EXPECT_EQ(view.ControlValue("txtDate(0)"), Variant("24.12.2026"));
}

TEST(QtDialogs, ParameterDialogNumberInputTakesOnlyGermanNumbersWithinItsFormat) {
  QtDialogView view("frmSimpleQuery");
  DialogInput limited = Input(Kind::Number, "txtNumber(0)", "0", 120, 120, 1600, 300, 0);
  limited.format = "#####,00";
  view.AddInput(limited);
  DialogInput grouped = Input(Kind::Number, "txtNumber(1)", "1", 120, 520, 1600, 300, 1);
  grouped.format = "###.###.###.###";
  view.AddInput(grouped);
  auto typed = [&](const char* name, const char* keys) {
    auto* edit = qobject_cast<QLineEdit*>(view.Control(name));
    if (!edit) return std::string("?");
    edit->clear();
    QTest::keyClicks(edit, keys);
    return edit->text().toStdString();
  };
  // Letters, a second comma, a third decimal, a sixth whole place and a minus
  // inside stay out.
  EXPECT_EQ(typed("txtNumber(0)", "-12a.345,6,78"), "-12.345,67");
  EXPECT_EQ(typed("txtNumber(0)", "1234567"), "12345");
  EXPECT_EQ(typed("txtNumber(0)", "12-3"), "123");
  // Separators stand between groups of three only.
  EXPECT_EQ(typed("txtNumber(1)", ".1..234.5678"), "1.234.567");
  EXPECT_EQ(typed("txtNumber(1)", "1234.5"), "12345") << "no separator after four digits";
  EXPECT_EQ(typed("txtNumber(1)", "1.234.567,891"), "1.234.567,891");
  EXPECT_EQ(typed("txtNumber(1)", "1,5.3"), "1,53") << "no separator among the decimals";
}

TEST(QtDialogs, ParameterDialogEndsAsCancelByEscAndAbbrechenAndAsOkWithoutHandler) {
  QtDialogView view("frmSimpleQuery");
  view.AddInput(Input(Kind::Text, "txtText(0)", "0", 120, 120, 2000, 300, 0));
  EXPECT_FALSE(RunWith(view, [](QDialog& d) {
    if (auto* cancel = Find<QPushButton>(d, "btnCancel")) cancel->click();
    EXPECT_FALSE(d.isVisible());
  }));
  EXPECT_FALSE(RunWith(view, [](QDialog& d) {
    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_FALSE(d.isVisible());
  }));
  EXPECT_TRUE(RunWith(view, [](QDialog& d) {
    auto* text = Find<QLineEdit>(d, "txtText(0)");
    if (!text) return;
    text->setFocus();
    QTest::keyClicks(text, "Meier");
    QTest::keyClick(text, Qt::Key_Return);  // the default button, OK
  }));
  EXPECT_EQ(view.ControlValue("txtText(0)"), Variant("Meier"));
  // With a handler, Esc still cancels without asking it.
  Strings commands;
  view.SetCommandHandler([&](const std::string& c) { commands.push_back(c); });
  EXPECT_FALSE(RunWith(view, [](QDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }));
  EXPECT_TRUE(commands.empty());
}

TEST(QtDialogs, ParameterDialogWithstandsOddInputs) {
  FakeScreen screen(0, -3);  // a screen without resolution counts 15 twips a pixel
  QtDialogView view("frmSimpleQuery");
  DialogInput label = Input(Kind::Label, "lbl(0)", "0", 150, 3000, 1500, 300, 0);
  label.caption = "<b>Name</b> <img src=\"x.png\">";
  view.AddInput(label);
  view.AddInput(Input(Kind::Text, "txtText(0)", "0", 150, 3300, 1500, 300, 0));
  // The same name again replaces the input; a button's name is not taken over.
  view.AddInput(Input(Kind::Text, "txtText(0)", "0", 150, 3600, 1500, 300, 0));
  view.AddInput(Input(Kind::Check, "btnOK", "1", 150, 150, 1500, 300, 1));
  view.SetControlValue("ClientHeight", Variant(int32_t{900}));  // too small for the rows
  bool seen = false;
  const bool ok = RunWith(view, [&](QDialog& d) {
    seen = true;
    auto* text = qobject_cast<QLabel*>(view.Control("lbl(0)"));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->textFormat(), Qt::PlainText) << "a caption is shown as typed, not as markup";
    EXPECT_EQ(d.findChildren<QLineEdit*>().size(), 1);
    EXPECT_EQ(view.Control("txtText(0)")->geometry(), QRect(10, 240, 100, 20));
    EXPECT_EQ(text->buddy(), nullptr) << "the replaced input took its buddy along";
    EXPECT_GE(d.height(), 260) << "the lowest input stays inside the form";
    EXPECT_EQ(d.width(), 359);
    EXPECT_TRUE(d.findChildren<QCheckBox*>().empty());
    auto* button = qobject_cast<QPushButton*>(view.Control("btnOK"));
    ASSERT_NE(button, nullptr);
    button->click();
  });
  EXPECT_TRUE(seen);
  EXPECT_TRUE(ok);
}

}  // namespace
}  // namespace vmbgrid
