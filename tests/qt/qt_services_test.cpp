// Platform services of the Qt front end: keystrokes, messages, screen.
#include <QApplication>
#include <QKeySequence>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QWidgetAction>

#include "adapters/qt/qt_dropdown.h"
#include "adapters/qt/qt_menu.h"
#include "tests/qt/qt_test_support.h"

namespace vmbgrid::qttest {
namespace {

using QtServices = FormTest;

TEST_F(QtServices, SentKeysMoveFocusAndColumnAfterTheCurrentEvent) {
  auto array = std::make_shared<XArray>(1, 1, 0, 2);
  for (int i = 0; i < 3; ++i) grid_->AddColumn(i);
  grid_->BindArray(array);
  grid_->SetFocus();
  Platform::Keys().SendKeys("{Right}", false);
  EXPECT_EQ(grid_->Col(), 0);  // queued, like keys in the input queue
  QApplication::processEvents();
  EXPECT_EQ(grid_->Col(), 1);
  Platform::Keys().SendKey(37, 0, 0);
  QApplication::processEvents();
  EXPECT_EQ(grid_->Col(), 0);

  Platform::Keys().SendKeys("+{TAB}", false);
  QApplication::processEvents();
  EXPECT_EQ(Focused(), before_);
  EXPECT_EQ(platform_->form, nullptr);
  Platform::Keys().SendKeys("{TAB}", false);
  QApplication::processEvents();
  EXPECT_TRUE(grid_->HasFocus());
  Platform::Keys().SendKey(9, 0, 0);
  QApplication::processEvents();
  EXPECT_EQ(Focused(), after_);

  const auto& codes = platform_->keys.SentCodes();
  ASSERT_EQ(codes.size(), 5u);
  EXPECT_EQ(codes[2].first, 16);
  EXPECT_EQ(codes[2].second, 9);
  EXPECT_EQ(QtKeySender::KeyCodeOf("{left}"), 37);
  EXPECT_EQ(QtKeySender::KeyCodeOf("{F12}"), 123);
  EXPECT_EQ(QtKeySender::KeyCodeOf("{F13}"), 0);
  EXPECT_EQ(QtKeySender::KeyCodeOf("a"), 65);
}

TEST_F(QtServices, HostFormNamesTheFocusedControl) {
  QtHostForm form(form_.get());
  EXPECT_EQ(form.Name(), "frmTest");
  grid_->SetFocus();
  grid_->AddColumn(0);
  grid_->BindArray(std::make_shared<XArray>(1, 1, 0, 0));
  grid_->EditActive(true);  // the editor belongs to the grid
  EXPECT_EQ(form.ActiveControlName(), "TDBGrid1");
  after_->setFocus();
  EXPECT_EQ(form.ActiveControlName(), "txtNachher");
}

TEST(QtMenu, ChosenToolIsReportedAfterTheMenuCloses) {
  struct Clicks : MenuListener {
    std::vector<std::string> tools, texts;
    void ToolClick(MenuControl&, const MenuTool& t) override { tools.push_back(t.name); }
    void ToolTextChanged(MenuControl&, const MenuTool& t) override { texts.push_back(t.text); }
  } clicks;
  QtMenuControl menu;
  menu.SetListener(&clicks);
  menu.AddBand("popTable", "Tabelle");
  menu.AddBand("popSettings", "Einstellungen");
  auto add = [&](const char* band, const char* name, const char* caption, auto set) {
    MenuTool t;
    t.name = name;
    t.caption = caption;
    set(t);
    menu.AddToBand(band, t);
  };
  add("popTable", "mnuPrint", "&Drucken", [](MenuTool&) {});
  add("popTable", "popSettings", "Einstellungen", [](MenuTool& t) { t.subBand = "popSettings"; });
  add("popTable", "mnuHidden", "Versteckt", [](MenuTool& t) { t.visible = false; });
  add("popTable", "txtMax", "Max", [](MenuTool& t) { t.text = "100", t.entryField = true; });
  add("popSettings", "Kunden", "Kunden", [](MenuTool& t) { t.checked = true, t.marker = 1000; });
  // A band that contains itself must not hang the menu.
  add("popSettings", "loop", "Schleife", [](MenuTool& t) { t.subBand = "popSettings"; });
  std::vector<QString> shown;
  menu.ShowWith([&](QMenu& m) {
    for (QAction* a : m.actions()) shown.push_back(a->text());
    QMenu* settings = m.actions()[1]->menu();
    ASSERT_NE(settings, nullptr);
    EXPECT_TRUE(settings->actions()[0]->isChecked());
    auto* field = qobject_cast<QWidgetAction*>(m.actions()[2]);
    auto* edit = field ? qobject_cast<QLineEdit*>(field->defaultWidget()) : nullptr;
    ASSERT_NE(edit, nullptr);
    edit->setText("500");
    emit edit->editingFinished();
    m.actions()[0]->trigger();
    EXPECT_TRUE(clicks.tools.empty());  // not while the menu is open
  });
  menu.PopupMenu("popTable", 10, 10);
  EXPECT_EQ(shown, (std::vector<QString>{"&Drucken", "Einstellungen", ""}));
  EXPECT_EQ(clicks.tools, (std::vector<std::string>{"mnuPrint"}));
  EXPECT_EQ(clicks.texts, (std::vector<std::string>{"500"}));
  EXPECT_EQ(menu.BandTools("popTable")[3].text, "500");
  menu.PopupMenu("popFehlt", 0, 0);  // an unknown band shows nothing
}

TEST(QtPlatformServices, ScreenMessagesAndFileFilters) {
  QtPlatform& p = InstallQtPlatform();
  p.messages.Record(true);
  Platform::Messages().ShowMessage("Nach dieser Spalte kann nicht sortiert werden.", 3);
  Platform::Messages().MessageBox("Hallo");
  ASSERT_EQ(p.messages.Entries().size(), 2u);
  EXPECT_EQ(p.messages.Entries()[0].kind, 3);
  EXPECT_EQ(p.messages.Entries()[1].kind, 0);

  Platform::ScreenService().MousePointer(kPointerHourglass);
  EXPECT_NE(QApplication::overrideCursor(), nullptr);
  Platform::ScreenService().MousePointer(kPointerHourglass);
  Platform::ScreenService().MousePointer(kPointerDefault);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // one hourglass, one restore
  const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchX();
  EXPECT_DOUBLE_EQ(Platform::ScreenService().TwipsPerPixelX(), 1440.0 / dpi);

  int x = 5, y = 5;
  Platform::ScreenService().ClientToScreen(987654, x, y);  // unknown handle: unchanged
  EXPECT_EQ(x, 5);

  EXPECT_EQ(QtFileDialog::QtFilter("Textdateien:*.txt"), "Textdateien (*.txt)");
  EXPECT_EQ(QtFileDialog::QtFilter("Textdateien (*.txt)|*.txt|Alle|*.*"),
            "Textdateien (*.txt);;Alle (*.*)");

  // Qt's own texts are German: standard dialogs and the names of keys.
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Suchen in:"));
  QMessageBox box;
  box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  EXPECT_EQ(box.button(QMessageBox::No)->text().remove('&'), QStringLiteral("Nein"));
  EXPECT_EQ(box.button(QMessageBox::Cancel)->text().remove('&'), QStringLiteral("Abbrechen"));
  EXPECT_EQ(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C).toString(QKeySequence::NativeText),
            QStringLiteral("Strg+Umschalt+C"));
  ResetQtPlatform();
}

TEST_F(QtServices, DropDownValueGoesToTheCell) {
  struct Chosen : DropDownListener {
    int opened = 0, chosen = 0;
    void DropDownOpen(DropDownControl&) override { ++opened; }
    void ValueChosen(DropDownControl&) override { ++chosen; }
  } chosen;
  QtDropDown dropDown("ddOrte", form_.get());
  dropDown.SetListener(&chosen);
  dropDown.DataSource(Numbers(3));
  EXPECT_EQ(QtDropDown::Find("ddOrte"), &dropDown);

  auto rs = Numbers(2);
  grid_->DataSource(rs);
  grid_->Column(1).DropDown("ddOrte");
  grid_->SetFocus();
  grid_->Col(1);
  QTest::keyClick(View(), Qt::Key_F4);
  EXPECT_EQ(chosen.opened, 1);
  ASSERT_TRUE(dropDown.IsOpen());
  dropDown.DataSource()->AbsolutePosition(3);
  QTest::keyClick(dropDown.List().View(), Qt::Key_Return);
  EXPECT_EQ(chosen.chosen, 1);
  EXPECT_FALSE(dropDown.IsOpen());
  EXPECT_EQ(dropDown.Value(), Variant(int32_t(3)));
  EXPECT_TRUE(grid_->DataChanged());  // pending in the cell, written on commit
  grid_->CommitEdit();
  EXPECT_EQ(rs->Value("Name"), Variant("3"));
}

}  // namespace
}  // namespace vmbgrid::qttest
