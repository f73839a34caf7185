// Requery on both paths: the same statement again, keeping the current row, a
// refused sort, filtering host-supplied rows in memory, the empty first load with
// fixed restrictions, and a connection that cannot be opened.
#include <algorithm>
#include <tuple>

#include "core/services.h"
#include "search/search_row.h"
#include "tests/controller/controller_fixture.h"

namespace vmbgrid::testing {
namespace {

constexpr const char* kStarMessage =
    "An dieser Stelle kann nicht mit *Suchbegriff gesucht werden.\r\n"
    "Der Suchbegriff muss mit einem * abgeschlossen werden.\r\n"
    "Bitte suchen Sie mit *Suchbegriff*";
constexpr const char* kCommaMessage =
    "An dieser Stelle kann nicht mit ',' (Komma) als Suchbegriff gesucht werden.\r\n"
    "Der Suchbegriff darf kein ',' (Komma) beinhalten.\r\n"
    "Bitte versuchen Sie es mit anderem Suchbegriff";

using RequeryTest = ControllerTest;
using Properties = ControllerTest;
using Statement = ControllerTest;

TEST_F(RequeryTest, RefreshGridRunsTheSameStatementAgain) {
  VMGrid& g = MakeTyped();
  g.AddRestriction("Ort", "Berlin", false, adVarChar);
  g.Requery();
  std::string statement = Last();
  conn_->Execute("INSERT INTO Kunden (Nr, Name, Ort) VALUES (30, 'Neu', 'Berlin')");
  TakeLog();
  g.RefreshGrid();
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{statement}));
  EXPECT_EQ(g.RecordCount(), 4);
  EXPECT_EQ(main_.RowCount(), 4);
  // The key column keeps the current row through a new sort; a sort the database
  // refuses says so and gives back the previous one.
  const std::vector<std::string> numbers = Column("Nr");
  MoveTo(static_cast<int32_t>(std::find(numbers.begin(), numbers.end(), "30") - numbers.begin()));
  g.SortBy("Name");
  g.Requery("Nr");
  EXPECT_EQ(g.GetValue("Nr").ToInt32(), 30);
  g.SortBy("Unbekannt");
  g.Requery();
  EXPECT_EQ(TakeMessages(),
            (std::vector<std::string>{"Nach dieser Spalte kann nicht sortiert werden."}));
  EXPECT_EQ(g.SortBy(), "Name");
}

// A search the host's rows cannot be filtered by shows its message box once for the
// same filter and no rows, never the rows unfiltered under the criterion.
TEST_F(RequeryTest, FiltersTheHostRowsCannotTakeShowNoRowsAndWarnOnce) {
  const std::tuple<const char*, const char*, const char*> cases[] = {{"Name", "*ei", kStarMessage},
                                                                     {"Fehlt", "x", kCommaMessage}};
  for (const auto& [field, typed, message] : cases) {
    SCOPED_TRACE(typed);
    VMGrid& g = MakeTyped();
    g.SetRS(HostRows());
    g.AddRestriction("Ort", "Berlin");
    g.Requery();
    ASSERT_EQ(g.RecordCount(), 3);
    g.AddRestriction(field, typed, false, adVarChar);
    g.Requery();
    ASSERT_EQ(MessageEntries().size(), 1u);
    EXPECT_EQ(MessageEntries()[0].text, message);
    EXPECT_EQ(MessageEntries()[0].kind, 0);
    EXPECT_EQ(g.RecordCount(), 0);
    TakeMessages();
    g.Requery();
    EXPECT_TRUE(TakeMessages().empty());
    EXPECT_EQ(g.RecordCount(), 0);
  }
  // With the closing * the search works in memory.
  vm_->AddRestriction("Fehlt", "");
  vm_->AddRestriction("Name", "*ei*");
  vm_->Requery();
  EXPECT_TRUE(TakeMessages().empty());
  EXPECT_EQ(Column("Name"), (std::vector<std::string>{"Meier"}));
}

// Typed values that cannot be made safe must not escape to the host in memory
// either; the host's rows stay whole, and none is shown for the refused search.
TEST_F(RequeryTest, UnsafeCriterionInMemoryIsReportedNotRaised) {
  VMGrid& g = MakeTyped();
  auto rs = HostRows();
  g.SetRS(rs);
  g.AddRestriction("Ort", "Berlin");
  g.Requery();
  g.AddRestriction("Nr", "1 OR 1=1");
  EXPECT_NO_THROW(g.Requery());
  EXPECT_EQ(TakeMessages(),
            (std::vector<std::string>{
                "Fehler in Filter: Der Wert '1 OR 1=1' in der Spalte Nr ist keine gültige Zahl."}));
  EXPECT_EQ(g.RecordCount(), 0);
  EXPECT_EQ(rs->State(), adStateOpen);
  EXPECT_FALSE(g.FirstLoad());
  EXPECT_EQ(platform_->screen.MousePointer(), kPointerDefault);
  // Text stays a literal in the in-memory filter too.
  g.AddRestriction("Nr", "");
  g.AddRestriction("Name", "x' OR '1'='1");
  g.Requery();
  EXPECT_EQ(g.RecordCount(), 0);
  g.AddRestriction("Name", "O'Brien");
  g.ClearRestriction("Ort");
  g.Requery();
  EXPECT_EQ(Column("Nr"), (std::vector<std::string>{"17"}));
}

TEST_F(Properties, AConnectionThatCannotBeOpenedIsReported) {
  VMGrid g;
  g.ConnectionString("Provider=SQLite;Data Source=/gibt/es/nicht.db");
  EXPECT_EQ(g.OpenConnection(), nullptr);
  auto& errors = core::ErrorCollection::Instance();
  ASSERT_GE(errors.Count(), 1u);
  const core::ErrorEntry& e = errors.Item(errors.Count() - 1);
  EXPECT_EQ(e.number, vmGridErrorOpenConnection);
  EXPECT_EQ(e.source, "VMBGrid");
  EXPECT_EQ(e.description, "Verbindung mit Datenbank konnte nicht hergestellt werden.");
  std::vector<std::string> shown = TakeMessages();
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back(), "Verbindung mit Datenbank konnte nicht hergestellt werden.");
}

// The statement of the worked example, character for character: hosts read the WHERE
// part as built.
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
  EXPECT_EQ(g.SQLWherePart(), "([Name] LIKE 'Mei*') AND(([Ort] = 'Berlin') OR ([Plz] LIKE '10*'))");
  EXPECT_EQ(Column("Name"), (std::vector<std::string>{"Meier"}));
  EXPECT_TRUE(TakeMessages().empty());
}

// The empty first load sets up the grids; ReInit returns to it.
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
  // The search line narrows the fixed restriction, never widens it; a refused
  // search there shows no rows rather than the fixed restriction's.
  g.AddRestriction("Ort", "B*", false, kTypeUndetermined, false, true);
  g.Requery();
  EXPECT_EQ(
      Last(),
      "SELECT [Name],[Ort],[Nr] FROM [Kunden] WHERE ([Ort] = 'Berlin') AND ([Ort] LIKE 'B%')");
  g.AddRestriction("Ort", "A*-M", false, kTypeUndetermined, false, true);
  g.Requery();
  EXPECT_EQ(g.RecordCount(), 0);
}

}  // namespace
}  // namespace vmbgrid::testing
