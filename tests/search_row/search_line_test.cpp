#include <algorithm>

#include "fixture.h"

namespace vmbgrid::testing {
namespace {

using SearchLine = BrowserTest;

int Count(const std::vector<std::string>& statements, const std::string& part) {
  return static_cast<int>(std::count_if(statements.begin(), statements.end(), [&](auto& s) {
    return s.find(part) != std::string::npos;
  }));
}

TEST_F(SearchLine, TypingSendsNothingUntilTheSearchIsApplied) {
  refreshOnLeaveColumn = false;
  Attach();
  Load();
  TypeInSearch(1, "Mei*");
  search.PressKey(kKeyRight);
  TypeInSearch(2, "Bonn");
  EXPECT_TRUE(vm->SearchRowState().Dirty());
  EXPECT_TRUE(statements.empty());
  EXPECT_EQ(events.searchChanged, 0);
}

TEST_F(SearchLine, LeavingACellAppliesTheSearchWithRefreshOnLeaveColumn) {
  Attach();
  Load();
  TypeInSearch(1, "Mei*");
  search.PressKey(kKeyTab);  // Return navigates: Tab is the grid's own
  Pump();
  EXPECT_EQ(events.searchChanged, 1);
  EXPECT_EQ(Count(statements, "WHERE ([Name] LIKE 'Mei%')"), 1);
  EXPECT_EQ(vm->RecordCount(), 2);
  EXPECT_FALSE(vm->SearchRowState().Dirty());
  EXPECT_EQ(SearchCell(1), "Mei*");

  // Leaving the row afterwards finds nothing new to apply.
  platform->form.FocusControl(main.Name());
  Pump();
  EXPECT_EQ(events.searchChanged, 1);
  EXPECT_EQ(Count(statements, "SELECT [Nr]"), 1);
}

TEST_F(SearchLine, WithoutRefreshOnLeaveColumnOnlyLeavingTheRowApplies) {
  refreshOnLeaveColumn = false;
  Attach();
  Load();
  TypeInSearch(1, "Mei*");
  search.PressKey(kKeyReturn);  // moves along the line
  EXPECT_EQ(search.Col(), 2);
  search.Type("Bonn");
  search.PressKey(kKeyReturn);
  Pump();
  EXPECT_TRUE(statements.empty());
  EXPECT_EQ(events.searchChanged, 0);

  platform->form.FocusControl(main.Name());
  Pump();
  EXPECT_EQ(events.searchChanged, 1);
  ASSERT_EQ(Count(statements, "SELECT [Nr]"), 1);
  EXPECT_NE(LastStatement().find("WHERE ([Name] LIKE 'Mei%') AND ([Ort] = 'Bonn')"),
            std::string::npos)
      << LastStatement();
  EXPECT_EQ(vm->RecordCount(), 2);
}

TEST_F(SearchLine, TabNavigationWhenReturnDoesNotNavigate) {
  returnNavigates = false;
  refreshOnLeaveColumn = false;
  Attach();
  Load();
  ASSERT_EQ(main.TabAction(), 2);
  platform->form.FocusControl(search.Name());
  EXPECT_EQ(search.Col(), 0);  // focus by keyboard starts in column 0

  search.PressKey(kKeyTab);
  EXPECT_EQ(search.Col(), 1);
  ASSERT_FALSE(platform->keys.SentCodes().empty());
  EXPECT_EQ(platform->keys.SentCodes().back().first, 39);

  search.PressKey(kKeyTab, kShiftMask);  // becomes Left
  EXPECT_EQ(search.Col(), 0);
  search.PressKey(kKeyTab, kShiftMask);  // column 0: the host is asked
  Pump();
  EXPECT_EQ(events.focusPrevious, 1);
  EXPECT_EQ(Focused(), search.Name());

  search.Col(3);
  search.PressKey(kKeyTab);  // last visible column: on to the data grid
  EXPECT_EQ(Focused(), search.Name());
  Pump();
  EXPECT_EQ(Focused(), main.Name());
  EXPECT_EQ(main.Col(), 0);

  // In the data grid Shift+Tab is the grid's own in the first cell, Left elsewhere.
  main.Col(2);
  main.PressKey(kKeyTab, kShiftMask);
  EXPECT_EQ(main.Col(), 1);
  main.Col(0);
  main.PressKey(kKeyTab, kShiftMask);
  EXPECT_EQ(Focused(), search.Name());
}

TEST_F(SearchLine, TheLastColumnFollowsALayoutChangedBehindTheLinesBack) {
  returnNavigates = false;
  Attach();
  Load();
  platform->form.FocusControl(search.Name());
  search.Col(2);
  search.PressKey(kKeyTab);
  EXPECT_EQ(search.Col(), 3);

  // A layout hides the last column and puts Name at the far right.
  for (HeadlessGrid* g : {&main, &search, &sum}) {
    g->Column(3).Visible(false);
    g->Column(1).Order(3);
  }
  search.Col(2);
  search.PressKey(kKeyTab);
  EXPECT_EQ(search.Col(), 1);
  search.PressKey(kKeyTab);
  Pump();
  EXPECT_EQ(Focused(), main.Name());
}

TEST_F(SearchLine, ReturnNavigationMovesAlongTheLineAndLeavesWithShiftReturn) {
  Attach();
  Load();
  platform->form.FocusControl(search.Name());
  search.PressKey(kKeyReturn);
  EXPECT_EQ(search.Col(), 1);
  search.PressKey(kKeyReturn, kShiftMask);
  EXPECT_EQ(search.Col(), 0);
  search.PressKey(kKeyReturn, kShiftMask);  // column 0: Shift+Tab is sent
  EXPECT_EQ(Focused(), "txtVorher");
  EXPECT_EQ(events.focusPrevious, 0);
  ASSERT_FALSE(platform->keys.SentCodes().empty());
  EXPECT_EQ(platform->keys.SentCodes().back().first, 16);
  EXPECT_EQ(platform->keys.SentCodes().back().second, 9);

  // Up and Down leave the line to the neighbouring controls.
  platform->form.FocusControl(search.Name());
  search.PressKey(kKeyDown);
  EXPECT_EQ(Focused(), main.Name());
  // In the data grid Shift+Return moves left, and leaves from the first cell.
  main.Col(1);
  main.PressKey(kKeyReturn, kShiftMask);
  EXPECT_EQ(main.Col(), 0);
  main.PressKey(kKeyReturn, kShiftMask);
  EXPECT_EQ(Focused(), search.Name());
  search.PressKey(kKeyUp);
  EXPECT_EQ(Focused(), "txtVorher");
}

TEST_F(SearchLine, RecordSelectorClicks) {
  Attach();
  bool menuShown = false;
  vm->Interaction().hooks.showQueryMenu = [&] { menuShown = true; };
  Load();
  TypeInSearch(1, "Mei*");
  search.PressKey(kKeyTab);
  Pump();
  ASSERT_EQ(vm->RecordCount(), 2);
  ASSERT_TRUE(vm->SearchRowState().Active());

  double y = search.CellPoint(0, 0).second;
  search.Click(kRightButton, 0, 100, y);
  EXPECT_TRUE(menuShown);
  EXPECT_EQ(SearchCell(1), "Mei*");

  search.Click(kLeftButton, 0, 100, y);
  Pump();
  EXPECT_EQ(SearchCell(1), "");
  EXPECT_EQ(vm->RecordCount(), 4);
  EXPECT_EQ(events.searchChanged, 2);
  EXPECT_EQ(search.SelectedCount(), 0);
  EXPECT_FALSE(vm->SearchRowState().Active());
  EXPECT_EQ(search.GetProperty(149).ToInt32(), 266);

  // A click into a cell is no record-selector click, and focus by mouse keeps the column.
  platform->form.FocusControl(main.Name());
  auto [x2, y2] = search.CellPoint(2, 0);
  search.Click(kLeftButton, 0, x2, y2);
  EXPECT_EQ(Focused(), search.Name());
  EXPECT_EQ(search.Col(), 2);
  EXPECT_EQ(vm->RecordCount(), 4);
  EXPECT_EQ(events.searchChanged, 2);
}

TEST_F(SearchLine, CellsThatAreOnlyWildcardsOrQuotesAddNoRestriction) {
  refreshOnLeaveColumn = false;
  Attach();
  Load();
  TypeInSearch(1, "*");
  search.PressKey(kKeyReturn);
  search.Type("'");
  search.PressKey(kKeyReturn);
  platform->form.FocusControl(main.Name());
  Pump();
  EXPECT_EQ(events.searchChanged, 1);
  EXPECT_EQ(LastStatement().find("WHERE"), std::string::npos) << LastStatement();
  EXPECT_FALSE(vm->SearchRowState().Active());
  EXPECT_EQ(search.GetProperty(149).ToInt32(), 266);
}

TEST_F(SearchLine, ClearSearchKeepsOrRestoresRestrictions) {
  Attach();
  vm->AddRestriction("Mandant", Variant("7"), false, adInteger, true);
  Load();
  TypeInSearch(1, "Mei*");
  search.PressKey(kKeyTab);
  Pump();
  ASSERT_EQ(vm->RecordCount(), 1);

  // Without argument the line empties, but the old criteria stay until applied.
  vm->ClearSearch();
  EXPECT_EQ(SearchCell(1), "");
  EXPECT_TRUE(vm->Restrictions().Contains("Name"));
  vm->Requery();
  EXPECT_EQ(vm->RecordCount(), 1);

  vm->Restrictions().Item("Mandant")->value = Variant("8");
  vm->ClearSearch(true);
  EXPECT_FALSE(vm->Restrictions().Contains("Name"));
  EXPECT_EQ(vm->Restrictions().Item("Mandant")->value.ToTextOrEmpty(), "7");
  EXPECT_EQ(vm->RecordCount(), 2);
  EXPECT_EQ(events.searchChanged, 2);
}

TEST_F(SearchLine, LeavingTheLineWithAPendingEditQueriesOnce) {
  Attach();
  Load();
  // By mouse into the data grid.
  TypeInSearch(1, "Mei*");
  auto [x, y] = main.CellPoint(1, 0);
  main.Click(kLeftButton, 0, x, y);
  Pump();
  EXPECT_EQ(events.searchChanged, 1);
  EXPECT_EQ(statements.size(), 1u);
  EXPECT_EQ(vm->RecordCount(), 2);

  // By the Down arrow to the next control.
  statements.clear();
  TypeInSearch(2, "Bonn");
  search.PressKey(kKeyDown);
  Pump();
  EXPECT_EQ(Focused(), main.Name());
  EXPECT_EQ(events.searchChanged, 2);
  EXPECT_EQ(statements.size(), 1u);
  EXPECT_EQ(vm->RecordCount(), 2);

  // setze_search leaves the query to the host's Requery.
  vm->ClearSearch(true);
  vm->setze_search("Ort", "Köln");
  vm->Requery();
  EXPECT_EQ(vm->RecordCount(), 1);
}

TEST_F(SearchLine, ACriterionTypedIntoAFixedColumnAppliesAndEndsWithItsCell) {
  for (bool onLeaveColumn : {true, false}) {
    SCOPED_TRACE(onLeaveColumn);
    refreshOnLeaveColumn = onLeaveColumn;
    Attach();
    vm->AddRestriction("Ort", Variant("Bonn"), false, adVarChar, true);
    Load();
    ASSERT_EQ(vm->RecordCount(), 2);
    auto leave = [&] {
      search.PressKey(kKeyReturn);
      platform->form.FocusControl(main.Name());
      Pump();
    };
    // The fixed value keeps applying beside the typed one.
    TypeInSearch(2, "Köln");
    leave();
    EXPECT_NE(LastStatement().find("([Ort] = 'Bonn') AND ([Ort] = 'Köln')"), std::string::npos)
        << LastStatement();
    EXPECT_EQ(vm->RecordCount(), 0);

    // Emptied, the cell takes its criterion along; the fixed value stays.
    TypeInSearch(1, "Meiser");
    search.Col(2);
    search.PressKey(kKeyF2);
    search.PressKey(kKeyDelete);
    leave();
    EXPECT_EQ(SearchCell(2), "");
    EXPECT_EQ(vm->Restrictions().Item("Ort")->value.ToTextOrEmpty(), "Bonn");
    EXPECT_EQ(vm->RecordCount(), 1) << LastStatement();
  }
}

TEST_F(SearchLine, SetzeSearchFillsOneCellWithoutQuerying) {
  Attach();
  Load();
  vm->setze_search("Ort", "Bonn");
  Pump();
  EXPECT_EQ(SearchCell(2), "Bonn");
  EXPECT_EQ(Focused(), search.Name());
  EXPECT_EQ(search.Col(), 2);
  EXPECT_TRUE(vm->SearchRowState().Dirty());
  EXPECT_TRUE(statements.empty());
  platform->form.FocusControl(main.Name());
  EXPECT_EQ(vm->RecordCount(), 2);

  // A field that is no column only empties the line; a hidden line is left alone.
  vm->setze_search("Unbekannt", "x");
  EXPECT_EQ(SearchCell(2), "");
  search.Visible(false);
  vm->setze_search("Ort", "Köln");
  EXPECT_EQ(SearchCell(2), "");
}

TEST_F(SearchLine, SavedQueryTextIsWrittenIntoTheLineAndApplied) {
  Attach();
  Load();
  TypeInSearch(3, "5");  // replaced by the query
  vm->SearchRowState().ApplyQueryText("Bonner",
                                      "Name~ODER Mei*!Ort~ODER Köln!Fehlt~x!ohne Tilde!~y!");
  // A column the grid no longer has is named; the other criteria apply.
  EXPECT_EQ(platform->messages.texts(),
            (std::vector<std::string>{"Der Filter „Bonner“ enthält Bedingungen für Spalten, die "
                                      "es in dieser Tabelle nicht gibt (Fehlt); sie bleiben "
                                      "unberücksichtigt."}));
  EXPECT_EQ(SearchCell(1), "ODER Mei*");
  EXPECT_EQ(SearchCell(2), "ODER Köln");
  EXPECT_EQ(SearchCell(3), "");
  EXPECT_EQ(events.searchChanged, 1);
  EXPECT_FALSE(vm->SearchRowState().Dirty());
  EXPECT_NE(LastStatement().find(" OR "), std::string::npos) << LastStatement();
  EXPECT_EQ(vm->RecordCount(), 3);
}

TEST_F(SearchLine, ParameterQueryAsksAndWritesTheEnteredValues) {
  Attach();
  std::string caption;
  std::vector<std::string> asked;
  vm->Interaction().hooks.parameterDialog = [&](VMGridFields& params, const std::string& c) {
    caption = c;
    for (const auto& p : params) {
      asked.push_back(p->fieldname + "#" + p->parametername + ":" + p->value.ToTextOrEmpty());
      p->value = p->fieldname == "Name" ? Variant("Sch*") : Variant("");
    }
    return true;
  };
  Load();
  vm->SearchRowState().ApplyQueryText("Suche", "Name~=1:Text!Ort~ODER =2:Combo!");
  EXPECT_EQ(caption, "Kunden [Suche]");
  EXPECT_EQ(asked, (std::vector<std::string>{"Name#1:Text", "Ort#2:Combo"}));
  EXPECT_EQ(SearchCell(1), "Sch*");
  EXPECT_EQ(SearchCell(2), "");
  EXPECT_EQ(vm->RecordCount(), 1);
  EXPECT_EQ(events.searchChanged, 1);
}

TEST_F(SearchLine, ACancelledOrBrokenParameterQueryLeavesTheLineAndTheRowsAsTheyWere) {
  Attach();
  int asked = 0;
  vm->Interaction().hooks.parameterDialog = [&](VMGridFields& params, const std::string&) {
    ++asked;
    // "ODER =3" is a typed alternative, no placeholder; "ODER =2:Combo" is one.
    EXPECT_EQ(params.Count(), asked == 1 ? 2 : 1);
    return false;
  };
  Load();
  vm->setze_search("Ort", "Köln");
  const std::string before = LastStatement();
  const int rows = vm->RecordCount();
  vm->SearchRowState().ApplyQueryText("Q", "Name~=1:Text!Ort~ODER =2:Combo!Nr~ODER =3!");
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(LastStatement(), before) << "Cancel sends no statement";
  EXPECT_EQ(vm->RecordCount(), rows);
  EXPECT_EQ(SearchCell(2), "Köln");
  EXPECT_EQ(SearchCell(1), "");

  // Broken placeholders are reported, and a filter that "cannot be run" is not run,
  // also when another placeholder of it would be fine.
  vm->SearchRowState().ApplyQueryText("Kaputt", "Name~=x:Text!Ort~=3!Umsatz~=1:Zahl!");
  EXPECT_EQ(platform->messages.texts(),
            (std::vector<std::string>{"Filterfehler Parameternummer: x Parametertyp: Text",
                                      "Filterfehler Parameternummer: 3 Parametertyp: ",
                                      "Der Filter enthält einen Fehler und kann nicht ausgeführt werden"}));
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(LastStatement(), before);
  EXPECT_EQ(SearchCell(2), "Köln");

  // A placeholder behind "ODER" alone still asks: it must not vanish unasked.
  vm->SearchRowState().ApplyQueryText("Oder", "Ort~ODER =1:Text!");
  EXPECT_EQ(asked, 2);
}

TEST_F(SearchLine, GridsAttachedLateOrNotAtAllNeverBreakTheLine) {
  Attach(false, false);
  Load();
  vm->ClearSearch(true);
  vm->setze_search("Name", "M*");
  vm->ShowColumn("Ort", false);
  EXPECT_EQ(events.searchChanged, 0);

  // Attached after the first load, the lines get their columns at once.
  vm->SearchGrid(&search);
  vm->SumGrid(&sum);
  EXPECT_EQ(search.ColumnCount(), main.ColumnCount());
  EXPECT_EQ(SumCell(3), "33,5");
  TypeInSearch(1, "Mei*");
  search.PressKey(kKeyTab);
  Pump();
  EXPECT_EQ(vm->RecordCount(), 2);
  EXPECT_EQ(SumCell(3), "11,5");

  // A data grid attached after the first load gets the rows and the lines follow it.
  HeadlessGrid other("grdAndere");  // outlives its controller, as on a form
  VMGrid late;
  late.Connection(conn);
  late.RecordSource("Kunden");
  late.AddField({.name = "Name", .caption = "Name", .datatype = adVarChar});
  late.SearchGrid(&search);
  late.Requery();
  late.grid(&other);
  EXPECT_EQ(other.RowCount(), 4);
  EXPECT_EQ(search.ColumnCount(), 1);
  search.Col(0);
  search.Type("Sch*");
  search.PressKey(kKeyTab);
  Pump();
  EXPECT_EQ(other.RowCount(), 1);

  // Without a data grid nothing reacts, nothing fails.
  VMGrid lonely;
  lonely.SearchGrid(&search);
  lonely.ClearSearch(true);
  lonely.setze_search("Name", "x");
  EXPECT_FALSE(lonely.ShowColumn("Name", false));
  search.PressKey(kKeyTab);
  search.Click(kLeftButton, 0, 100, 360);
}

}  // namespace
}  // namespace vmbgrid::testing

namespace vmbgrid::testing {
namespace {

TEST_F(SearchLine, SearchDropDownOffersDistinctValuesAndAppliesTheChoice) {
  HeadlessDropDown& dd = searchDropDown;
  Attach();
  vm->GridFields().Item("Ort")->combo = true;
  vm->DropDown(&dd);
  Load();
  EXPECT_EQ(search.Column(2).DropDown(), "ddSuche");
  EXPECT_EQ(search.Column(1).DropDown(), "");

  platform->form.FocusControl(search.Name());
  search.Col(2);
  dd.Open();
  ASSERT_NE(dd.DataSource(), nullptr);
  EXPECT_EQ(dd.DataSource()->RecordCount(), 3);  // Aachen, Bonn, Köln
  EXPECT_EQ(events.searchChanged, 0);
  dd.Choose(1);
  EXPECT_EQ(SearchCell(2), "Bonn");
  EXPECT_EQ(events.searchChanged, 0);  // applied once the choice has finished
  Pump();
  EXPECT_EQ(events.searchChanged, 1);
  EXPECT_EQ(vm->RecordCount(), 2);

  // Tab accepts the highlighted value like Enter.
  dd.PressKey(kKeyDown);
  dd.PressKey(kKeyTab);
  Pump();
  EXPECT_EQ(SearchCell(2), "Köln");
  EXPECT_EQ(vm->RecordCount(), 1);
}

}  // namespace
}  // namespace vmbgrid::testing
