// A load fails, users add, delete and scroll in the lines: none of it may break
// the grid or its lines.
#include "fixture.h"

namespace vmbgrid::testing {
namespace {

using Robustness = BrowserTest;

// Every key with every modifier, then clicks on, beside and far outside the columns.
void Hammer(HeadlessGrid& g) {
  for (int key : {kKeyHome, kKeyEnd, kKeyTab, kKeyReturn, kKeyDelete, kKeyEscape, kKeyLeft,
                  kKeyRight, kKeyUp, kKeyDown, kKeyBack, kKeyF2})
    for (int shift : {0, 1, 2, 3, 4}) g.PressKey(key, shift);
  g.Type("a*\x01");
  for (double x : {-500.0, 100.0, 600.0, 2000.0, 99999.0})
    for (double y : {-500.0, 100.0, 400.0, 99999.0}) {
      g.Click(kLeftButton, 0, x, y);
      g.Click(kLeftButton, kCtrlMask, x, y);
      g.Click(kRightButton, 0, x, y);
      g.DoubleClick(x, y);
    }
  g.ScrollTo(3);
  g.ScrollTo(0);
}

TEST_F(Robustness, AFailedLoadLeavesAClosedResultThatEveryGridCopesWith) {
  Attach();
  vm_->ReadOnly(false);
  vm_->GridFields().Item("Ort")->combo = true;
  vm_->DropDown(&searchDropDown);
  vm_->DropdownInput(&inputDropDown);
  vm_->RecordSource("Fehlt");
  Load();
  ASSERT_EQ(vm_->CurrentRecordset()->State(), adStateClosed);
  EXPECT_EQ(vm_->RecordCount(), 0);
  EXPECT_EQ(sum_.ScrollBars(), 0);

  for (HeadlessGrid* g : {&main_, &search_, &sum_}) {
    platform_->form.FocusControl(g->Name());
    Hammer(*g);
    Pump();
  }
  search_.Col(2);
  searchDropDown.Open();
  searchDropDown.Choose(0);
  main_.Col(1);
  inputDropDown.Open();
  EXPECT_FALSE(main_.AddNewRow({{"Nr", "1"}}));
  main_.DeleteRow();
  vm_->ClearSearch(true);
  vm_->setze_search("Name", "x");
  vm_->ShowColumn("Name", false);
  Pump();
  EXPECT_EQ(vm_->RecordCount(), 0);

  // Once the table is right, the lines get the columns the failed load could not give.
  vm_->RecordSource("Kunden");
  vm_->Requery();
  Pump();
  ASSERT_EQ(main_.ColumnCount(), 4);
  EXPECT_EQ(search_.ColumnCount(), 4);
  EXPECT_EQ(sum_.ColumnCount(), 4);
  EXPECT_EQ(SumCell(3), "33,5");
  EXPECT_EQ(search_.Column(2).DropDown(), "ddSuche");
  vm_->ClearSearch(true);
  TypeInSearch(1, "Mei*");
  search_.PressKey(kKeyTab);
  Pump();
  EXPECT_EQ(vm_->RecordCount(), 2);
}

TEST_F(Robustness, TheLinesKeepTheirOneRowAndScrollWithTheGrid) {
  Attach();
  vm_->ReadOnly(false);
  Load();
  EXPECT_FALSE(search_.AddNewRow({}));
  EXPECT_FALSE(search_.DeleteRow());
  EXPECT_FALSE(sum_.AddNewRow({}));
  EXPECT_FALSE(sum_.DeleteRow());
  main_.ScrollTo(2);
  EXPECT_EQ(search_.LeftCol(), 2);
  EXPECT_EQ(sum_.LeftCol(), 2);
  search_.ScrollTo(1);
  EXPECT_EQ(main_.LeftCol(), 1);
  EXPECT_EQ(sum_.LeftCol(), 1);
}

}  // namespace
}  // namespace vmbgrid::testing
