// Value maps (display, search, sort, layouts) and the editing commands on the
// headless front end: clipboard, undo, auto-size and rows copied for a spreadsheet.
#include <filesystem>
#include <tuple>

#include "layout/layout_store.h"
#include "search/search_row.h"
#include "tests/controller/controller_fixture.h"
#include "tests/raised.h"

namespace vmbgrid::testing {
namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

// A map component as a host registers it: pairs by index, optionally failing.
class StatusMap : public Component {
 public:
  StatusMap(int first, Pairs pairs, int failAt = -1)
      : first_(first), pairs_(std::move(pairs)), failAt_(failAt) {}
  Variant Invoke(const std::string& member, std::vector<Variant>& args) override {
    if (member == "FirstIndex") return Variant(int32_t{first_});
    if (member == "LastIndex") return Variant(static_cast<int32_t>(first_ + pairs_.size()) - 1);
    const int i = args.at(0).ToInt32();
    if (i == failAt_) throw VMError(5, "StatusMap", "kaputt");
    const auto& p = pairs_.at(static_cast<size_t>(i - first_));
    return Variant(member == "Key" ? p.first : p.second);
  }
  void SetProperty(const std::string&, const Variant&) override {}

 private:
  int first_;
  Pairs pairs_;
  int failAt_;
};

class EditingTest : public ControllerTest {
 protected:
  void SetUp() override {
    ControllerTest::SetUp();
    conn_->Execute("ALTER TABLE Kunden ADD COLUMN Status INTEGER");
    conn_->Execute("UPDATE Kunden SET Status = CASE WHEN Nr < 5 THEN 1 ELSE 2 END");
    conn_->Execute("UPDATE Kunden SET Status = 3 WHERE Nr = 12");
    for (HeadlessGrid* grid : {&search_, &main_, &sum_}) platform_->form.AddGrid(*grid);
    platform_->form.AddControl("txtNotiz");
  }

  // MakeWithStatus() loaded in the order of Nr, its cells drawn.
  VMGrid& LoadedByNr() {
    VMGrid& g = MakeWithStatus();
    g.SortBy("Nr");
    g.SortAscending(true);
    g.Requery();
    Settle();
    return g;
  }

  VMGrid& MakeWithStatus() {
    VMGrid& g = MakeTyped();
    g.AddField("Status", "", false, false, adInteger);
    g.AddPrimaryKeyRestriction("Nr", "", false, adInteger);
    g.SearchGrid(&search_);
    g.AddValue("Status", Variant(int32_t{1}), Variant("Neu"));
    g.AddValue("Status", Variant(int32_t{2}), Variant("Stammkunde"));
    g.AddValue("Status", Variant("1"), Variant("Doppelt"));  // same stored value: ignored
    return g;
  }

  std::vector<std::string> Shown(const std::string& field) {
    std::vector<std::string> out;
    GridColumn* c = main_.ColumnByField(field);
    for (int r = 0; c && r < main_.RowCount(); ++r) out.push_back(main_.CellText(r, c->Index()));
    return out;
  }

  void Settle() { platform_->events.ProcessPendingEvents(); }
  HeadlessClipboard& Clip() { return platform_->clipboard; }
};

TEST_F(EditingTest, CodesShowAsTextsAreSearchedByTextAndSurviveSortAndLayouts) {
  VMGrid& g = LoadedByNr();
  // Nr 1 2 3 5 8 9 12 17: a code without a text shows the code.
  EXPECT_EQ(Shown("Status"),
            (std::vector<std::string>{"Neu", "Neu", "Neu", "Stammkunde", "Stammkunde", "Stammkunde",
                                      "3", "Stammkunde"}));
  // The search line translates its cells the same way.
  ASSERT_NE(search_.ColumnByField("Status"), nullptr);
  EXPECT_TRUE(search_.ColumnByField("Status")->Translate());

  TakeLog();
  g.setze_search("Status", "Stammkunde");
  g.Requery();
  EXPECT_NE(Last().find("[Status] = 2"), std::string::npos);
  EXPECT_EQ(Column("Nr"), (std::vector<std::string>{"5", "8", "9", "17"}));

  // A text that is no stored value reaches no SQL: a German message, no statement.
  g.setze_search("Status", "Kein Kunde' OR 1=1");
  TakeMessages();
  g.Requery();
  EXPECT_EQ(Last().find("OR 1=1"), std::string::npos);
  auto messages = TakeMessages();
  ASSERT_FALSE(messages.empty());
  EXPECT_NE(messages.back().find("keine gültige Zahl"), std::string::npos);

  // Sorting orders by the stored code; the rows keep their texts.
  g.ClearSearch(true);
  g.SortBy("Status");
  g.SortAscending(false);
  g.Requery();
  ASSERT_EQ(Shown("Status").size(), 8u);
  EXPECT_EQ(Shown("Status").front(), "3");
  EXPECT_EQ(Shown("Status").back(), "Neu");

  // Through a saved and reloaded layout, and after a requery.
  const auto dir = std::filesystem::temp_directory_path() / "vmbgrid_editing_layouts";
  std::filesystem::create_directories(dir);
  g.LayoutFile((dir / "Kunden").string());
  g.Layouts().SaveLayout("Status");
  ASSERT_TRUE(g.Layouts().LoadAndApply("Status"));
  Settle();
  EXPECT_EQ(Shown("Status").back(), "Neu");
  g.Requery();
  Settle();
  EXPECT_EQ(Shown("Status").back(), "Neu");
  std::filesystem::remove_all(dir);
}

TEST_F(EditingTest, AddMapAddsEveryPairOrNoneAndPassesErrorsOn) {
  VMGrid& g = MakeTyped();
  g.AddField("Status", "", false, false, adInteger);
  auto& components = platform_->components;
  components.Register("Test.Leer", [] { return std::make_shared<StatusMap>(5, Pairs{}); });
  components.Register("Test.Status", [] {
    return std::make_shared<StatusMap>(1, Pairs{{"1", "Neu"}, {"2", "Stammkunde"}});
  });
  components.Register("Test.Kaputt", [] {
    return std::make_shared<StatusMap>(1, Pairs{{"1", "Neu"}, {"2", "x"}}, 2);
  });

  g.AddMap("Status", "");
  EXPECT_TRUE(components.Requested().empty());
  g.AddMap("Unbekannt", "Test.Leer");  // first index beyond the last: nothing, no error
  EXPECT_EQ(g.GridFields().Item("Status")->valuelist, nullptr);

  EXPECT_THROW(g.AddMap("Status", "Test.Kaputt"), VMError);
  EXPECT_EQ(g.GridFields().Item("Status")->valuelist, nullptr);  // nothing half-added
  EXPECT_EQ(Raised([&] { g.AddMap("Status", "Gibt.Es.Nicht"); }).Number(),
            errc::kCannotCreateObject);
  EXPECT_THROW(g.AddMap("Unbekannt", "Test.Status"), VMError);
  EXPECT_THROW(g.AddValue("Unbekannt", Variant(1), Variant("x")), VMError);

  g.AddMap("Status", "Test.Status");
  const auto& list = *g.GridFields().Item("Status")->valuelist;
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Find("2")->display, Variant("Stammkunde"));
  g.Requery();
  const std::vector<std::string> shown = Shown("Status");
  EXPECT_EQ(shown.size(), 8u);
  EXPECT_NE(std::find(shown.begin(), shown.end(), "Stammkunde"), shown.end());
}

TEST_F(EditingTest, CutCopyPasteAndUndoWorkOnTheFocusedCell) {
  VMGrid& g = MakeWithStatus();
  g.AddField("Plz", "", false, false, adVarChar);
  g.ReadOnly(false);
  g.Requery();
  Settle();
  const int ort = main_.ColumnByField("Ort")->Index();
  MoveTo(0);
  const std::string city = main_.CellText(0, ort);

  // Focus outside the three grids: nothing happens.
  platform_->form.FocusControl("txtNotiz");
  Clip().SetText("vorher");
  g.Copy();
  g.Cut();
  g.Paste();
  EXPECT_EQ(Clip().GetText(), "vorher");
  EXPECT_FALSE(main_.EditActive());

  // The grid taking the focus goes to its first column; the cell is chosen after.
  platform_->form.FocusControl("grdKunden");
  main_.Col(ort);
  g.Copy();
  EXPECT_EQ(Clip().GetText(), city);
  g.Cut();
  EXPECT_EQ(main_.EditText(), "");
  g.Paste();  // cut then paste restores the text
  EXPECT_EQ(main_.EditText(), city);
  g.Paste();  // paste appends
  EXPECT_EQ(main_.EditText(), city + city);
  g.Undo();
  EXPECT_FALSE(main_.EditActive());
  EXPECT_FALSE(main_.DataChanged());
  EXPECT_EQ(main_.CellText(0, ort), city);
  g.Undo();  // nothing left to undo
  EXPECT_EQ(main_.CellText(0, ort), city);

  // Umlauts, tabs and line breaks travel unchanged into a search cell.
  const std::string odd = "Grüße\taus\nKöln \"Süd\"";
  platform_->form.FocusControl("grdSuche");
  search_.Col(search_.ColumnByField("Name")->Index());
  Clip().SetText(odd);
  g.Paste();
  EXPECT_EQ(search_.EditText(), odd);
  g.Copy();
  EXPECT_EQ(Clip().GetText(), odd);
  g.Undo();

  // Text too long for the column (Plz holds five characters), or no number in a
  // number column, stays in the editor with a message; the row keeps its value.
  platform_->form.FocusControl("grdKunden");
  for (const auto& [field, typed, said] :
       {std::tuple{"Plz", "123456789", "\"Plz\" zu lang (höchstens 5 Zeichen)"},
        std::tuple{"Nr", "a", "passt nicht"}}) {
    SCOPED_TRACE(field);
    ASSERT_NE(main_.ColumnByField(field), nullptr);
    const int col = main_.ColumnByField(field)->Index();
    const std::string before = main_.CellText(0, col);
    main_.Col(col);
    Clip().SetText(typed);
    g.Paste();
    TakeMessages();
    main_.CommitEdit();
    OneMessage(said);
    EXPECT_TRUE(main_.EditActive());
    g.Undo();
    EXPECT_EQ(main_.CellText(0, col), before);
    EXPECT_EQ(Column(field).front(), before);
  }
}

TEST_F(EditingTest, ReadOnlyGridIsCopiedButNeverChangedAndAFormIsRequired) {
  VMGrid& g = MakeWithStatus();
  g.Requery();  // read-only by default
  const int name = main_.ColumnByField("Name")->Index();
  MoveTo(1);
  main_.Col(name);
  const std::string text = main_.CellText(1, name);
  platform_->form.FocusControl("grdKunden");
  g.Cut();
  EXPECT_EQ(Clip().GetText(), text);
  g.Paste();
  EXPECT_FALSE(main_.DataChanged());
  EXPECT_EQ(main_.CellText(1, name), text);

  Platform::Install(static_cast<HostForm*>(nullptr));
  EXPECT_THROW(g.Copy(), VMError);
}

TEST_F(EditingTest, SelectedRowsGoToTheClipboardAsSpreadsheetLines) {
  conn_->Execute("UPDATE Kunden SET Name = 'Tab\tund \"Zitat\"' WHERE Nr = 2");
  conn_->Execute("UPDATE Kunden SET Ort = 'Zeile\nzwei' WHERE Nr = 3");
  VMGrid& g = LoadedByNr();
  // Ort moves first; a hidden column is left out.
  main_.ColumnByField("Ort")->Order(0);
  main_.ColumnByField("Nr")->Visible(false);
  // Selected out of order: copied in the order shown.
  for (int32_t r : {2, 0, 1}) main_.AddSelected(BookmarkOf(r));
  g.CopyRows();
  EXPECT_EQ(Clip().GetText(),
            "Berlin\tMeier\tNeu\n"
            "Hamburg\t\"Tab\tund \"\"Zitat\"\"\"\tNeu\n"
            "\"Zeile\nzwei\"\tSchulz\tNeu\n");

  // Without a selection: the current row.
  g.SelectNone();
  MoveTo(3);
  g.CopyRows();
  EXPECT_EQ(Clip().GetText(), "München\tBecker\tStammkunde\n");
}

TEST_F(EditingTest, AutoSizeFitsTheColumnsAndTheSearchLineFollows) {
  VMGrid& g = MakeWithStatus();
  g.Requery();
  Settle();
  GridColumn& name = *main_.ColumnByField("Name");
  name.Width(100);
  main_.ColumnByField("Ort")->Width(100);
  g.AutoSizeColumn(name.Index());
  EXPECT_GT(name.Width(), 100);
  EXPECT_EQ(main_.ColumnByField("Ort")->Width(), 100);
  g.AutoSizeColumns();
  EXPECT_GT(main_.ColumnByField("Ort")->Width(), 100);
  EXPECT_EQ(search_.ColumnByField("Ort")->Width(), main_.ColumnByField("Ort")->Width());
  g.AutoSizeColumn(99);  // no such column: nothing
}

}  // namespace
}  // namespace vmbgrid::testing
