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
  vm->ReadOnly(false);
  vm->GridFields().Item("Ort")->combo = true;
  vm->DropDown(&searchDropDown);
  vm->DropdownInput(&inputDropDown);
  vm->RecordSource("Fehlt");
  Load();
  ASSERT_EQ(vm->CurrentRecordset()->State(), adStateClosed);
  EXPECT_EQ(vm->RecordCount(), 0);
  EXPECT_EQ(sum.ScrollBars(), 0);

  for (HeadlessGrid* g : {&main, &search, &sum}) {
    platform->form.FocusControl(g->Name());
    Hammer(*g);
    Pump();
  }
  search.Col(2);
  searchDropDown.Open();
  searchDropDown.Choose(0);
  main.Col(1);
  inputDropDown.Open();
  EXPECT_FALSE(main.AddNewRow({{"Nr", "1"}}));
  main.DeleteRow();
  vm->ClearSearch(true);
  vm->setze_search("Name", "x");
  vm->ShowColumn("Name", false);
  Pump();
  EXPECT_EQ(vm->RecordCount(), 0);

  // Once the table is right, the lines get the columns the failed load could not give.
  vm->RecordSource("Kunden");
  vm->Requery();
  Pump();
  ASSERT_EQ(main.ColumnCount(), 4);
  EXPECT_EQ(search.ColumnCount(), 4);
  EXPECT_EQ(sum.ColumnCount(), 4);
  EXPECT_EQ(SumCell(3), "33,5");
  EXPECT_EQ(search.Column(2).DropDown(), "ddSuche");
  vm->ClearSearch(true);
  TypeInSearch(1, "Mei*");
  search.PressKey(kKeyTab);
  Pump();
  EXPECT_EQ(vm->RecordCount(), 2);
}

TEST_F(Robustness, AGridWithoutColumnsTakesKeysAndClicks) {
  vm = std::make_unique<VMGrid>();
  vm->Init(0, "Test", "frmMain");
  vm->Events(&events);
  vm->SumGrid(&sum);
  vm->SearchGrid(&search);
  vm->grid(&main);
  vm->DropDown(&searchDropDown);
  vm->DropdownInput(&inputDropDown);
  vm->Connection(conn);
  vm->RecordSource("Fehlt");  // no fields and no table: nothing to build columns from
  Load();
  ASSERT_EQ(main.ColumnCount(), 0);
  EXPECT_EQ(search.ColumnCount(), 0);
  EXPECT_EQ(sum.ColumnCount(), 0);

  for (HeadlessGrid* g : {&search, &main, &sum}) {
    platform->form.FocusControl(g->Name());
    Hammer(*g);
    Pump();
  }
  searchDropDown.Open();
  inputDropDown.Open();
  EXPECT_FALSE(vm->ShowColumn("Name", false));
  vm->ClearSearch(true);
  vm->setze_search("Name", "x");
  Pump();
}

TEST_F(Robustness, ControlsAttachedInAnyOrderOrAfterTheFirstLoad) {
  // The sum line first: once the grid arrives, its columns line up with the grid's.
  main.RecordSelectors(false);
  vm = std::make_unique<VMGrid>();
  vm->Events(&events);
  vm->SumGrid(&sum);
  vm->Connection(conn);
  vm->RecordSource("Kunden");
  vm->AddField({.name = "Name", .caption = "Name", .datatype = adVarChar});
  vm->AddField({.name = "Ort", .caption = "Ort", .combosearch = true, .datatype = adVarChar});
  vm->Requery();  // no grid yet
  Pump();
  vm->grid(&main);
  EXPECT_FALSE(sum.RecordSelectors());
  EXPECT_EQ(main.RowCount(), 4);

  // A search drop-down attached after the line was set up still serves its column.
  vm->SearchGrid(&search);
  vm->DropDown(&searchDropDown);
  EXPECT_EQ(search.Column(1).DropDown(), "ddSuche");
  EXPECT_EQ(search.Column(0).DropDown(), "");
  platform->form.FocusControl(search.Name());
  search.Col(1);
  searchDropDown.Open();
  searchDropDown.Choose(1);  // Bonn
  Pump();
  EXPECT_EQ(vm->RecordCount(), 2);
  EXPECT_EQ(events.searchChanged, 1);

  // Taken away again, the column no longer names it.
  vm->DropDown(nullptr);
  EXPECT_EQ(search.Column(1).DropDown(), "");
}

TEST_F(Robustness, TheLinesKeepTheirOneRowAndScrollWithTheGrid) {
  Attach();
  vm->ReadOnly(false);
  Load();
  EXPECT_FALSE(search.AddNewRow({}));
  EXPECT_FALSE(search.DeleteRow());
  EXPECT_FALSE(sum.AddNewRow({}));
  EXPECT_FALSE(sum.DeleteRow());
  main.ScrollTo(2);
  EXPECT_EQ(search.LeftCol(), 2);
  EXPECT_EQ(sum.LeftCol(), 2);
  search.ScrollTo(1);
  EXPECT_EQ(main.LeftCol(), 1);
  EXPECT_EQ(sum.LeftCol(), 1);
}

}  // namespace
}  // namespace vmbgrid::testing
