// The dialogs as real Qt widgets: the controls under the library's names, what a
// user's clicks and typing report, tab order, default and cancel buttons, and the
// parameter dialog's inputs placed at run time.
#include "adapters/qt/qt_dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <functional>
#include <tuple>

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
    EXPECT_EQ(dateLabel->textFormat(), Qt::PlainText) << "a caption is no markup";
    QTest::keyClicks(number, "12a34,5");  // a German number: the letter stays out
    okButton->click();
  });
  EXPECT_TRUE(ok);
  EXPECT_EQ(commands, Strings{"btnOK"}) << "typing reports nothing; the values are read at OK";
  EXPECT_EQ(view.ControlValue("chkCheck(3)"), Variant(true));
  EXPECT_EQ(view.ControlValue("txtNumber(1)"), Variant("1234,5"));
  EXPECT_EQ(view.ControlValue("txtDate(0)"), Variant("24.12.2026"));
  // Esc cancels without asking the handler.
  EXPECT_FALSE(RunWith(view, [](QDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }));
  EXPECT_EQ(commands, Strings{"btnOK"});
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
  const std::tuple<const char*, const char*, const char*> cases[] = {
      // Letters, a second comma, a third decimal, a sixth whole place and a minus
      // inside stay out.
      {"txtNumber(0)", "-12a.345,6,78", "-12.345,67"},
      {"txtNumber(0)", "1234567", "12345"},
      {"txtNumber(0)", "12-3", "123"},
      // Separators stand between groups of three only, never among the decimals.
      {"txtNumber(1)", ".1..234.5678", "1.234.567"},
      {"txtNumber(1)", "1234.5", "12345"},
      {"txtNumber(1)", "1.234.567,891", "1.234.567,891"},
      {"txtNumber(1)", "1,5.3", "1,53"}};
  for (const auto& [name, keys, shown] : cases) EXPECT_EQ(typed(name, keys), shown) << keys;
}

}  // namespace
}  // namespace vmbgrid
