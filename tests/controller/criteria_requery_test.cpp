// Criteria as the user sees them through Requery: the condition per data-type class
// in the statement sent, the German messages, and attempts to smuggle SQL structure
// through the search line under every class.
#include <tuple>

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
};

// Each refused criterion shows its message once, naming the column and the text,
// and the grid shows no rows for that search: no statement runs without it. The
// restriction keeps the text the user typed, and the next sane search works again.
// Values written without quotes (numbers, booleans) or checked before quoting
// (dates, GUIDs) are refused when they are not what the column holds, so no SQL
// reaches the statement through them.
TEST_F(Criteria, RefusedCriteriaShowTheirMessageAndNoRows) {
  const std::tuple<const char*, const char*, std::string> cases[] = {
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
  for (const auto& [field, typed, message] : cases) {
    SCOPED_TRACE(std::string(field) + " " + typed);
    VMGrid& g = MakeTyped();
    g.AddRestriction("Ort", "Berlin");
    g.AddRestriction(field, typed);  // type from the database, as the search line
    TakeLog();
    TakeMessages();
    g.Requery();
    // No statement sent carries the restriction alone or the smuggled text.
    for (const char* part : {"FROM [Kunden] WHERE ([Ort] = 'Berlin')", "1=1", "DROP"})
      EXPECT_FALSE(LogContains(part)) << part;
    ASSERT_FALSE(MessageEntries().empty());
    EXPECT_EQ(MessageEntries()[0].kind, 3);
    const std::vector<std::string> shown = TakeMessages();
    ASSERT_EQ(shown.size(), 1u);
    if (message.rfind("Der Wert", 0) == 0) {
      EXPECT_EQ(shown[0], std::string("Fehler in Filter: ") + message);
    } else {
      EXPECT_EQ(shown[0].rfind(message, 0), 0u) << shown[0];
      EXPECT_NE(
          shown[0].find("\r\nSpalte " + std::string(field) + ", Suchkriterium '" + typed + "'"),
          std::string::npos)
          << shown[0];
    }
    EXPECT_EQ(g.RecordCount(), 0);
    EXPECT_EQ(main_.RowCount(), 0);
    ASSERT_NE(g.CurrentRecordset(), nullptr);
    EXPECT_EQ(g.CurrentRecordset()->State(), adStateClosed);
    EXPECT_EQ(g.Restrictions().Item(field)->value.ToText(), typed);
    g.AddRestriction(field, "");
    g.Requery();
    EXPECT_EQ(g.RecordCount(), 3);
  }
  // The table is still there and whole.
  conn_->Execute("UPDATE Kunden SET Nr = Nr");
  // A placeholder a saved query can ask for gives no condition while it is typed.
  EXPECT_EQ(Search("Name", "=1:Text"), "SELECT [Name],[Ort],[Nr] FROM [Kunden]");
  // Quotes in text stay inside the literal: no widened result, the one row found.
  EXPECT_EQ(Search("Name", "x' OR '1'='1"), Where("([Name] = 'x'' OR ''1''=''1')"));
  EXPECT_EQ(Search("Name", "O'Brien"), Where("([Name] = 'O''Brien')"));
  EXPECT_EQ(vm_->RecordCount(), 1);
  EXPECT_TRUE(TakeMessages().empty());
}

}  // namespace
}  // namespace vmbgrid::testing
