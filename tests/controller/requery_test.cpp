// Requery on both paths: keeping the current row, the two failure handlers of the
// database path, and filtering and sorting host-supplied rows in memory.
#include <tuple>

#include "core/services.h"
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

int32_t OrdinalOfValue(const std::vector<std::string>& column, const std::string& v) {
  for (size_t i = 0; i < column.size(); ++i)
    if (column[i] == v) return static_cast<int32_t>(i);
  return -1;
}

// On the database and on host-supplied rows alike.
TEST_F(RequeryTest, KeyColumnKeepsTheCurrentRow) {
  for (bool hostRows : {false, true}) {
    SCOPED_TRACE(hostRows ? "host-supplied rows" : "database");
    VMGrid& g = MakeTyped();
    if (hostRows) g.SetRS(HostRows());
    g.SortBy("Name");
    g.SortAscending(true);
    g.Requery();
    MoveTo(OrdinalOfValue(Column("Nr"), "17"));
    ASSERT_EQ(g.GetValue("Nr").ToInt32(), 17);
    g.SortBy("Ort");
    g.Requery("Nr");
    EXPECT_EQ(g.GetValue("Nr").ToInt32(), 17);
    EXPECT_EQ(main_.CurrentOrdinal(), OrdinalOfValue(Column("Nr"), "17"));
    EXPECT_EQ(g.GetValue("Name").ToText(), "O'Brien");
    // Without a key the position is not restored.
    g.SortBy("Nr");
    g.Requery();
    EXPECT_NE(g.GetValue("Nr").ToInt32(), 17);
    // A kept row that left the result gives the first row.
    MoveTo(OrdinalOfValue(Column("Nr"), "17"));
    g.AddRestriction("Ort", "Berlin", false, adVarChar);
    g.Requery("Nr");
    EXPECT_EQ(main_.CurrentOrdinal(), 0);
    EXPECT_EQ(g.GetValue("Nr").ToText(), Column("Nr").front());
    EXPECT_TRUE(TakeMessages().empty());
  }
}

TEST_F(RequeryTest, SortTheDatabaseRejectsRestoresThePreviousSort) {
  VMGrid& g = MakeTyped();
  g.SortBy("Name");
  g.Requery();
  g.SortBy("Unbekannt");
  TakeMessages();
  g.Requery();
  EXPECT_EQ(TakeMessages(),
            (std::vector<std::string>{"Nach dieser Spalte kann nicht sortiert werden."}));
  EXPECT_EQ(g.SortBy(), "Name");
  EXPECT_EQ(g.RecordCount(), 0);
  EXPECT_EQ(main_.DataSource()->State(), adStateClosed);
  g.Requery();
  EXPECT_EQ(Last(), "SELECT [Name],[Ort],[Nr] FROM [Kunden] ORDER BY [Name] DESC");
  EXPECT_EQ(g.RecordCount(), 8);
  EXPECT_TRUE(TakeMessages().empty());
}

TEST_F(RequeryTest, FailingStatementIsShownOnceAndTheNextRequeryWorks) {
  VMGrid& g = MakeTyped();
  g.Requery();
  ASSERT_EQ(g.RecordCount(), 8);
  g.filter("Name LIKE 'x*' AND Unbekannt = 1");
  g.Requery();
  // The statement as it was sent, wildcards replaced, and what is missing.
  EXPECT_EQ(TakeMessages(),
            (std::vector<std::string>{"Fehler in Filter: SELECT [Name],[Ort],[Nr] FROM [Kunden] "
                                      "WHERE (Name LIKE 'x%' AND Unbekannt = 1)\r\n"
                                      "Die Spalte \"Unbekannt\" gibt es in der Tabelle nicht."}));
  EXPECT_EQ(g.RecordCount(), 0);
  EXPECT_EQ(main_.RowCount(), 0);
  ASSERT_NE(main_.DataSource(), nullptr);
  EXPECT_EQ(main_.DataSource(), g.CurrentRecordset());
  EXPECT_EQ(main_.DataSource()->State(), adStateClosed);
  EXPECT_NO_THROW(main_.Rebind());  // the grid stays usable
  EXPECT_EQ(g.GetValue("Name").ToText(), "");
  g.filter("");
  g.Requery();
  EXPECT_EQ(g.RecordCount(), 8);
  EXPECT_TRUE(TakeMessages().empty());
}

TEST_F(RequeryTest, UnknownTableIsReportedWithTheProbe) {
  VMGrid& g = Make();
  g.AddField("Name");
  g.RecordSource("Fehlt");
  g.Requery();
  EXPECT_EQ(TakeMessages(),
            (std::vector<std::string>{"Fehler in Filter: SELECT [Name] FROM [Fehlt] WHERE 0 = 1\r\n"
                                      "Die Tabelle \"Fehlt\" gibt es in der Datenbank nicht."}));
  EXPECT_EQ(g.RecordCount(), 0);
  // Without column fields the table probe is the statement that failed.
  VMGrid& h = Make();
  h.RecordSource("Fehlt");
  h.Requery();
  EXPECT_EQ(TakeMessages(),
            (std::vector<std::string>{"Fehler in Filter: SELECT * FROM [Fehlt] WHERE 0 = 1\r\n"
                                      "Die Tabelle \"Fehlt\" gibt es in der Datenbank nicht."}));
  EXPECT_EQ(h.RecordCount(), 0);
  EXPECT_FALSE(h.FirstLoad());
}

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
}

TEST_F(RequeryTest, HostRecordsetIsFilteredAndSortedInMemory) {
  VMGrid& g = MakeTyped();
  g.MaxRecords(500);
  g.AddRestriction("Ort", "Berlin", false, adVarChar);
  g.Requery();
  ASSERT_EQ(g.SQLWherePart(), "([Ort] = 'Berlin')");
  g.ClearRestriction("Ort");

  g.SettingsChanged(false);
  g.SetRS(HostRows("Nr, Name, Ort, Umsatz, 0 AS upsize_ts"));
  EXPECT_TRUE(g.ClientData());
  EXPECT_EQ(g.MaxRecords(), 0);
  EXPECT_TRUE(g.SettingsChanged());  // the removed limit is persisted
  ASSERT_EQ(g.GridFields().Count(), 4);
  EXPECT_EQ(g.GridFields().Item(4)->fieldname, "Umsatz");
  EXPECT_EQ(g.GridFields().Item(2)->datatype, adVarChar);
  EXPECT_EQ(g.GridFields().Item(2)->size, 50);

  TakeLog();
  g.AddRestriction("Name", "Mei*");
  g.Requery();
  EXPECT_EQ(Column("Name"), (std::vector<std::string>{"Meier", "Meiners"}));
  EXPECT_EQ(g.RecordCount(), 2);
  g.AddRestriction("Name", "");
  g.AddRestriction("Umsatz", "1000-");
  g.SortBy("Umsatz");
  g.Requery();
  EXPECT_EQ(Column("Name"), (std::vector<std::string>{"Schulz", "Meier", "Adler"}));
  EXPECT_TRUE(TakeLog().empty());  // the database is never asked
  EXPECT_EQ(g.SQLWherePart(), "([Ort] = 'Berlin')");
  EXPECT_TRUE(TakeMessages().empty());
}

TEST_F(RequeryTest, SetRsOfNothingTakesOverTheRowsShownIfThereAreAny) {
  VMGrid& g = MakeTyped();
  g.MaxRecords(100);
  g.SetRS(nullptr);  // no rows yet: nothing changes
  EXPECT_FALSE(g.ClientData());
  EXPECT_EQ(g.MaxRecords(), 100);
  g.Requery();
  EXPECT_EQ(Last(), "SELECT TOP 100 [Name],[Ort],[Nr] FROM [Kunden]");
  auto shown = g.CurrentRecordset();
  g.SetRS(nullptr);
  EXPECT_TRUE(g.ClientData());
  EXPECT_EQ(g.CurrentRecordset(), shown);
  EXPECT_EQ(g.MaxRecords(), 0);
  TakeLog();
  g.AddRestriction("Ort", "Hamburg");
  g.Requery();
  EXPECT_TRUE(TakeLog().empty());
  EXPECT_EQ(Column("Name"), (std::vector<std::string>{"Müller", "Adler"}));
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

TEST_F(RequeryTest, SortTheRecordsetRefusesInMemoryKeepsTheRows) {
  VMGrid& g = MakeTyped();
  g.SetRS(HostRows());
  g.SortBy("Name");
  g.SortAscending(true);
  g.Requery();
  g.SortBy("Unbekannt");
  g.Requery();
  EXPECT_EQ(TakeMessages(),
            (std::vector<std::string>{"Nach dieser Spalte kann nicht sortiert werden."}));
  EXPECT_EQ(g.SortBy(), "Name");
  EXPECT_EQ(g.RecordCount(), 8);
  EXPECT_EQ(Column("Name").front(), "Adler");
}

TEST_F(RequeryTest, ArrayRowsTakeOnlyAsManyFieldsAsColumns) {
  VMGrid& g = Make();
  g.RecordSource("");
  g.AddField("Nr", "", false, false, adInteger);
  g.AddField("Name", "", false, false, adVarChar, false, "", 50);
  g.AddField("Geburtstag", "", false, false, adDate);
  g.AddField("Ort", "", false, false, adVarChar, false, "", 40);
  auto xarr = std::make_shared<XArray>(5, 7, 2, 4);  // rows 5..7, columns 2..4
  const Variant cells[3][3] = {
      {1, "Meier", MakeDate(1960, 3, 1)}, {2, "Becker", ""}, {3, "Braun", "   "}};
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) xarr->Value(5 + r, 2 + c, cells[r][c]);
  TakeLog();
  g.SetArray(xarr);
  EXPECT_TRUE(TakeMessages().empty());
  EXPECT_TRUE(g.ClientData());
  auto rs = g.CurrentRecordset();
  ASSERT_NE(rs, nullptr);
  ASSERT_EQ(rs->FieldCount(), 3);
  EXPECT_EQ(rs->FieldName(2), "Geburtstag");
  EXPECT_EQ(rs->FieldType(2), adDate);
  g.Requery();
  EXPECT_EQ(g.RecordCount(), 3);
  EXPECT_EQ(Column("Name"), (std::vector<std::string>{"Meier", "Becker", "Braun"}));
  EXPECT_EQ(Column("Geburtstag"), (std::vector<std::string>{"1960-03-01", "", ""}));
  EXPECT_TRUE(rs->ValueAt(1, 2).IsBlank());
  g.AddRestriction("Name", "B*");
  g.Requery();
  EXPECT_EQ(Column("Nr"), (std::vector<std::string>{"2", "3"}));
  EXPECT_TRUE(TakeLog().empty());
  // An array without fields the grid knows shows no rows, and nothing is no array.
  VMGrid& h = Make();
  h.RecordSource("");
  h.SetArray(std::make_shared<XArray>(1, 2, 0, 1));
  EXPECT_TRUE(h.ClientData());
  h.Requery();
  EXPECT_EQ(h.RecordCount(), 0);
  h.SetArray(nullptr);
  EXPECT_TRUE(TakeMessages().empty());
}

TEST_F(RequeryTest, BindingSetsUpTheColumnsAndRestoresTheView) {
  VMGrid& g = Make();
  g.AddField("Name", "Kundenname", false, false, adVarChar);
  g.AddField("Name", "Anders");  // a second AddField changes nothing
  g.AddField({.name = "Ort", .caption = "Wohnort", .datatype = adVarChar});
  g.AddField("Nr", "", false, false, adInteger, true);
  g.Requery();
  ASSERT_EQ(main_.ColumnCount(), 3);
  EXPECT_EQ(main_.ColumnByField("Name")->Caption(), "Kundenname");
  EXPECT_EQ(main_.ColumnByField("Ort")->Caption(), "Wohnort");
  EXPECT_FALSE(main_.ColumnByField("Nr")->Visible());
  main_.LeftCol(1);
  platform_->screen.ClearHistory();
  g.Requery();
  EXPECT_EQ(main_.LeftCol(), 1);
  EXPECT_EQ(platform_->screen.PointerHistory().front(), kPointerHourglass);
  EXPECT_EQ(platform_->screen.MousePointer(), kPointerDefault);
  // Also after a failure the pointer returns and the first load is over.
  g.filter("Unbekannt = 1");
  g.Requery();
  EXPECT_EQ(platform_->screen.MousePointer(), kPointerDefault);
  EXPECT_FALSE(g.FirstLoad());
}

TEST_F(RequeryTest, WithoutAGridTheRowsAreStillLoaded) {
  VMGrid g;
  g.Connection(conn_);
  g.RecordSource("Kunden");
  g.AddField("Nr", "", false, false, adInteger);
  g.Requery();
  EXPECT_EQ(Last(), "SELECT [Nr] FROM [Kunden]");
  EXPECT_EQ(g.RecordCount(), 8);
  EXPECT_EQ(g.GetValue("Nr").ToText(), "");
  EXPECT_TRUE(g.SelectValue("Nr", 12));
}

}  // namespace
}  // namespace vmbgrid::testing
