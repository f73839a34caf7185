// The column chooser opened from the table menu: "Abbrechen" applies nothing, and
// the last visible column stays.
#include "layout/column_chooser.h"

#include <gtest/gtest.h>

#include "tests/menus/menus_fixture.h"

namespace vmbgrid::testing {
namespace {

using Strings = std::vector<std::string>;

class ColumnChooser : public MenuTest {
 protected:
  // Opens the chooser from the menu; the script ticks boxes and presses a button.
  void Choose(std::function<void(HeadlessDialogView&)> play) {
    Scripted("frmCols", std::move(play));
    RightClick("Spalten verwalten");
  }
};

TEST_F(ColumnChooser, TheLastVisibleColumnStays) {
  OpenGrid("meier");
  Choose([](HeadlessDialogView& v) {
    v.Toggle("chkSpalte(0)");
    v.Press("btnok(1)");  // Abbrechen
  });
  EXPECT_TRUE(main_.ColumnByField("Name")->Visible());
  Choose([](HeadlessDialogView& v) {
    for (int i = 0; i < 3; ++i) v.Toggle("chkSpalte(" + std::to_string(i) + ")");
    v.Press("btnok(0)");
  });
  int shown = 0;
  for (int i = 0; i < main_.ColumnCount(); ++i) shown += main_.Column(i).Visible() ? 1 : 0;
  EXPECT_EQ(shown, 1);
  EXPECT_TRUE(main_.ColumnByField("Nr")->Visible());
  EXPECT_FALSE(sum_.ColumnByField("Name")->Visible()) << "the lines follow the grid";
}

}  // namespace
}  // namespace vmbgrid::testing
