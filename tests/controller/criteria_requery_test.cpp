// Criteria as the user sees them through Requery: the condition per data-type class
// in the statement sent, the German messages, and attempts to smuggle SQL structure
// through the search line under every class.
#include "search/search_row.h"
#include "tests/controller/controller_fixture.h"

namespace vmbgrid::testing {
namespace {

class Criteria : public ControllerTest {
 protected:
  // A fresh controller with one restriction typed under the field; the statement
  // sent and the number of rows.
  std::string Search(const std::string& field, const std::string& value,
                     int32_t type = kTypeUndetermined) {
    VMGrid& g = MakeTyped();
    g.AddRestriction(field, value, false, type);
    TakeLog();
    g.Requery();
    return Last();
  }
  static std::string Where(const std::string& condition) {
    return "SELECT [Name],[Ort],[Nr] FROM [Kunden] WHERE " + condition;
  }
  // No statement sent so far carries the text.
  void ExpectNeverSent(const std::string& part) { EXPECT_FALSE(LogContains(part)) << part; }
};

TEST_F(Criteria, NumbersRangesAndAlternatives) {
  EXPECT_EQ(Search("Nr", "5-10"), Where("([Nr] >= 5 AND [Nr] <= 10)"));
  EXPECT_EQ(Column("Nr"), (std::vector<std::string>{"5", "8", "9"}));
  EXPECT_EQ(Search("Nr", "-5"), Where("([Nr] <= 5)"));  // a leading minus is a range
  EXPECT_EQ(vm_->RecordCount(), 4);
  EXPECT_EQ(Search("Nr", "1,17"), Where("([Nr] = 1 OR [Nr] = 17)"));
  EXPECT_EQ(Search("Nr", ">=12"), Where("([Nr] >= 12)"));
  EXPECT_EQ(Column("Name"), (std::vector<std::string>{"O'Brien", "Zander"}));
  EXPECT_EQ(Search("Nr", "3-"), Where("([Nr] >= 3)"));
  EXPECT_EQ(Search("Nr", "-"), "SELECT [Name],[Ort],[Nr] FROM [Kunden]");
  EXPECT_TRUE(TakeMessages().empty());
}

TEST_F(Criteria, CommaIsTheDecimalPointInColumnsWithDecimals) {
  EXPECT_EQ(Search("Umsatz", "1000-2000"), Where("([Umsatz] >= 1000 AND [Umsatz] <= 2000)"));
  EXPECT_EQ(Column("Name"), (std::vector<std::string>{"Meier", "Adler"}));
  EXPECT_EQ(Search("Umsatz", "99,5"), Where("([Umsatz] = 99.5)"));
  EXPECT_EQ(Column("Name"), (std::vector<std::string>{"O'Brien"}));
  EXPECT_EQ(Search("Anzahl", "1,5"), Where("([Anzahl] = '1.5')"));
  EXPECT_EQ(vm_->RecordCount(), 0);
  EXPECT_EQ(Search("Anzahl", "1;5"), Where("([Anzahl] = '1' OR [Anzahl] = '5')"));
  EXPECT_EQ(vm_->RecordCount(), 3);
  EXPECT_EQ(Search("Betrag", "25-50"), Where("([Betrag] >= '25' AND [Betrag] <= '50')"));
  EXPECT_EQ(Column("Name"), (std::vector<std::string>{"Schulz", "O'Brien", "Becker"}));
  EXPECT_EQ(Search("Nr", "<-1"), Where("([Nr] < -1)"));
  EXPECT_EQ(vm_->RecordCount(), 0);
  EXPECT_TRUE(TakeMessages().empty());
}

TEST_F(Criteria, DatesAreCheckedAndWrittenInTheDataSourceForm) {
  EXPECT_EQ(Search("Geburtstag", "1.3.1960"), Where("([Geburtstag] = '1960-03-01')"));
  EXPECT_EQ(Column("Name"), (std::vector<std::string>{"Meier"}));
  EXPECT_EQ(Search("Geburtstag", "1.1.1970-31.12.1980"),
            Where("([Geburtstag] >= '1970-01-01' AND [Geburtstag] <= '1980-12-31')"));
  EXPECT_EQ(Column("Name"), (std::vector<std::string>{"Müller", "O'Brien", "Adler"}));
  EXPECT_TRUE(TakeMessages().empty());
}

TEST_F(Criteria, BooleansAndGuidsAreSingleUnbracketedComparisons) {
  EXPECT_EQ(Search("Aktiv", "-1"), Where("[Aktiv] = 1"));
  EXPECT_EQ(vm_->RecordCount(), 5);
  EXPECT_EQ(Search("Aktiv", "0"), Where("[Aktiv] = 0"));
  EXPECT_EQ(vm_->RecordCount(), 3);
  EXPECT_EQ(Search("Kennung", "{00000000-0000-0000-0000-000000000001}"),
            Where("[Kennung] = '{00000000-0000-0000-0000-000000000001}'"));
  EXPECT_TRUE(TakeMessages().empty());
}

TEST_F(Criteria, TextPatternsRangesListsAndLiterals) {
  EXPECT_EQ(Search("Name", "Mei*"), Where("([Name] LIKE 'Mei%')"));
  EXPECT_EQ(Column("Name"), (std::vector<std::string>{"Meier", "Meiners"}));
  EXPECT_EQ(Search("Name", "M?ier"), Where("([Name] LIKE 'M_ier')"));
  EXPECT_EQ(Search("Name", "A:C"), Where("([Name] >= 'A' AND [Name] <= 'C')"));
  EXPECT_EQ(Column("Name"), (std::vector<std::string>{"Becker", "Adler"}));
  EXPECT_EQ(Search("Name", "Meier,Schulz"), Where("([Name] = 'Meier' OR [Name] = 'Schulz')"));
  EXPECT_EQ(vm_->RecordCount(), 2);
  EXPECT_EQ(Search("Name", "\"Meier-Schulz, A\""), Where("([Name] = 'Meier-Schulz, A')"));
  EXPECT_EQ(Search("Name", "\"Mül*\""), Where("([Name] = 'Mül*')"));
  // Nothing to search for: no condition and no message.
  EXPECT_EQ(Search("Name", "ODER "), "SELECT [Name],[Ort],[Nr] FROM [Kunden]");
  EXPECT_EQ(Search("Name", "\"\""), "SELECT [Name],[Ort],[Nr] FROM [Kunden]");
  EXPECT_TRUE(TakeMessages().empty());
}

// Each refused criterion shows its message once, naming the column and the text,
// and the grid shows no rows for that search: no statement runs without it. The
// restriction keeps the text the user typed.
TEST_F(Criteria, RefusedCriteriaShowTheirMessageAndNoRows) {
  struct Case {
    const char* field;
    const char* typed;
    const char* message;
  };
  const Case cases[] = {
      {"Notiz", "Stamm*", "In der Spalte Notiz ist es nicht möglich zu suchen."},
      {"Nr", "1-2-3", "Bereichsangabe hat einen Fehler"},
      {"Nr", "5;1-2-3", "Bereichsangabe hat einen Fehler"},
      {"Name", "A*-M", "Die Zeichen * und ? sind in Bereichsangaben nicht möglich"},
      {"Name", "Meier;A-M?", "Die Zeichen * und ? sind in Bereichsangaben nicht möglich"},
      {"Nr", "1*", "Die Zeichen * und ? sind für numerische Datentypen nicht möglich"},
      {"Umsatz", "1?", "Die Zeichen * und ? sind für numerische Datentypen nicht möglich"},
      {"Nr", "=-5", "Mit \"=\" beginnt ein Platzhalter"},
      {"Name", "=1:Farbe", "Mit \"=\" beginnt ein Platzhalter"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.field) + " " + c.typed);
    VMGrid& g = MakeTyped();
    g.AddRestriction("Ort", "Berlin");
    g.AddRestriction(c.field, c.typed);  // type from the database, as the search line
    TakeLog();
    TakeMessages();
    g.Requery();
    ExpectNeverSent("FROM [Kunden] WHERE ([Ort] = 'Berlin')");
    const std::vector<std::string> shown = TakeMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].rfind(c.message, 0), 0u) << shown[0];
    EXPECT_NE(
        shown[0].find("\r\nSpalte " + std::string(c.field) + ", Suchkriterium '" + c.typed + "'"),
        std::string::npos)
        << shown[0];
    EXPECT_EQ(g.RecordCount(), 0);
    EXPECT_EQ(main_.RowCount(), 0);
    EXPECT_EQ(g.Restrictions().Item(c.field)->value.ToText(), c.typed);
  }
  // A placeholder a saved query can ask for gives no condition while it is typed.
  EXPECT_EQ(Search("Name", "=1:Text"), "SELECT [Name],[Ort],[Nr] FROM [Kunden]");
  EXPECT_TRUE(TakeMessages().empty());
}

TEST_F(Criteria, MessagesAreShownWithKindThree) {
  Search("Notiz", "x");
  ASSERT_EQ(MessageEntries().size(), 1u);
  EXPECT_EQ(MessageEntries()[0].kind, 3);
}

// Text cannot leave its literal: quotes are doubled, the result is not widened.
TEST_F(Criteria, InjectionUnderTextFindsNothing) {
  EXPECT_EQ(Search("Name", "x' OR '1'='1"), Where("([Name] = 'x'' OR ''1''=''1')"));
  EXPECT_EQ(vm_->RecordCount(), 0);
  EXPECT_EQ(Search("Name", "x*' OR ''='"), Where("([Name] LIKE 'x%'' OR ''''=''')"));
  EXPECT_EQ(vm_->RecordCount(), 0);
  // A range between two texts holding quotes: every name from A to Z but "Zander",
  // which sorts after "z' OR 1=1".
  EXPECT_EQ(Search("Name", "a'-z' OR 1=1"), Where("([Name] >= 'a''' AND [Name] <= 'z'' OR 1=1')"));
  EXPECT_EQ(vm_->RecordCount(), 7);
  EXPECT_EQ(Search("Name", "O'Brien"), Where("([Name] = 'O''Brien')"));
  EXPECT_EQ(vm_->RecordCount(), 1);
  ExpectNeverSent("'1'='1");
  EXPECT_TRUE(TakeMessages().empty());
}

// Values written without quotes (numbers, booleans) or checked before quoting
// (dates, GUIDs) are refused when they are not what the column holds: the user is
// told, nothing is sent, and no rows are shown.
TEST_F(Criteria, InjectionUnderUnquotedAndCheckedClassesIsRefused) {
  struct Case {
    const char* field;
    const char* typed;
    const char* message;
  };
  const Case cases[] = {
      {"Nr", "1 OR 1=1", "Der Wert '1 OR 1=1' in der Spalte Nr ist keine gültige Zahl."},
      {"Nr", "1;0) OR (1=1", "Der Wert '0) OR (1=1' in der Spalte Nr ist keine gültige Zahl."},
      {"Umsatz", "1 OR 1=1", "Der Wert '1 OR 1=1' in der Spalte Umsatz ist keine gültige Zahl."},
      {"Nr", ">0 OR 1=1", "Der Wert '0 OR 1=1' in der Spalte Nr ist keine gültige Zahl."},
      {"Geburtstag", "0 OR 1=1",
       "Der Wert '0 OR 1=1' in der Spalte Geburtstag ist kein gültiges Datum."},
      {"Geburtstag", "1.1.2000' OR '1'='1",
       "Der Wert '1.1.2000' OR '1'='1' in der Spalte Geburtstag ist kein gültiges Datum."},
      {"Aktiv", "1 OR 1=1",
       "Der Wert '1 OR 1=1' in der Spalte Aktiv ist kein gültiger Wahrheitswert."},
      {"Kennung", "x' OR '1'='1",
       "Der Wert 'x' OR '1'='1' in der Spalte Kennung ist keine gültige GUID."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.field) + " " + c.typed);
    VMGrid& g = MakeTyped();
    g.AddRestriction(c.field, c.typed);
    TakeLog();
    TakeMessages();
    g.Requery();
    ExpectNeverSent("1=1");
    EXPECT_EQ(TakeMessages(),
              (std::vector<std::string>{std::string("Fehler in Filter: ") + c.message}));
    EXPECT_EQ(g.RecordCount(), 0);
    EXPECT_EQ(main_.RowCount(), 0);
    ASSERT_NE(g.CurrentRecordset(), nullptr);
    EXPECT_EQ(g.CurrentRecordset()->State(), adStateClosed);
    // The next sane search works again.
    g.AddRestriction(c.field, "");
    g.Requery();
    EXPECT_EQ(g.RecordCount(), 8);
  }
  // The table is still there and whole.
  conn_->Execute("UPDATE Kunden SET Nr = Nr");
}

TEST_F(Criteria, StatementsCannotBeChainedThroughTheSearchLine) {
  Search("Nr", "1;DROP TABLE Kunden");
  ExpectNeverSent("DROP");
  EXPECT_EQ(Search("Name", "x'); DROP TABLE Kunden"),
            Where("([Name] = 'x'')' OR [Name] = 'DROP TABLE Kunden')"));
  EXPECT_EQ(vm_->RecordCount(), 0);
  TakeMessages();
  Search("Nr", "1");
  EXPECT_EQ(vm_->RecordCount(), 1);
}

// Through the search line itself: the typed cell becomes a restriction when the
// line is applied, and a refused value reaches the user, not the host.
TEST_F(Criteria, SearchLineAppliesTypedCellsSafely) {
  VMGrid& g = MakeTyped();
  g.SearchGrid(&search_);
  g.Requery();
  ASSERT_EQ(search_.ColumnCount(), 3);
  auto cells = g.SearchRowState().Array();
  ASSERT_NE(cells, nullptr);
  cells->Value(1, 2, Variant("1 OR 1=1"));
  g.SearchRowState().Dirty(true);
  TakeLog();
  TakeMessages();
  search_.PostMsg(5);
  EXPECT_NO_THROW(platform_->events.ProcessPendingEvents());
  ExpectNeverSent("1=1");
  EXPECT_EQ(TakeMessages(),
            (std::vector<std::string>{
                "Fehler in Filter: Der Wert '1 OR 1=1' in der Spalte Nr ist keine gültige Zahl."}));
  cells->Value(1, 2, Variant("17"));
  g.SearchRowState().Dirty(true);
  search_.PostMsg(5);
  platform_->events.ProcessPendingEvents();
  EXPECT_EQ(Column("Name"), (std::vector<std::string>{"O'Brien"}));
}

}  // namespace
}  // namespace vmbgrid::testing
