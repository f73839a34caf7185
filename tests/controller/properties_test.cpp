// The controller's own state: defaults, the data-source properties, the row limit,
// the sort state, the option-load trigger, control attachment and the areas of the
// grid.
#include "core/services.h"
#include "core/settings_store.h"
#include "tests/controller/controller_fixture.h"

namespace vmbgrid::testing {
namespace {

using Properties = ControllerTest;

TEST_F(Properties, ConnectionCopiesItsStringNothingEmptiesItAndTheStringAloneIsEnough) {
  VMGrid g;
  g.ConnectionString("Provider=SQLite;Data Source=anders.db");
  EXPECT_EQ(g.ConnectionString(), "Provider=SQLite;Data Source=anders.db");
  g.Connection(conn_);
  EXPECT_EQ(g.ConnectionString(), kMemoryDb);
  EXPECT_EQ(g.Connection(), conn_);
  g.ConnectionString("");  // the host's connection is still the one used
  EXPECT_EQ(g.OpenConnection(), conn_);
  EXPECT_EQ(g.ConnectionString(), kMemoryDb);
  EXPECT_EQ(g.Settings().GetConnection(), conn_);  // options are kept in that database
  g.Connection(nullptr);
  EXPECT_EQ(g.ConnectionString(), "");
  EXPECT_EQ(g.Connection(), nullptr);

  // A host that only names the connection string reaches the same open database.
  VMGrid h;
  h.grid(&main_);
  h.ConnectionString(kMemoryDb);
  h.RecordSource("Kunden");
  h.AddField("Nr");
  h.Requery();
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"SELECT [Nr] FROM [Kunden] WHERE 0 = 1",
                                                 "SELECT [Nr] FROM [Kunden]"}));
  EXPECT_EQ(h.RecordCount(), 8);
  EXPECT_EQ(h.OpenConnection()->ConnectionString(), kMemoryDb);
}

TEST_F(Properties, PersistedOptionsMarkTheSettingsChangedAndTheRowLimitHoldsItsRules) {
  VMGrid g;
  EXPECT_FALSE(g.SettingsChanged());
  EXPECT_EQ(g.EditMode(), adEditNone);  // no rows yet
  g.DebugLevel(7);                      // no level above 0 is known
  EXPECT_EQ(g.DebugLevel(), 0);
  g.RefreshOnLeaveColumn(false);
  EXPECT_TRUE(g.SettingsChanged());
  g.SettingsChanged(false);
  g.ShowEmptyGrid(true);
  EXPECT_TRUE(g.SettingsChanged());
  g.SettingsChanged(false);
  g.MaxRecords(10);  // the host's limit is no user option
  EXPECT_FALSE(g.SettingsChanged());
  g.MaxRecordsFromDialog(10);
  EXPECT_FALSE(g.SettingsChanged());
  g.MaxRecordsFromDialog(20);
  EXPECT_TRUE(g.SettingsChanged());
  EXPECT_EQ(g.MaxRecords(), 20);

  // A negative row limit keeps the old one, zero removes it.
  VMGrid& h = MakeTyped();
  h.MaxRecords(500);
  h.MaxRecords(-5);
  EXPECT_EQ(h.MaxRecords(), 500);
  h.Requery();
  EXPECT_EQ(Last(), "SELECT TOP 500 [Name],[Ort],[Nr] FROM [Kunden]");
  h.MaxRecords(0);
  h.Requery();
  EXPECT_EQ(Last(), "SELECT [Name],[Ort],[Nr] FROM [Kunden]");
}

// SortBy remembers the column before; the list of sort columns keeps each column once,
// moved to the end with its new direction; SortBy takes precedence over the list until
// AddSortColumn gives the list back its say.
TEST_F(Properties, SortByAndTheListOfSortColumns) {
  VMGrid& g = MakeTyped();
  g.SortBy("Name");
  g.SortBy("Ort");
  EXPECT_EQ(g.PreviousSortBy(), "Name");
  g.AddSortColumn("Name");  // SortBy empties and its value moves on
  EXPECT_EQ(g.SortBy(), "");
  EXPECT_EQ(g.PreviousSortBy(), "Ort");
  g.AddSortColumn("Ort", descending);
  g.Requery();
  EXPECT_EQ(Last(), "SELECT [Name],[Ort],[Nr] FROM [Kunden] ORDER BY [Name] ASC, [Ort] DESC");
  g.AddSortColumn("name", descending);  // same column, other letter case
  g.Requery();
  EXPECT_EQ(Last(), "SELECT [Name],[Ort],[Nr] FROM [Kunden] ORDER BY [Ort] DESC, [name] DESC");
  EXPECT_EQ(g.SortColumns().Count(), 2);
  g.SortBy("Nr");
  g.Requery();
  EXPECT_EQ(Last(), "SELECT [Name],[Ort],[Nr] FROM [Kunden] ORDER BY [Nr] DESC");
  g.SortAscending(true);
  g.DeleteAllSortColumns();
  EXPECT_EQ(g.SortColumns().Count(), 0);
  EXPECT_EQ(g.SortBy(), "Nr");
  g.Requery();
  EXPECT_EQ(Last(), "SELECT [Name],[Ort],[Nr] FROM [Kunden] ORDER BY [Nr] ASC");
  EXPECT_EQ(Column("Nr"), (std::vector<std::string>{"1", "2", "3", "5", "8", "9", "12", "17"}));
  g.AddSortColumn("Ort", descending);
  g.Requery();
  EXPECT_EQ(Last(), "SELECT [Name],[Ort],[Nr] FROM [Kunden] ORDER BY [Ort] DESC");
  // An unknown direction leaves the column followed by one blank.
  g.DeleteAllSortColumns();
  g.AddSortColumn("Nr", 3);
  g.Requery();
  EXPECT_EQ(Last(), "SELECT [Name],[Ort],[Nr] FROM [Kunden] ORDER BY [Nr] ");
}

// The options are read once user, Connection and grid are all there, whichever
// arrives last, and never without a user.
TEST_F(Properties, OptionsLoadWhenTheLastOfUserConnectionAndGridArrives) {
  HeadlessGrid other("grdAndere");
  // Steps: 'u' the user, 'n' no user, 'c' the connection, 'x' none, 'g' the grid;
  // then the number of loads after each step.
  const std::pair<std::string, std::string> orders[] = {
      {"ucg", "001"}, {"guc", "001"}, {"cgung", "00111"}, {"ugx", "000"}};
  for (const auto& [steps, loads] : orders) {
    SCOPED_TRACE(steps);
    VMGrid g;
    for (size_t i = 0; i < steps.size(); ++i) {
      if (steps[i] == 'u' || steps[i] == 'n') g.user(steps[i] == 'u' ? "Anna" : "");
      if (steps[i] == 'c' || steps[i] == 'x') g.Connection(steps[i] == 'c' ? conn_ : nullptr);
      if (steps[i] == 'g') g.grid(&other);
      EXPECT_EQ(g.OptionLoadCount(), loads[i] - '0') << i;
    }
  }
}

TEST_F(Properties, AttachingTheGridNamesTheLayoutAndMeasuresTheHeader) {
  VMGrid g;
  main_.HeaderLines(2);
  g.grid(&main_);
  EXPECT_EQ(g.LayoutFile(), "grdKunden");
  EXPECT_EQ(g.mainlayout(), "grdKunden");
  EXPECT_EQ(main_.LayoutFileName(), "grdKunden.grx");
  // 2 x 239.811 = 479.622 twips, to the nearest whole twip.
  EXPECT_EQ(g.HeaderHeight(), 480);
  EXPECT_FALSE(g.IsInDataArea(480));
  EXPECT_TRUE(g.IsInDataArea(481));
  EXPECT_TRUE(g.IsInRecordSelectorArea(285));
  EXPECT_FALSE(g.IsInRecordSelectorArea(286));
  EXPECT_TRUE(g.IsInRecordSelectorArea(-10));
}

TEST_F(Properties, GridBehaviourFollowsThePropertiesAtTheNextRequery) {
  VMGrid& g = MakeTyped();
  EXPECT_FALSE(main_.AllowUpdate());  // read-only by default
  EXPECT_EQ(main_.TabAction(), 0);
  g.ReadOnly(false);
  g.ReturnNavigatesInGrid(false);
  g.AllowAddNew(false);
  EXPECT_FALSE(main_.AllowUpdate());  // stored only until the next Requery
  g.Requery();
  EXPECT_TRUE(main_.AllowUpdate());
  EXPECT_EQ(main_.GetProperty(75).ToInt32(), 6);
  EXPECT_EQ(main_.TabAction(), 2);
  EXPECT_FALSE(main_.AllowAddNew());
  EXPECT_EQ(g.CurrentRecordset()->LockType(), adLockOptimistic);
}

TEST_F(Properties, TheControlAttachedLastPlacesAllThree) {
  HeadlessGrid search("grdSuche"), sum("grdSumme");
  main_.Left(100);
  main_.Width(5000);
  search.Left(300);
  search.Width(7000);
  sum.Left(900);
  sum.Width(1200);
  VMGrid g;
  g.grid(&main_);
  g.SearchGrid(&search);
  EXPECT_EQ(main_.Left(), 300);
  EXPECT_EQ(main_.Width(), 7000);
  g.SumGrid(&sum);
  for (HeadlessGrid* c : {&main_, &search, &sum}) {
    EXPECT_EQ(c->Left(), 900);
    EXPECT_EQ(c->Width(), 1200);
  }
  // Detaching stores nothing and sets nothing up.
  g.SumGrid(nullptr);
  EXPECT_EQ(g.SumGrid(), nullptr);
  EXPECT_EQ(main_.Left(), 900);
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

}  // namespace
}  // namespace vmbgrid::testing
