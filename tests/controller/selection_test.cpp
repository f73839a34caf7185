// Selection and value access: positioning by a key value (also beyond the row
// limit), the grid's selected rows, and the value arrays of current, selected and
// dragged rows.
#include <initializer_list>
#include <tuple>
#include <utility>

#include "tests/controller/controller_fixture.h"

namespace vmbgrid::testing {
namespace {

class Selection : public ControllerTest {
 protected:
  // Rows sorted by Nr: 1 2 3 5 8 9 12 17; the typed fields and any `more`.
  VMGrid& Loaded(std::initializer_list<std::pair<const char*, DataTypeEnum>> more = {}) {
    VMGrid& g = MakeTyped();
    for (const auto& [field, type] : more) g.AddField(field, "", false, false, type);
    g.SortBy("Nr");
    g.SortAscending(true);
    g.Requery();
    return g;
  }
  // Nr of every value array, in order.
  static std::vector<std::string> Numbers(const std::vector<XArray>& arrays) {
    std::vector<std::string> out;
    for (const XArray& a : arrays) out.push_back(a.Value(0, 1).ToTextOrEmpty());
    return out;
  }
  double RowY(int row) const { return main_.CellPoint(0, row).second; }
  // Adds the rows with these ordinals to the grid's selection, in this order.
  void Select(std::initializer_list<int32_t> ordinals) {
    for (int32_t r : ordinals) main_.AddSelected(BookmarkOf(r));
  }
  const std::vector<Variant> fields_{Variant("Nr"), Variant("Name")};
};

// Every kind of value finds its row, searched from the first row; an apostrophe is no
// end of text, and keys that are neither numbers nor short text (GUIDs, long text)
// are compared as quoted literals.
TEST_F(Selection, SelectValueFindsTheRowForEveryKindOfValue) {
  // clang-format off
  VMGrid& g = Loaded({{"Umsatz", adDouble}, {"Geburtstag", adDate}, {"Aktiv", adBoolean},
                      {"Kennung", adGUID}, {"Notiz", adLongVarChar}});
  const std::tuple<const char*, Variant, int> cases[] = {
      {"Nr", 17, 17}, {"Name", "O'Brien", 17}, {"Ort", "München", 5}, {"Nr", "9", 9},
      {"Umsatz", 99.5, 17}, {"Geburtstag", MakeDate(1990, 12, 24), 5}, {"Aktiv", false, 2},
      {"Aktiv", true, 1}, {"Kennung", "{00000000-0000-0000-0000-000000000001}", 1},
      {"Notiz", "Stammkunde", 1}};
  // clang-format on
  for (const auto& [field, value, nr] : cases) {
    SCOPED_TRACE(field);
    EXPECT_TRUE(g.SelectValue(field, value));
    EXPECT_EQ(g.GetValue("Nr").ToInt32(), nr);
  }
  EXPECT_EQ(main_.CurrentOrdinal(), 0);
  // The current row's values; an unknown field or no grid give empty text.
  MoveTo(2);
  EXPECT_EQ(g.GetValue("Name").ToText(), "Schulz");
  EXPECT_EQ(g.GetValue("nr").ToInt32(), 3);
  EXPECT_EQ(g.GetValue("Unbekannt").ToText(), "");
  EXPECT_EQ(VMGrid().GetValue("Nr").ToText(), "");
  // Empty text does not move and asks nothing.
  TakeLog();
  EXPECT_FALSE(g.SelectValue("Name", ""));
  EXPECT_EQ(main_.CurrentOrdinal(), 2);
  EXPECT_TRUE(TakeLog().empty());
  // Not there, no row limit: back to the first row.
  EXPECT_FALSE(g.SelectValue("Name", "Niemand"));
  EXPECT_EQ(main_.CurrentOrdinal(), 0);
  EXPECT_FALSE(g.SelectValue("Unbekannt", 1));
  EXPECT_FALSE(g.SelectValue("Kennung", "x' OR '1'='1"));
  EXPECT_TRUE(TakeMessages().empty());
}

TEST_F(Selection, SelectValueBeyondTheLimitWithoutHostFilter) {
  VMGrid& g = MakeTyped();
  g.MaxRecords(2);
  g.Requery();
  EXPECT_TRUE(g.SelectValue("Nr", 12));
  EXPECT_EQ(Last(),
            "SELECT TOP 2 [Name],[Ort],[Nr] FROM [Kunden] WHERE ([Nr] >= 12) ORDER BY [Nr] ASC");
  EXPECT_EQ(Column("Nr"), (std::vector<std::string>{"12", "17"}));
  EXPECT_EQ(main_.CurrentOrdinal(), 0);
  g.Requery();
  EXPECT_EQ(Last(), "SELECT TOP 2 [Name],[Ort],[Nr] FROM [Kunden] ORDER BY [Nr] ASC");
  // A value is never sent as structure.
  TakeLog();
  EXPECT_FALSE(g.SelectValue("Nr", "1 OR 1=1"));
  EXPECT_TRUE(TakeLog().empty());
  EXPECT_FALSE(g.SelectValue("Name", "x' OR '1'='1"));
  for (const auto& s : TakeLog()) EXPECT_EQ(s.find("'1'='1"), std::string::npos) << s;
  EXPECT_TRUE(TakeMessages().empty());
}

TEST_F(Selection, GetValuesCurrentRowFirstThenTheSelectionInItsOrder) {
  VMGrid& g = Loaded();
  MoveTo(1);
  std::vector<XArray> one = g.GetValues(fields_);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].LowerBound(1), 0);
  EXPECT_EQ(one[0].UpperBound(1), 1);
  EXPECT_EQ(one[0].Value(0, 0).ToText(), "Nr");
  EXPECT_EQ(one[0].Value(0, 1).ToInt32(), 2);
  EXPECT_EQ(one[0].Value(1, 0).ToText(), "Name");
  EXPECT_EQ(one[0].Value(1, 1).ToText(), "Müller");

  // The current row among three selected rows: three arrays in selection order.
  Select({4, 1, 6});
  EXPECT_EQ(Numbers(g.GetValues(fields_)), (std::vector<std::string>{"8", "2", "12"}));
  // Not among them: it comes first.
  MoveTo(0);
  EXPECT_EQ(Numbers(g.GetValues(fields_)), (std::vector<std::string>{"1", "8", "2", "12"}));
  EXPECT_THROW(g.GetValues({Variant("Unbekannt")}), VMError);
}

TEST_F(Selection, DraggingTakesTheRowOrTheWholeSelection) {
  VMGrid& g = Loaded();
  MoveTo(0);
  Select({2, 3});
  std::vector<XArray> dragged = g.GetValuesDragDrop(BookmarkOf(6), fields_);
  EXPECT_EQ(Numbers(dragged), (std::vector<std::string>{"12"}));
  EXPECT_EQ(main_.CurrentOrdinal(), 0);
  EXPECT_EQ(main_.SelectedCount(), 2);
  // A selected row dragged takes the whole selection, once.
  g.SelectNone();
  MoveTo(3);
  Select({1, 3, 5});
  dragged = g.GetValuesDragDrop(BookmarkOf(1), fields_);
  EXPECT_EQ(Numbers(dragged), (std::vector<std::string>{"2", "5", "9"}));
  EXPECT_EQ(main_.SelectedCount(), 3);
  EXPECT_EQ(main_.CurrentOrdinal(), 5);  // on the last selected row
  // The current row outside the selection joins it when it is dragged.
  MoveTo(0);
  dragged = g.GetValuesDragDrop(BookmarkOf(0), fields_);
  EXPECT_EQ(Numbers(dragged), (std::vector<std::string>{"2", "5", "9", "1"}));
  EXPECT_EQ(main_.SelectedCount(), 4);
}

TEST_F(Selection, SelectAllAndSelectNone) {
  VMGrid& g = Loaded();
  platform_->screen.ClearHistory();
  g.SelectAll();
  EXPECT_EQ(main_.SelectedCount(), 8);
  EXPECT_EQ(platform_->screen.PointerHistory(),
            (std::vector<int>{kPointerHourglass, kPointerDefault}));
  g.SelectNone();
  EXPECT_EQ(main_.SelectedCount(), 0);
  // After a filter only the rows of the result are selected.
  g.AddRestriction("Ort", "Berlin", false, adVarChar);
  g.Requery();
  g.SelectAll();
  EXPECT_EQ(main_.SelectedCount(), 3);
}

TEST_F(Selection, RowsUnderTheMouse) {
  VMGrid& g = Loaded();
  g.SelectRow(static_cast<int32_t>(RowY(2)));
  EXPECT_EQ(main_.CurrentOrdinal(), 2);
  EXPECT_EQ(main_.SelectedCount(), 0);
  g.SelectRow(static_cast<int32_t>(RowY(4)), true);
  g.SelectRow(static_cast<int32_t>(RowY(5)), true);
  EXPECT_EQ(main_.SelectedCount(), 2);
  EXPECT_EQ(main_.CurrentOrdinal(), 2);
  EXPECT_TRUE(g.IsRowSelected(static_cast<int32_t>(RowY(2))));  // the current row
  EXPECT_TRUE(g.IsRowSelected(static_cast<int32_t>(RowY(4))));
  EXPECT_FALSE(g.IsRowSelected(static_cast<int32_t>(RowY(6))));
  EXPECT_FALSE(g.IsRowSelected(100));  // the header
  g.SelectRow(100);
  EXPECT_EQ(main_.SelectedCount(), 2);
  // A plain click starts over.
  g.SelectRow(static_cast<int32_t>(RowY(7)));
  EXPECT_EQ(main_.SelectedCount(), 0);
  EXPECT_EQ(main_.CurrentOrdinal(), 7);
  EXPECT_TRUE(g.IsInDataArea(241));
  EXPECT_FALSE(g.IsInDataArea(240));
}

}  // namespace
}  // namespace vmbgrid::testing
