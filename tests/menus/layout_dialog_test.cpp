// The layout dialog, opened from the table menu and played on the headless form:
// saving, deleting, the record limit, the owner rules, per-user lists and names
// the stores cannot hold.
#include "layout/layout_dialog.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/menus/menus_fixture.h"

namespace vmbgrid::testing {
namespace {

using Strings = std::vector<std::string>;

class LayoutDialogTest : public MenuTest {
 protected:
  // Opens the dialog from the menu; the script plays the user while it is open.
  void Dialog(std::function<void(HeadlessDialogView&)> play) {
    platform_->dialogs.Script("frmGridLayout", [play](HeadlessDialogView& v) {
      play(v);
      return false;
    });
    RightClick("mnuSaveTable");
  }
  void SaveAs(const std::string& name) {
    Dialog([&](HeadlessDialogView& v) {
      v.Type("cboLayouts", name);
      v.Press("btnSave");
      v.Press("btnCancel");
    });
  }
  Strings Listed() {
    Strings names;
    Dialog([&](HeadlessDialogView& v) { names = v.ControlItems("cboLayouts"); });
    return names;
  }
};

TEST_F(LayoutDialogTest, SavesDeletesAndSetsTheLimitWhileItStaysOpen) {
  VMGrid& g = OpenGrid("meier", velmDB);
  g.SettingsChanged(false);
  Strings afterSave, afterDelete;
  Dialog([&](HeadlessDialogView& v) {
    EXPECT_EQ(v.Caption(), "Tabelleneinstellungen");
    EXPECT_EQ(v.ControlValue("txtMaxRecords").ToTextOrEmpty(), "1000");
    EXPECT_EQ(v.ControlValue("Label1").ToTextOrEmpty(),
              "&maximale Anzahl angezeigter Datensätze (0 = alle)");
    EXPECT_TRUE(v.ControlItems("cboLayouts").empty());
    v.Type("cboLayouts", "Schmal");
    v.Press("btnSave");
    v.Type("cboLayouts", "Breit");
    v.Press("btnSave");
    afterSave = v.ControlItems("cboLayouts");
    // Deleting asks first; Nein keeps the layout.
    v.Type("cboLayouts", "Schmal");
    platform_->messages.answer = false;
    v.Press("btnDelete");
    EXPECT_EQ(v.ControlItems("cboLayouts"), (Strings{"Breit", "Schmal"}));
    platform_->messages.answer = true;
    v.Press("btnDelete");
    afterDelete = v.ControlItems("cboLayouts");
    v.Type("txtMaxRecords", "25a");
    EXPECT_EQ(g.MaxRecords(), 1000);
    EXPECT_FALSE(g.SettingsChanged());
    v.Type("txtMaxRecords", "250");
    v.Press("btnCancel");
    EXPECT_FALSE(v.Press("btnSave")) << "a closed form takes no input";
  });
  EXPECT_EQ(afterSave, (Strings{"Breit", "Schmal"})) << "listed by name";
  EXPECT_EQ(afterDelete, (Strings{"Breit"}));
  EXPECT_EQ(platform_->messages.questions, (Strings{"Soll das Layout „Schmal“ gelöscht werden?",
                                                    "Soll das Layout „Schmal“ gelöscht werden?"}));
  EXPECT_EQ(platform_->messages.statuses,
            (Strings{"Layout „Schmal“ gespeichert.", "Layout „Breit“ gespeichert.",
                     "Layout „Schmal“ gelöscht."}));
  EXPECT_EQ(g.MaxRecords(), 250);
  EXPECT_TRUE(g.SettingsChanged());
  EXPECT_EQ(Headers(), (Strings{"grdKunden|Breit|meier"}));

  // Opened again: filled afresh, the current layout as the text.
  Dialog([&](HeadlessDialogView& v) {
    EXPECT_EQ(v.ControlValue("cboLayouts").ToTextOrEmpty(), "Breit");
    EXPECT_EQ(v.ControlValue("txtMaxRecords").ToTextOrEmpty(), "250");
  });
}

TEST_F(LayoutDialogTest, LayoutsArePerUserAndStandardIsShared) {
  OpenGrid("ADMIN", velmDB);
  SaveAs("Standard");
  OpenGrid("meier", velmDB);
  SaveAs("Meins");
  EXPECT_EQ(Listed(), (Strings{"Meins", "Standard"}));
  OpenGrid("huber", velmDB);
  EXPECT_EQ(Listed(), (Strings{"Standard"}));
  // Only ADMIN replaces or deletes the shared layout.
  Dialog([&](HeadlessDialogView& v) {
    v.Type("cboLayouts", "Standard");
    v.Press("btnDelete");
  });
  EXPECT_EQ(Listed(), (Strings{"Standard"}));
  OpenGrid("admin", velmDB);
  Dialog([&](HeadlessDialogView& v) {
    v.Type("cboLayouts", "Standard");
    v.Press("btnDelete");
  });
  EXPECT_EQ(Listed(), Strings{});
}

TEST_F(LayoutDialogTest, NamesTheStoresCannotHoldGetAMessageAndSaveNothing) {
  OpenGrid("meier", velmDB);
  TakeMessages();
  SaveAs(std::string(101, 'x'));
  SaveAs("   ");
  SaveAs("Zeile\nzwei");
  SaveAs(std::string("kaputt\xC3", 7));
  SaveAs("");  // nothing at all, silently
  EXPECT_EQ(TakeMessages(),
            (Strings{"Der Name der Spalteneinstellung darf höchstens 100 Zeichen lang sein.",
                     "Bitte geben Sie einen Namen für die Spalteneinstellung ein.",
                     "Der Name der Spalteneinstellung darf keine Steuerzeichen (Zeilenumbruch, "
                     "Tabulator) enthalten.",
                     "Der Name der Spalteneinstellung enthält ungültige Zeichen."}));
  EXPECT_TRUE(Listed().empty());
  // Quotes, separators and umlauts are plain text to both stores.
  const std::string odd = "../O'Brien \"Ü\" \\ ; DROP";
  SaveAs(odd);
  SaveAs(std::string(100, 'y'));
  EXPECT_EQ(Listed(), (Strings{odd, std::string(100, 'y')}));
}

TEST_F(LayoutDialogTest, TheFileStoreKeepsEveryNameInsideTheLayoutFile) {
  OpenGrid("meier", VelmGRX);
  SaveAs("../../ausserhalb");
  SaveAs("C:\\temp\\x");
  EXPECT_EQ(Listed(), (Strings{"../../ausserhalb", "C:\\temp\\x"}));
  Strings files;
  for (const auto& e : std::filesystem::directory_iterator(dir_))
    files.push_back(e.path().filename().string());
  EXPECT_EQ(files, (Strings{"Kunden.grx"}));
  EXPECT_FALSE(std::filesystem::exists(dir_.parent_path().parent_path() / "ausserhalb"));
}

TEST_F(LayoutDialogTest, DeletingTheLayoutInUseKeepsTheGridAndTheOtherLayouts) {
  VMGrid& g = OpenGrid("meier", velmDB);
  SaveAs("Eins");
  main_.ColumnByField("Ort")->Visible(false);
  SaveAs("Zwei");
  Dialog([&](HeadlessDialogView& v) {
    v.Type("cboLayouts", "Zwei");
    v.Press("btnDelete");
  });
  EXPECT_EQ(g.layout(), "");
  EXPECT_EQ(Listed(), (Strings{"Eins"}));
  EXPECT_EQ(Fields("Eins", "meier").size(), 3u) << "the other layout is complete";
  EXPECT_FALSE(main_.ColumnByField("Ort")->Visible());
}

TEST_F(LayoutDialogTest, HostRowsHaveNoRecordLimit) {
  VMGrid& g = OpenGrid("meier");
  auto rs = Platform::Data().CreateRecordset();
  rs->Open("SELECT Nr, Name, Ort FROM Kunden", conn_);
  g.SetRS(rs);
  g.MaxRecords(1000);
  Dialog([&](HeadlessDialogView& v) {
    EXPECT_FALSE(v.Enabled("txtMaxRecords"));
    EXPECT_FALSE(v.Type("txtMaxRecords", "5"));
  });
  EXPECT_EQ(g.MaxRecords(), 1000);
}

TEST(RecordLimitText, OnlyWholeNumbersCount) {
  using layout::ParseRecordLimit;
  EXPECT_EQ(ParseRecordLimit(" 250 "), 250);
  EXPECT_EQ(ParseRecordLimit("0"), 0);
  EXPECT_EQ(ParseRecordLimit("-5"), -5) << "the property refuses it, not the parser";
  for (const char* bad : {"", "  ", "25a", "2.5", "99999999999", "1e3", "+", "--1"})
    EXPECT_FALSE(ParseRecordLimit(bad).has_value()) << bad;
}

}  // namespace
}  // namespace vmbgrid::testing
