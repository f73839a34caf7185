// The statement a Requery sends: select list, WHERE chain of restrictions, OR
// group, fixed restrictions, the host's filter, row limit, sort, key columns, type
// probes and the empty first load. Asserted on the statement log, character for
// character.
#include <algorithm>
#include <random>

#include "core/strings.h"
#include "search/criteria.h"
#include "search/search_row.h"
#include "tests/controller/controller_fixture.h"

namespace vmbgrid::testing {
namespace {

using Statement = ControllerTest;

TEST_F(Statement, WorkedShapeCharacterForCharacter) {
  VMGrid& g = Make();
  g.AddField("Name", "", false, false, adVarChar);
  g.AddField("Ort", "", false, false, adVarChar);
  g.AddField("Nr", "", false, false, adInteger, true);
  g.AddRestriction("Name", "Mei*", false, adVarChar);
  g.AddRestriction("Ort", "ODER Berlin", false, adVarChar);
  g.AddRestriction("Plz", "ODER 10*", false, adVarChar);
  g.MaxRecords(500);
  g.filter("Umsatz > 100");
  g.AddSortColumn("Name");
  g.Requery();
  EXPECT_EQ(Last(),
            "SELECT TOP 500 [Name],[Ort],[Nr] FROM [Kunden] WHERE ([Name] LIKE 'Mei%') "
            "AND(([Ort] = 'Berlin') OR ([Plz] LIKE '10%')) AND (Umsatz > 100) ORDER BY [Name] ASC");
  // The host reads the WHERE text as built, wildcards as typed, without the filter.
  EXPECT_EQ(g.SQLWherePart(), "([Name] LIKE 'Mei*') AND(([Ort] = 'Berlin') OR ([Plz] LIKE '10*'))");
  EXPECT_EQ(Column("Name"), (std::vector<std::string>{"Meier"}));
  EXPECT_TRUE(TakeMessages().empty());
}

TEST_F(Statement, OnlyTheOderPrefixMakesAnAlternative) {
  VMGrid& g = MakeTyped();
  // The host's useOr is overruled by the value: without the prefix it is ANDed.
  g.AddRestriction("Ort", "Berlin", true, adVarChar);
  g.AddRestriction("Name", "oder Meier", false, adVarChar);
  g.Requery();
  EXPECT_EQ(Last(),
            "SELECT [Name],[Ort],[Nr] FROM [Kunden] WHERE ([Ort] = 'Berlin') AND "
            "([Name] = 'oder Meier')");
  EXPECT_FALSE(g.Restrictions().Item("Ort")->useOr);
  // Typing the prefix later turns the same restriction into an alternative.
  g.AddRestriction("Name", "ODER Meier", false, adVarChar);
  g.Requery();
  EXPECT_EQ(Last(),
            "SELECT [Name],[Ort],[Nr] FROM [Kunden] WHERE ([Ort] = 'Berlin') AND(([Name] = "
            "'Meier'))");
  EXPECT_TRUE(g.Restrictions().Item("Name")->useOr);
}

TEST_F(Statement, FixedRestrictionKeepsApplyingWhileTheUserSearchesTheColumn) {
  VMGrid& g = MakeTyped();
  g.AddRestriction("Ort", "Berlin", false, adVarChar, true);
  g.Requery();
  EXPECT_EQ(Last(), "SELECT [Name],[Ort],[Nr] FROM [Kunden] WHERE ([Ort] = 'Berlin')");
  // The host cannot overwrite a fixed restriction; the search line can.
  g.AddRestriction("Ort", "Hamburg");
  EXPECT_EQ(g.Restrictions().Item("Ort")->value.ToText(), "Berlin");
  g.AddRestriction("Ort", "B*", false, kTypeUndetermined, false, true);
  g.Requery();
  EXPECT_EQ(
      Last(),
      "SELECT [Name],[Ort],[Nr] FROM [Kunden] WHERE ([Ort] = 'Berlin') AND ([Ort] LIKE 'B%')");
  EXPECT_EQ(g.RecordCount(), 3);
  // The same value in other letter case is no second condition.
  g.AddRestriction("Ort", "BERLIN", false, kTypeUndetermined, false, true);
  g.Requery();
  EXPECT_EQ(Last(), "SELECT [Name],[Ort],[Nr] FROM [Kunden] WHERE ([Ort] = 'BERLIN')");
  // As an alternative the pair sits inside the OR group.
  g.AddRestriction("Name", "Adler", false, adVarChar);
  g.AddRestriction("Ort", "ODER Br*", false, kTypeUndetermined, false, true);
  g.Requery();
  EXPECT_EQ(Last(),
            "SELECT [Name],[Ort],[Nr] FROM [Kunden] WHERE ([Name] = 'Adler') AND(([Ort] = "
            "'Berlin') AND ([Ort] LIKE 'Br%'))");
}

// A fixed restriction whose search value yields no condition (cleared, or refused
// with a message) must still give a statement the data source accepts.
TEST_F(Statement, FixedRestrictionWithoutSearchConditionStaysWellFormed) {
  VMGrid& g = MakeTyped();
  g.AddRestriction("Ort", "Berlin", false, adVarChar, true);
  g.AddRestriction("Ort", "", false, kTypeUndetermined, false, true);
  g.Requery();
  EXPECT_EQ(Last(), "SELECT [Name],[Ort],[Nr] FROM [Kunden] WHERE ([Ort] = 'Berlin')");
  EXPECT_EQ(g.RecordCount(), 3);
  EXPECT_TRUE(TakeMessages().empty());

  // A refused search value shows no rows rather than the fixed restriction's.
  TakeLog();
  g.AddRestriction("Ort", "A*-M", false, kTypeUndetermined, false, true);
  g.Requery();
  for (const std::string& sent : TakeLog()) EXPECT_EQ(sent.find("'Berlin'"), std::string::npos);
  EXPECT_EQ(TakeMessages(),
            (std::vector<std::string>{"Die Zeichen * und ? sind in Bereichsangaben nicht möglich"
                                      "\r\nSpalte Ort, Suchkriterium 'A*-M'"}));
  EXPECT_EQ(g.RecordCount(), 0);
}

// Values the host sets as numbers, dates or Booleans are one exact comparison each.
TEST_F(Statement, HostTypedValuesAreExactComparisons) {
  VMGrid& g = MakeTyped();
  g.AddRestriction("Nr", 17, false, adInteger);
  g.AddRestriction("Geburtstag", MakeDate(1980, 1, 1), false, adDate);
  g.AddRestriction("Aktiv", true, false, adBoolean);
  g.AddRestriction("Umsatz", 99.5, false, adDouble);
  g.Requery();
  EXPECT_EQ(Last(),
            "SELECT [Name],[Ort],[Nr] FROM [Kunden] WHERE ([Nr] = 17) AND ([Geburtstag] = "
            "'1980-01-01') AND [Aktiv] = 1 AND ([Umsatz] = 99.5)");
  EXPECT_EQ(Column("Name"), (std::vector<std::string>{"O'Brien"}));
  // A fixed number compared with the typed text of the search line.
  VMGrid& h = MakeTyped();
  h.AddRestriction("Nr", 5, false, adInteger, true);
  h.AddRestriction("Nr", "5", false, kTypeUndetermined, false, true);
  h.Requery();
  EXPECT_EQ(Last(), "SELECT [Name],[Ort],[Nr] FROM [Kunden] WHERE ([Nr] = 5)");
  h.AddRestriction("Nr", "1-9", false, kTypeUndetermined, false, true);
  h.Requery();
  EXPECT_EQ(
      Last(),
      "SELECT [Name],[Ort],[Nr] FROM [Kunden] WHERE ([Nr] = 5) AND ([Nr] >= 1 AND [Nr] <= 9)");
  EXPECT_EQ(h.RecordCount(), 1);
}

TEST_F(Statement, KeyColumnsAreSelectedHiddenAndLast) {
  VMGrid& g = Make();
  g.AddField("Nr", "Nummer", false, false, adInteger);
  g.AddField("Name", "", false, false, adVarChar);
  g.AddRestriction("Name", "M*", false, adVarChar);
  g.AddPrimaryKeyRestriction("Nr", "1-9", false, adInteger);
  g.AddRestriction("Ort", "ODER Hamburg", false, adVarChar);
  g.AddRestriction("nr", "17");  // the key restriction governs the column
  EXPECT_EQ(g.Restrictions().Item("Nr")->value.ToText(), "1-9");
  g.Requery();
  std::vector<std::string> log = TakeLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0], "SELECT [Nr] FROM [Kunden] WHERE 0 = 1");  // the re-added key column
  EXPECT_EQ(log[1],
            "SELECT [Name],[Nr] FROM [Kunden] WHERE ([Name] LIKE 'M%') AND ([Nr] >= 1 AND [Nr] <= "
            "9) AND(([Ort] = 'Hamburg'))");
  ASSERT_EQ(g.GridFields().Count(), 2);
  EXPECT_EQ(g.GridFields().Item(2)->fieldname, "Nr");
  EXPECT_TRUE(g.GridFields().Item(2)->Hidden());
  EXPECT_FALSE(g.GridFields().Item(2)->visible());
  EXPECT_EQ(g.GridFields().Item(2)->datatype, adInteger);
  // A second key restriction call moves it to the end of the restrictions.
  g.AddPrimaryKeyRestriction("Nr", 2, false, adInteger);
  EXPECT_EQ(g.Restrictions().Item(g.Restrictions().Count())->fieldname, "Nr");
  g.Requery();
  EXPECT_EQ(Last(),
            "SELECT [Name],[Nr] FROM [Kunden] WHERE ([Name] LIKE 'M%') AND ([Nr] = 2) AND(([Ort] = "
            "'Hamburg'))");
  EXPECT_EQ(g.GridFields().Count(), 2);
  EXPECT_EQ(Column("Name"), (std::vector<std::string>{"Müller"}));
}

TEST_F(Statement, UndeterminedTypesAreProbedOnceRestrictionsFirst) {
  VMGrid& g = Make();
  g.AddField("Name");
  g.AddField("Ort");
  g.AddField("Betrag");
  g.AddRestriction("Plz", "10*");
  g.Requery();
  std::vector<std::string> log = TakeLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0], "SELECT [Plz],[Name],[Ort],[Betrag] FROM [Kunden] WHERE 0 = 1");
  EXPECT_EQ(log[1], "SELECT [Name],[Ort],[Betrag] FROM [Kunden] WHERE ([Plz] LIKE '10%')");
  EXPECT_EQ(g.GridFields().Item("Name")->datatype, adVarChar);
  EXPECT_EQ(g.GridFields().Item("Name")->size, 50);
  EXPECT_EQ(g.GridFields().Item("Ort")->size, 40);
  EXPECT_EQ(g.GridFields().Item("Betrag")->datatype, adCurrency);
  EXPECT_EQ(g.GridFields().Item("Betrag")->precision, 19);
  EXPECT_EQ(g.GridFields().Item("Betrag")->scale, 4);
  EXPECT_EQ(g.Restrictions().Item("Plz")->datatype, adVarChar);
  EXPECT_EQ(g.Restrictions().Item("Plz")->size, 5);
  g.Requery();
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{
                           "SELECT [Name],[Ort],[Betrag] FROM [Kunden] WHERE ([Plz] LIKE '10%')"}));
}

TEST_F(Statement, EmptyColumnListIsFilledFromTheTableWithoutUpsizeTimestamp) {
  conn_->Execute("CREATE TABLE Alt (Nr INTEGER, UPSIZE_TS BLOB, Name TEXT)");
  conn_->Execute("INSERT INTO Alt VALUES (1, NULL, 'a')");
  TakeLog();
  VMGrid& g = Make();
  g.RecordSource("Alt");
  g.Requery();
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"SELECT * FROM [Alt] WHERE 0 = 1",
                                                 "SELECT [Nr],[Name] FROM [Alt]"}));
  ASSERT_EQ(g.GridFields().Count(), 2);
  EXPECT_EQ(g.GridFields().Item(1)->datatype, adInteger);
  EXPECT_EQ(g.GridFields().Item(2)->caption, "Name");
  g.Requery();
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"SELECT [Nr],[Name] FROM [Alt]"}));
}

// The empty first load (its conditions and sort dropped under every combination in
// the joining-rule test below) sets up the grids; ReInit returns to it.
TEST_F(Statement, ReInitReturnsToTheFirstLoadAndDropsTheSearch) {
  VMGrid& g = MakeTyped();
  g.SearchGrid(&search_);
  g.ShowEmptyGrid(true);
  g.AddRestriction("Ort", "Berlin", false, adVarChar, true);
  g.AddRestriction("Name", "S*", false, adVarChar);
  g.AddPrimaryKeyRestriction("Nr", "1-5", false, adInteger);
  g.Requery();
  EXPECT_EQ(Last(), "SELECT [Name],[Ort],[Nr] FROM [Kunden] WHERE 0 = 1");
  EXPECT_EQ(main_.RowCount(), 0);
  EXPECT_EQ(main_.ColumnCount(), 3);
  EXPECT_EQ(search_.ColumnCount(), 3);  // the search line is set up
  g.Requery();
  EXPECT_EQ(Column("Name"), (std::vector<std::string>{"Schulz"}));
  auto cells = g.SearchRowState().Array();
  cells->Value(1, 0, Variant("S*"));
  TakeLog();
  g.ReInit();
  EXPECT_TRUE(cells->Value(1, 0).IsEmpty());
  EXPECT_TRUE(g.FirstLoad());
  EXPECT_TRUE(TakeLog().empty());  // no query runs
  EXPECT_EQ(g.Restrictions().Count(), 1);
  EXPECT_EQ(g.PrimaryKeyRestrictions().Count(), 0);
  g.Requery();
  EXPECT_EQ(Last(), "SELECT [Name],[Ort],[Nr] FROM [Kunden] WHERE 0 = 1");
  EXPECT_EQ(g.RecordCount(), 0);
  g.Requery();
  EXPECT_EQ(Last(), "SELECT [Name],[Ort],[Nr] FROM [Kunden] WHERE ([Ort] = 'Berlin')");
  EXPECT_EQ(g.RecordCount(), 3);
}

// The joining rule over many combinations: AND chain in collection order, then the
// OR group, fixed values paired with differing search values, placeholders left
// out, the filter after the group, the sort last (SortBy before the list).
TEST_F(Statement, JoiningRuleHoldsForCombinationsOfRestrictions) {
  struct Col {
    const char* name;
    int32_t type;
    std::vector<std::string> values;
  };
  const std::vector<Col> cols = {{"Name", adVarChar, {"Meier", "B*", "A-M", "x;y", "O'Brien"}},
                                 {"Ort", adVarChar, {"Berlin", "H*", "\"a-b\""}},
                                 {"Plz", adVarChar, {"10115", "1-3"}},
                                 {"Nr", adInteger, {"5", "1-9", ">3", "2;4"}}};
  std::mt19937 rng(4711);
  auto pick = [&rng](size_t n) { return static_cast<size_t>(rng() % n); };
  search::CriteriaContext ctx;
  ctx.databaseKind = 2;
  auto cond = [&ctx](const std::string& f, const std::string& v, int32_t t) {
    return search::BuildSearchCondition(f, v, t, ctx);
  };

  for (int round = 0; round < 150; ++round) {
    SCOPED_TRACE(round);
    VMGrid& g = MakeTyped();
    std::vector<std::string> chain, group;
    for (const Col& c : cols) {
      if (pick(3) == 0) continue;
      std::string v = c.values[pick(c.values.size())];
      std::string c2;
      switch (pick(6)) {
        case 0:  // plain
          g.AddRestriction(c.name, v, false, c.type);
          chain.push_back(cond(c.name, v, c.type));
          break;
        case 1:  // alternative
          g.AddRestriction(c.name, "ODER " + v, false, c.type);
          group.push_back(cond(c.name, v, c.type));
          break;
        case 2: {  // fixed, searched with the same value
          g.AddRestriction(c.name, v, false, c.type, true);
          g.AddRestriction(c.name, core::FoldCase(v), false, c.type, false, true);
          chain.push_back(cond(c.name, core::FoldCase(v), c.type));
          break;
        }
        case 3: {  // fixed, searched with another value
          size_t at = std::find(c.values.begin(), c.values.end(), v) - c.values.begin();
          std::string w = c.values[(at + 1 + pick(c.values.size() - 1)) % c.values.size()];
          g.AddRestriction(c.name, v, false, c.type, true);
          bool alt = pick(2) == 0;
          g.AddRestriction(c.name, (alt ? "ODER " : "") + w, false, c.type, false, true);
          std::string pair = cond(c.name, v, c.type) + " AND " + cond(c.name, w, c.type);
          (alt ? group : chain).push_back(pair);
          break;
        }
        case 4:  // placeholder of a saved query
          g.AddRestriction(c.name, "=1:Text", false, c.type);
          break;
        default:  // the host asks for OR, the value does not
          g.AddRestriction(c.name, v, true, c.type);
          chain.push_back(cond(c.name, v, c.type));
      }
    }
    std::string where;
    for (const auto& c : chain) where += (where.empty() ? "" : " AND ") + c;
    if (!group.empty()) {
      std::string ors;
      for (const auto& c : group) ors += (ors.empty() ? "" : " OR ") + c;
      where = where.empty() ? ors : where + " AND(" + ors + ")";
    }
    std::string w = where.empty() ? "" : " WHERE " + where;
    if (pick(2) == 0) {
      g.filter("Nr < 100");
      w += w.empty() ? " WHERE (Nr < 100)" : " AND (Nr < 100)";
    }
    std::string order;
    switch (pick(4)) {
      case 1:
        g.SortBy("Ort");
        order = " ORDER BY [Ort] DESC";
        break;
      case 2:
        g.AddSortColumn("Ort", descending);
        g.AddSortColumn("Nr");
        order = " ORDER BY [Ort] DESC, [Nr] ASC";
        break;
      case 3:
        g.AddSortColumn("Nr");
        g.SortBy("Name");
        g.SortAscending(true);
        order = " ORDER BY [Name] ASC";
        break;
      default:
        break;
    }
    int32_t limit = pick(2) == 0 ? 0 : 50;
    g.MaxRecords(limit);
    std::string head = limit ? "SELECT TOP 50 " : "SELECT ";
    std::string expected = head + "[Name],[Ort],[Nr] FROM [Kunden]" + w + order;
    for (char& ch : expected)
      if (ch == '*') ch = '%';
    TakeLog();
    if (pick(4) == 0) {
      // The empty first load drops conditions and sort, keeps the limit.
      g.ShowEmptyGrid(true);
      g.Requery();
      EXPECT_EQ(Last(), head + "[Name],[Ort],[Nr] FROM [Kunden] WHERE 0 = 1");
      EXPECT_EQ(g.RecordCount(), 0);
    }
    g.Requery();
    EXPECT_EQ(Last(), expected);
    EXPECT_EQ(g.SQLWherePart(), where);
    EXPECT_TRUE(TakeMessages().empty());
    EXPECT_EQ(g.CurrentRecordset()->State(), adStateOpen);
  }
}

}  // namespace
}  // namespace vmbgrid::testing
