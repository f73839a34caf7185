#include "fixture.h"

namespace vmbgrid::testing {
namespace {

using SearchLine = BrowserTest;

TEST_F(SearchLine, TabNavigationWhenReturnDoesNotNavigate) {
  returnNavigates = false;
  refreshOnLeaveColumn = false;
  Attach();
  Load();
  ASSERT_EQ(main_.TabAction(), 2);
  platform_->form.FocusControl(search_.Name());
  EXPECT_EQ(search_.Col(), 0);  // focus by keyboard starts in column 0

  search_.PressKey(kKeyTab);
  EXPECT_EQ(search_.Col(), 1);
  ASSERT_FALSE(platform_->keys.SentCodes().empty());
  EXPECT_EQ(platform_->keys.SentCodes().back().first, 39);

  search_.PressKey(kKeyTab, kShiftMask);  // becomes Left
  EXPECT_EQ(search_.Col(), 0);
  search_.PressKey(kKeyTab, kShiftMask);  // column 0: the host is asked
  Pump();
  EXPECT_EQ(events.focusPrevious, 1);
  EXPECT_EQ(Focused(), search_.Name());

  search_.Col(3);
  search_.PressKey(kKeyTab);  // last visible column: on to the data grid
  EXPECT_EQ(Focused(), search_.Name());
  Pump();
  EXPECT_EQ(Focused(), main_.Name());
  EXPECT_EQ(main_.Col(), 0);

  // In the data grid Shift+Tab is the grid's own in the first cell, Left elsewhere.
  main_.Col(2);
  main_.PressKey(kKeyTab, kShiftMask);
  EXPECT_EQ(main_.Col(), 1);
  main_.Col(0);
  main_.PressKey(kKeyTab, kShiftMask);
  EXPECT_EQ(Focused(), search_.Name());
}

TEST_F(SearchLine, ACriterionTypedIntoAFixedColumnAppliesAndEndsWithItsCell) {
  for (bool onLeaveColumn : {true, false}) {
    SCOPED_TRACE(onLeaveColumn);
    refreshOnLeaveColumn = onLeaveColumn;
    Attach();
    vm_->AddRestriction("Ort", Variant("Bonn"), false, adVarChar, true);
    Load();
    ASSERT_EQ(vm_->RecordCount(), 2);
    auto leave = [&] {
      search_.PressKey(kKeyReturn);
      platform_->form.FocusControl(main_.Name());
      Pump();
    };
    // The fixed value keeps applying beside the typed one.
    TypeInSearch(2, "Köln");
    leave();
    EXPECT_NE(LastStatement().find("([Ort] = 'Bonn') AND ([Ort] = 'Köln')"), std::string::npos)
        << LastStatement();
    EXPECT_EQ(vm_->RecordCount(), 0);

    // Emptied, the cell takes its criterion along; the fixed value stays.
    TypeInSearch(1, "Meiser");
    search_.Col(2);
    search_.PressKey(kKeyF2);
    search_.PressKey(kKeyDelete);
    leave();
    EXPECT_EQ(SearchCell(2), "");
    EXPECT_EQ(vm_->Restrictions().Item("Ort")->value.ToTextOrEmpty(), "Bonn");
    EXPECT_EQ(vm_->RecordCount(), 1) << LastStatement();
  }
}

TEST_F(SearchLine, ACancelledOrBrokenParameterQueryLeavesTheLineAndTheRowsAsTheyWere) {
  Attach();
  int asked = 0;
  vm_->Interaction().hooks.parameterDialog = [&](VMGridFields& params, const std::string&) {
    ++asked;
    // "ODER =3" is a typed alternative, no placeholder; "ODER =2:Combo" is one.
    EXPECT_EQ(params.Count(), asked == 1 ? 2 : 1);
    return false;
  };
  Load();
  vm_->setze_search("Ort", "Köln");
  const std::string before = LastStatement();
  const int rows = vm_->RecordCount();
  vm_->SearchRowState().ApplyQueryText("Q", "Name~=1:Text!Ort~ODER =2:Combo!Nr~ODER =3!");
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(LastStatement(), before) << "Cancel sends no statement";
  EXPECT_EQ(vm_->RecordCount(), rows);
  EXPECT_EQ(SearchCell(2), "Köln");
  EXPECT_EQ(SearchCell(1), "");

  // Broken placeholders are reported, and a filter that "cannot be run" is not run,
  // also when another placeholder of it would be fine.
  vm_->SearchRowState().ApplyQueryText("Kaputt", "Name~=x:Text!Ort~=3!Umsatz~=1:Zahl!");
  EXPECT_EQ(platform_->messages.texts(),
            (std::vector<std::string>{
                "Filterfehler Parameternummer: x Parametertyp: Text",
                "Filterfehler Parameternummer: 3 Parametertyp: ",
                "Der Filter enthält einen Fehler und kann nicht ausgeführt werden"}));
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(LastStatement(), before);
  EXPECT_EQ(SearchCell(2), "Köln");

  // A placeholder behind "ODER" alone still asks: it must not vanish unasked.
  vm_->SearchRowState().ApplyQueryText("Oder", "Ort~ODER =1:Text!");
  EXPECT_EQ(asked, 2);
}

TEST_F(SearchLine, GridsAttachedLateOrNotAtAllNeverBreakTheLine) {
  Attach(false, false);
  Load();
  vm_->ClearSearch(true);
  vm_->setze_search("Name", "M*");
  vm_->ShowColumn("Ort", false);
  EXPECT_EQ(events.searchChanged, 0);

  // Attached after the first load, the lines get their columns at once.
  vm_->SearchGrid(&search_);
  vm_->SumGrid(&sum_);
  EXPECT_EQ(search_.ColumnCount(), main_.ColumnCount());
  EXPECT_EQ(SumCell(3), "33,5");
  TypeInSearch(1, "Mei*");
  search_.PressKey(kKeyTab);
  Pump();
  EXPECT_EQ(vm_->RecordCount(), 2);
  EXPECT_EQ(SumCell(3), "11,5");

  // A data grid attached after the first load gets the rows and the lines follow it.
  HeadlessGrid other("grdAndere");  // outlives its controller, as on a form
  VMGrid late;
  late.Connection(conn_);
  late.RecordSource("Kunden");
  late.AddField({.name = "Name", .caption = "Name", .datatype = adVarChar});
  late.SearchGrid(&search_);
  late.Requery();
  late.grid(&other);
  EXPECT_EQ(other.RowCount(), 4);
  EXPECT_EQ(search_.ColumnCount(), 1);
  search_.Col(0);
  search_.Type("Sch*");
  search_.PressKey(kKeyTab);
  Pump();
  EXPECT_EQ(other.RowCount(), 1);

  // Without a data grid nothing reacts, nothing fails.
  VMGrid lonely;
  lonely.SearchGrid(&search_);
  lonely.ClearSearch(true);
  lonely.setze_search("Name", "x");
  EXPECT_FALSE(lonely.ShowColumn("Name", false));
  search_.PressKey(kKeyTab);
  search_.Click(kLeftButton, 0, 100, 360);
}

TEST_F(SearchLine, SearchDropDownOffersDistinctValuesAndAppliesTheChoice) {
  HeadlessDropDown& dd = searchDropDown;
  Attach();
  vm_->GridFields().Item("Ort")->combo = true;
  vm_->DropDown(&dd);
  Load();
  EXPECT_EQ(search_.Column(2).DropDown(), "ddSuche");
  EXPECT_EQ(search_.Column(1).DropDown(), "");

  platform_->form.FocusControl(search_.Name());
  search_.Col(2);
  dd.Open();
  ASSERT_NE(dd.DataSource(), nullptr);
  EXPECT_EQ(dd.DataSource()->RecordCount(), 3);  // Aachen, Bonn, Köln
  EXPECT_EQ(events.searchChanged, 0);
  dd.Choose(1);
  EXPECT_EQ(SearchCell(2), "Bonn");
  EXPECT_EQ(events.searchChanged, 0);  // applied once the choice has finished
  Pump();
  EXPECT_EQ(events.searchChanged, 1);
  EXPECT_EQ(vm_->RecordCount(), 2);

  // Tab accepts the highlighted value like Enter.
  dd.PressKey(kKeyDown);
  dd.PressKey(kKeyTab);
  Pump();
  EXPECT_EQ(SearchCell(2), "Köln");
  EXPECT_EQ(vm_->RecordCount(), 1);
}

}  // namespace
}  // namespace vmbgrid::testing
