// The input table on a headless grid: rows from the fields, typed values written
// back with their types, and bad input refused as a whole.
#include <gtest/gtest.h>

#include "adapters/headless/headless.h"
#include "grid/field_input_grid.h"
#include "host/error.h"

namespace vmbgrid::testing {
namespace {

class FieldInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform_ = &InstallHeadlessPlatform();
    input_.Init(0, &grid_);
  }
  void TearDown() override { ResetHeadlessPlatform(); }

  // Types into the value cell of a row (0-based) and commits.
  bool Type(int row, const std::string& text) {
    grid_.Bookmark(Variant(int32_t{row + 1}));
    return grid_.EditCell(1, text);
  }
  Variant ValueOf(const std::string& name) { return input_.Fields().Item(name)->value; }

  HeadlessPlatform* platform_ = nullptr;
  HeadlessGrid grid_{"grdEingabe"};
  VMFieldInputGrid input_;
};

TEST_F(FieldInputTest, ShowsTheVisibleFieldsAndWritesTypedValuesBack) {
  input_.AddField("Name", "Name des Kunden", Variant("Meier"));
  input_.AddField("Name", "Doppelt", Variant("x"));  // the first field stays
  input_.AddField("Geheim", "", Variant("bleibt"), adVarChar, true);
  input_.AddField("Menge", "Menge", Variant(int32_t{1}), adInteger);
  input_.AddField("Preis", "Preis", Variant(), adDouble);
  input_.AddField("Lieferung", "Liefertag", Variant(), adDate);
  input_.AddField("Eilig", "Eilig", Variant(false), adBoolean);
  input_.AddField("Betrag", "Betrag", Variant(), adNumeric);
  input_.AddField("Gross", "Gross", Variant(), adBigInt);
  EXPECT_EQ(input_.Fields().Count(), 8);
  EXPECT_EQ(input_.Fields().Item("Name")->datatype, adVarChar);
  EXPECT_EQ(input_.Fields().Item("Name")->caption, "Name des Kunden");
  input_.Refresh();

  ASSERT_EQ(grid_.RowCount(), 7);
  EXPECT_EQ(grid_.CellText(0, 0), "Name des Kunden");
  EXPECT_EQ(grid_.CellText(0, 1), "Meier");
  EXPECT_FALSE(grid_.Column(2).Visible());  // the field names stay out of sight

  int row = 0;
  for (const char* text :
       {"Müller-Lüdenscheidt", "12", "1,5", "24.12.2026", "ja", "0,10", "9007199254740993"})
    EXPECT_TRUE(Type(row++, text)) << text;
  ASSERT_TRUE(input_.Update());
  EXPECT_EQ(ValueOf("Betrag").Type(), VarType::Decimal);
  EXPECT_EQ(ValueOf("Betrag").ToText(), "0.10") << "exactly, with the scale typed";
  for (const auto& [name, value] : {std::pair{"Gross", Variant(int64_t{9007199254740993})},
                                    {"Name", Variant("Müller-Lüdenscheidt")},
                                    {"Menge", Variant(int32_t{12})},
                                    {"Preis", Variant(1.5)},
                                    {"Lieferung", Variant(MakeDate(2026, 12, 24))},
                                    {"Eilig", Variant(true)},
                                    {"Geheim", Variant("bleibt")}})
    EXPECT_EQ(ValueOf(name), value) << name;
  EXPECT_EQ(ValueOf("Menge").Type(), VarType::Int32);

  // A cleared number is no value; a pending edit is committed by Update.
  grid_.Bookmark(Variant(int32_t{2}));
  grid_.Col(1);
  grid_.SetProperty(67, Variant(""));
  ASSERT_TRUE(input_.Update());
  EXPECT_TRUE(ValueOf("Menge").IsNull());

  // The hidden name cell typed over sends no value to another field; a field removed
  // after Refresh, or no grid at all, raises.
  ASSERT_TRUE(Type(0, "neu"));
  grid_.Bookmark(Variant(int32_t{1}));
  grid_.EditCell(2, "Geheim");
  ASSERT_TRUE(input_.Update());
  EXPECT_EQ(ValueOf("Name"), Variant("neu"));
  EXPECT_EQ(ValueOf("Geheim"), Variant("bleibt"));
  input_.Fields().Remove("Preis");
  EXPECT_THROW(input_.Update(), VMError);
  EXPECT_THROW(VMFieldInputGrid().Refresh(), VMError);
}

TEST_F(FieldInputTest, BadValuesWriteNothingAndSayWhy) {
  input_.AddField("Name", "Name", Variant("Meier"));
  input_.Fields().Item("Name")->size = 5;
  input_.AddField("Menge", "Menge", Variant(int32_t{1}), adInteger);
  input_.AddField("Klein", "Klein", Variant(), adSmallInt);
  input_.AddField("Tag", "Tag", Variant(), adDate);
  input_.AddField("Eilig", "Eilig", Variant(), adBoolean);
  input_.Refresh();

  struct Case {
    int row;
    std::string text, message;
  };
  const Case cases[] = {
      {0, "Zu langer Name", "Der Text für Name ist länger als 5 Zeichen."},
      {1, "zwölf", "Der Wert 'zwölf' für Menge ist keine gültige Zahl."},
      {1, "1,5", "Der Wert '1,5' für Menge ist keine ganze Zahl."},
      {2, "70000", "Der Wert '70000' für Klein ist zu groß oder zu klein."},
      {3, "31.2.2026", "Der Wert '31.2.2026' für Tag ist kein gültiges Datum."},
      {4, "vielleicht", "Der Wert 'vielleicht' für Eilig ist weder Ja noch Nein."},
  };
  for (const Case& c : cases) {
    input_.Refresh();
    // A good value in the first row must not be written when a later one is bad.
    if (c.row != 0) {
      ASSERT_TRUE(Type(0, "Kurz"));
    }
    ASSERT_TRUE(Type(c.row, c.text));
    platform_->messages.clear();
    EXPECT_FALSE(input_.Update()) << c.text;
    EXPECT_EQ(platform_->messages.texts(), std::vector<std::string>{c.message});
    EXPECT_EQ(ValueOf("Name"), Variant("Meier")) << c.text;
    EXPECT_EQ(ValueOf("Menge"), Variant(int32_t{1})) << c.text;
    EXPECT_EQ(grid_.CurrentOrdinal(), c.row);  // the cursor shows the bad value
  }
}

}  // namespace
}  // namespace vmbgrid::testing
