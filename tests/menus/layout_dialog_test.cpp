// The layout dialog, opened from the table menu and played on the headless form:
// deleting the layout in use, the record limit's text and names the stores cannot
// hold.
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
    Scripted("frmGridLayout", std::move(play));
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
    platform_->messages.answer = false;  // deleting asks first; Nein keeps the layout
    v.Press("btnDelete");
    EXPECT_EQ(v.ControlItems("cboLayouts"), (Strings{"Eins", "Zwei"}));
    platform_->messages.answer = true;
    v.Press("btnDelete");
  });
  EXPECT_EQ(platform_->messages.questions.back(), "Soll das Layout „Zwei“ gelöscht werden?");
  EXPECT_EQ(g.layout(), "");
  EXPECT_EQ(Listed(), (Strings{"Eins"}));
  EXPECT_EQ(Fields("Eins", "meier").size(), 3u) << "the other layout is complete";
  EXPECT_FALSE(main_.ColumnByField("Ort")->Visible());
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
