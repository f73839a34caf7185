// The host decides which controls it attaches and when; loads fail; users press
// keys and click anywhere. None of it may break the browser.
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

TEST_F(Robustness, AGridWithoutColumnsTakesKeysAndClicks) {
  vm_ = std::make_unique<VMGrid>();
  vm_->Init(0, "Test", "frmMain");
  vm_->Events(&events);
  vm_->SumGrid(&sum_);
  vm_->SearchGrid(&search_);
  vm_->grid(&main_);
  vm_->DropDown(&searchDropDown);
  vm_->DropdownInput(&inputDropDown);
  vm_->Connection(conn_);
  vm_->RecordSource("Fehlt");  // no fields and no table: nothing to build columns from
  Load();
  ASSERT_EQ(main_.ColumnCount(), 0);
  EXPECT_EQ(search_.ColumnCount(), 0);
  EXPECT_EQ(sum_.ColumnCount(), 0);

  for (HeadlessGrid* g : {&search_, &main_, &sum_}) {
    platform_->form.FocusControl(g->Name());
    Hammer(*g);
    Pump();
  }
  searchDropDown.Open();
  inputDropDown.Open();
  EXPECT_FALSE(vm_->ShowColumn("Name", false));
  vm_->ClearSearch(true);
  vm_->setze_search("Name", "x");
  Pump();
}

TEST_F(Robustness, ControlsAttachedInAnyOrderOrAfterTheFirstLoad) {
  // The sum line first: once the grid arrives, its columns line up with the grid's.
  main_.RecordSelectors(false);
  vm_ = std::make_unique<VMGrid>();
  vm_->Events(&events);
  vm_->SumGrid(&sum_);
  vm_->Connection(conn_);
  vm_->RecordSource("Kunden");
  vm_->AddField({.name = "Name", .caption = "Name", .datatype = adVarChar});
  vm_->AddField({.name = "Ort", .caption = "Ort", .combosearch = true, .datatype = adVarChar});
  vm_->Requery();  // no grid yet
  Pump();
  vm_->grid(&main_);
  EXPECT_FALSE(sum_.RecordSelectors());
  EXPECT_EQ(main_.RowCount(), 4);

  // A search drop-down attached after the line was set up still serves its column.
  vm_->SearchGrid(&search_);
  vm_->DropDown(&searchDropDown);
  EXPECT_EQ(search_.Column(1).DropDown(), "ddSuche");
  EXPECT_EQ(search_.Column(0).DropDown(), "");
  platform_->form.FocusControl(search_.Name());
  search_.Col(1);
  searchDropDown.Open();
  searchDropDown.Choose(1);  // Bonn
  Pump();
  EXPECT_EQ(vm_->RecordCount(), 2);
  EXPECT_EQ(events.searchChanged, 1);

  // Taken away again, the column no longer names it.
  vm_->DropDown(nullptr);
  EXPECT_EQ(search_.Column(1).DropDown(), "");
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
