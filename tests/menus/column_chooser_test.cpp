// The column chooser opened from the table menu: the boxes it shows, what "Setzen"
// and "Abbrechen" apply, the last visible column, and the temporary layout that
// keeps the result across a restart.
#include <gtest/gtest.h>

#include "layout/column_chooser.h"
#include "tests/menus/menus_fixture.h"

namespace vmbgrid::testing {
namespace {

using Strings = std::vector<std::string>;

class ColumnChooser : public MenuTest {
 protected:
  // Opens the chooser from the menu; the script ticks boxes and presses a button.
  void Choose(std::function<void(HeadlessDialogView&)> play) {
    platform_->dialogs.Script("frmCols", [play](HeadlessDialogView& v) {
      play(v);
      return false;
    });
    RightClick("Spalten verwalten");
  }
};

TEST_F(ColumnChooser, ShowsOneBoxPerShownFieldAndAppliesTheChangedOnes) {
  VMGrid& g = OpenGrid("meier", velmDB);
  g.GridFields().Find("Nr")->Hidden(true);
  Strings items;
  Choose([&](HeadlessDialogView& v) {
    EXPECT_EQ(v.Caption(), "Verwalten der Spalten");
    EXPECT_EQ(v.ControlValue("Label1").ToTextOrEmpty(), "Folgende Spalten werden angezeigt");
    items = v.ControlItems("chkSpalte");
    EXPECT_EQ(v.ControlValue("chkSpalte(1)"), Variant(true));
    v.Toggle("chkSpalte(1)");
    v.Press("btnok(0)");
  });
  EXPECT_EQ(items, (Strings{"Name", "Ort"})) << "the hidden key field is not offered";
  EXPECT_FALSE(main_.ColumnByField("Ort")->Visible());
  EXPECT_FALSE(search_.ColumnByField("Ort")->Visible());
  EXPECT_FALSE(sum_.ColumnByField("Ort")->Visible());
  EXPECT_FALSE(g.GridFields().Find("Ort")->visible());
  EXPECT_TRUE(g.IsTempLayout());
  EXPECT_EQ(menuEvents_.columns, (Strings{"Spalten verwalten:aus"}));

  // The temporary layout brings the hidden column back after a restart.
  OpenGrid("meier", velmDB);
  EXPECT_FALSE(main_.ColumnByField("Ort")->Visible());
  EXPECT_TRUE(main_.ColumnByField("Name")->Visible());
}

TEST_F(ColumnChooser, SetzenWithoutAChangeAndAbbrechenApplyNothing) {
  VMGrid& g = OpenGrid("meier");
  Choose([](HeadlessDialogView& v) { v.Press("btnok(0)"); });
  Choose([](HeadlessDialogView& v) {
    v.Toggle("chkSpalte(0)");
    v.Press("btnok(1)");
  });
  EXPECT_TRUE(main_.ColumnByField("Name")->Visible());
  EXPECT_FALSE(g.IsTempLayout());
  EXPECT_TRUE(menuEvents_.columns.empty());
  // A box ticked off and on again is a confirmed dialog without a change.
  Choose([](HeadlessDialogView& v) {
    v.Toggle("chkSpalte(0)");
    v.Toggle("chkSpalte(0)");
    v.Press("btnok(0)");
  });
  EXPECT_EQ(menuEvents_.columns, (Strings{"Spalten verwalten:aus"}));
  EXPECT_TRUE(main_.ColumnByField("Name")->Visible());
}

TEST_F(ColumnChooser, TheLastVisibleColumnStays) {
  OpenGrid("meier");
  Choose([](HeadlessDialogView& v) {
    for (int i = 0; i < 3; ++i) v.Toggle("chkSpalte(" + std::to_string(i) + ")");
    v.Press("btnok(0)");
  });
  int shown = 0;
  for (int i = 0; i < main_.ColumnCount(); ++i) shown += main_.Column(i).Visible() ? 1 : 0;
  EXPECT_EQ(shown, 1);
  EXPECT_TRUE(main_.ColumnByField("Nr")->Visible());
}

TEST_F(ColumnChooser, AFieldWithoutCaptionCannotBeChanged) {
  VMGrid& g = OpenGrid("meier");
  g.GridFields().Find("Ort")->caption = "";
  Choose([](HeadlessDialogView& v) {
    EXPECT_FALSE(v.Toggle("chkSpalte(1)"));
    v.Toggle("chkSpalte(0)");
    v.Press("btnok(0)");
  });
  EXPECT_TRUE(main_.ColumnByField("Ort")->Visible());
  EXPECT_FALSE(main_.ColumnByField("Name")->Visible());
}

TEST(ColumnChooserArrangement, BoxesPerColumnGrowWithTheList) {
  using layout::RowsPerColumn;
  EXPECT_EQ(RowsPerColumn(9), 5);    // 4.5 goes to 4
  EXPECT_EQ(RowsPerColumn(10), 6);   // two columns of six
  EXPECT_EQ(RowsPerColumn(31), 11);  // three columns
  EXPECT_EQ(RowsPerColumn(45), 16);
  EXPECT_EQ(RowsPerColumn(46), 13);  // four columns, 11.5 goes to 12
  EXPECT_EQ(RowsPerColumn(0), 1);
}

}  // namespace
}  // namespace vmbgrid::testing
