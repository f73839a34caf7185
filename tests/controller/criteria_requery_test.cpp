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

// The condition of each class of column as sent, and the rows the database finds by
// it; quotes in text stay inside the literal and do not widen the result.
TEST_F(Criteria, AcceptedCriteriaAreSentInTheirShapeAndFindTheirRows) {
  struct Case {
    const char* field;
    const char* typed;
    const char* condition;  // "" for none
    int rows;               // -1: not counted
  };
  const Case cases[] = {
      {"Nr", "5-10", "([Nr] >= 5 AND [Nr] <= 10)", 3},
      {"Nr", "-5", "([Nr] <= 5)", 4},  // a leading minus is a range
      {"Nr", "1,17", "([Nr] = 1 OR [Nr] = 17)", 2},
      {"Nr", "3-", "([Nr] >= 3)", 6},
      {"Nr", "-", "", 8},
      {"Nr", "<-1", "([Nr] < -1)", 0},
      // The comma is the decimal point in columns with decimals.
      {"Umsatz", "1000-2000", "([Umsatz] >= 1000 AND [Umsatz] <= 2000)", 2},
      {"Umsatz", "99,5", "([Umsatz] = 99.5)", 1},
      {"Anzahl", "1,5", "([Anzahl] = '1.5')", 0},
      {"Anzahl", "1;5", "([Anzahl] = '1' OR [Anzahl] = '5')", 3},
      {"Betrag", "25-50", "([Betrag] >= '25' AND [Betrag] <= '50')", 3},
      // Dates are checked and written in the data source's form.
      {"Geburtstag", "1.3.1960", "([Geburtstag] = '1960-03-01')", 1},
      {"Geburtstag", "1.1.1970-31.12.1980",
       "([Geburtstag] >= '1970-01-01' AND [Geburtstag] <= '1980-12-31')", 3},
      // Booleans and GUIDs are single comparisons without brackets.
      {"Aktiv", "-1", "[Aktiv] = 1", 5},
      {"Aktiv", "0", "[Aktiv] = 0", 3},
      {"Kennung", "{00000000-0000-0000-0000-000000000001}",
       "[Kennung] = '{00000000-0000-0000-0000-000000000001}'", -1},
      {"Name", "Mei*", "([Name] LIKE 'Mei%')", 2},
      {"Name", "M?ier", "([Name] LIKE 'M_ier')", 1},
      {"Name", "A:C", "([Name] >= 'A' AND [Name] <= 'C')", 2},
      {"Name", "Meier,Schulz", "([Name] = 'Meier' OR [Name] = 'Schulz')", 2},
      {"Name", "\"Meier-Schulz, A\"", "([Name] = 'Meier-Schulz, A')", 0},
      {"Name", "\"Mül*\"", "([Name] = 'Mül*')", 0},
      {"Name", "ODER ", "", 8},  // nothing to search for
      {"Name", "\"\"", "", 8},
      {"Name", "x' OR '1'='1", "([Name] = 'x'' OR ''1''=''1')", 0},
      {"Name", "x*' OR ''='", "([Name] LIKE 'x%'' OR ''''=''')", 0},
      // Every name from A to Z but "Zander", which sorts after "z' OR 1=1".
      {"Name", "a'-z' OR 1=1", "([Name] >= 'a''' AND [Name] <= 'z'' OR 1=1')", 7},
      {"Name", "O'Brien", "([Name] = 'O''Brien')", 1},
      // A second statement stays part of the literals.
      {"Name", "x'); DROP TABLE Kunden", "([Name] = 'x'')' OR [Name] = 'DROP TABLE Kunden')", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.field) + " " + c.typed);
    EXPECT_EQ(Search(c.field, c.typed),
              *c.condition ? Where(c.condition) : "SELECT [Name],[Ort],[Nr] FROM [Kunden]");
    if (c.rows >= 0) {
      EXPECT_EQ(vm_->RecordCount(), c.rows);
    }
  }
  ExpectNeverSent("'1'='1");
  EXPECT_EQ(Search("Nr", ">=12"), Where("([Nr] >= 12)"));
  EXPECT_EQ(Column("Name"), (std::vector<std::string>{"O'Brien", "Zander"}));
  EXPECT_TRUE(TakeMessages().empty());
}

// Each refused criterion shows its message once, naming the column and the text,
// and the grid shows no rows for that search: no statement runs without it. The
// restriction keeps the text the user typed, and the next sane search works again.
// Values written without quotes (numbers, booleans) or checked before quoting
// (dates, GUIDs) are refused when they are not what the column holds, so no SQL
// reaches the statement through them.
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
      // The checked classes say which value is not of the column's kind.
      {"Nr", "1 OR 1=1", "Der Wert '1 OR 1=1' in der Spalte Nr ist keine gültige Zahl."},
      {"Nr", "1;0) OR (1=1", "Der Wert '0) OR (1=1' in der Spalte Nr ist keine gültige Zahl."},
      {"Nr", "1;DROP TABLE Kunden",
       "Der Wert 'DROP TABLE Kunden' in der Spalte Nr ist keine gültige Zahl."},
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
    g.AddRestriction("Ort", "Berlin");
    g.AddRestriction(c.field, c.typed);  // type from the database, as the search line
    TakeLog();
    TakeMessages();
    g.Requery();
    ExpectNeverSent("FROM [Kunden] WHERE ([Ort] = 'Berlin')");
    ExpectNeverSent("1=1");
    ExpectNeverSent("DROP");
    ASSERT_FALSE(MessageEntries().empty());
    EXPECT_EQ(MessageEntries()[0].kind, 3);
    const std::vector<std::string> shown = TakeMessages();
    ASSERT_EQ(shown.size(), 1u);
    if (std::string(c.message).rfind("Der Wert", 0) == 0) {
      EXPECT_EQ(shown[0], std::string("Fehler in Filter: ") + c.message);
    } else {
      EXPECT_EQ(shown[0].rfind(c.message, 0), 0u) << shown[0];
      EXPECT_NE(
          shown[0].find("\r\nSpalte " + std::string(c.field) + ", Suchkriterium '" + c.typed + "'"),
          std::string::npos)
          << shown[0];
    }
    EXPECT_EQ(g.RecordCount(), 0);
    EXPECT_EQ(main_.RowCount(), 0);
    ASSERT_NE(g.CurrentRecordset(), nullptr);
    EXPECT_EQ(g.CurrentRecordset()->State(), adStateClosed);
    EXPECT_EQ(g.Restrictions().Item(c.field)->value.ToText(), c.typed);
    g.AddRestriction(c.field, "");
    g.Requery();
    EXPECT_EQ(g.RecordCount(), 3);
  }
  // The table is still there and whole.
  conn_->Execute("UPDATE Kunden SET Nr = Nr");
  // A placeholder a saved query can ask for gives no condition while it is typed.
  EXPECT_EQ(Search("Name", "=1:Text"), "SELECT [Name],[Ort],[Nr] FROM [Kunden]");
  EXPECT_TRUE(TakeMessages().empty());
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
