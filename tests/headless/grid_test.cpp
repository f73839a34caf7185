#include <gtest/gtest.h>

#include <functional>

#include "adapters/headless/headless.h"
#include "data/provider.h"
#include "host/error.h"

namespace vmbgrid {
namespace {

// Logs the notifications by name, in order.
struct Log : GridListener {
  std::vector<std::string> events;
  bool cancelResize = false, cancelRowChange = false;
  int consumeKey = -1;
  void GotFocus(GridControl&) override { events.push_back("GotFocus"); }
  void LostFocus(GridControl&) override { events.push_back("LostFocus"); }
  void DblClick(GridControl&) override { events.push_back("DblClick"); }
  void AfterColUpdate(GridControl&, int c) override {
    events.push_back("AfterColUpdate " + std::to_string(c));
  }
  void AfterUpdate(GridControl&) override { events.push_back("AfterUpdate"); }
  void AfterInsert(GridControl&) override { events.push_back("AfterInsert"); }
  void AfterDelete(GridControl&) override { events.push_back("AfterDelete"); }
  std::function<void(GridControl&)> onAddNew;
  // The events without the typing (key presses and changes) that led to them.
  std::vector<std::string> Updates() const {
    std::vector<std::string> out;
    for (const auto& e : events)
      if (e.rfind("Key", 0) != 0 && e != "Change") out.push_back(e);
    return out;
  }
  void OnAddNew(GridControl& g) override {
    events.push_back("OnAddNew");
    if (onAddNew) onAddNew(g);
  }
  void ColResize(GridControl&, int c, bool& cancel) override {
    events.push_back("ColResize " + std::to_string(c));
    cancel = cancelResize;
  }
  void BeforeRowChangeRequest(GridControl&, bool& cancel) override {
    events.push_back("BeforeRowChangeRequest");
    cancel = cancelRowChange;
  }
  void MouseDown(GridControl&, int b, int, double, double) override {
    events.push_back("MouseDown " + std::to_string(b));
  }
  void MouseUp(GridControl&, int b, int, double, double) override {
    events.push_back("MouseUp " + std::to_string(b));
  }
  void KeyDown(GridControl&, int& k, int&) override {
    events.push_back("KeyDown " + std::to_string(k));
    if (k == consumeKey) k = 0;
  }
  void KeyPress(GridControl&, int& k) override {
    events.push_back("KeyPress " + std::to_string(k));
  }
  void KeyUp(GridControl&, int& k, int&) override {
    events.push_back("KeyUp " + std::to_string(k));
  }
  void Change(GridControl&) override { events.push_back("Change"); }
  void LeftColChange(GridControl&) override { events.push_back("LeftColChange"); }
  void ColMove(GridControl&, int p, bool&) override {
    events.push_back("ColMove " + std::to_string(p));
  }
  void FormatText(GridControl&, int, Variant& v, const Variant&) override {
    v = Variant("<" + v.ToTextOrEmpty() + ">");
  }
};

// A grid over rows 1..n, columns 0..2 (Nr, Name, Betrag).
class GridTest : public ::testing::Test {
 protected:
  void SetUp() override {
    p_ = &InstallHeadlessPlatform();
    array_ = std::make_shared<XArray>(1, 20, 0, 2);
    for (int r = 1; r <= 20; ++r) {
      array_->Value(r, 0, Variant(int32_t{r}));
      array_->Value(r, 1, Variant("Name " + std::to_string(r)));
      array_->Value(r, 2, Variant(r * 1000.5));
    }
    grid_.BindArray(array_);
    grid_.Column(0).Caption("Nr");
    grid_.Column(1).Caption("Name");
    grid_.Column(2).Caption("Betrag");
    grid_.SetListener(&log_);
  }
  void TearDown() override { ResetHeadlessPlatform(); }

  HeadlessPlatform* p_ = nullptr;
  std::shared_ptr<XArray> array_;
  HeadlessGrid grid_{"grid"};
  Log log_;
};

// Rows and columns by position beyond what every front end keeps (the grid contract):
// visible rows, scrolling, record selectors switched off.
TEST_F(GridTest, GeometryFollowsScrollingAndRecordSelectors) {
  // Record selectors 285, three columns of 1215 twips, header of one line (240).
  grid_.Height(240 + 5 * 240);
  EXPECT_EQ(grid_.VisibleRows(), 5);
  EXPECT_EQ(grid_.RowContaining(240 + 4 * 240 + 239), 4);
  EXPECT_EQ(grid_.RowContaining(240 + 5 * 240), -1);
  grid_.ScrollTo(2);
  EXPECT_EQ(grid_.ColContaining(300), 2);
  grid_.RecordSelectors(false);
  EXPECT_EQ(grid_.ColContaining(0), 2);
  EXPECT_EQ(log_.events, std::vector<std::string>{"LeftColChange"});

  // The current row scrolls into view.
  grid_.Bookmark(Variant(int32_t{9}));
  EXPECT_EQ(grid_.Row(), 4);
  EXPECT_EQ(grid_.TopRow(), 4);
  EXPECT_EQ(grid_.RowBookmark(0), Variant(int32_t{5}));
  EXPECT_THROW(grid_.Bookmark(Variant(int32_t{99})), VMError);
}

TEST_F(GridTest, TypingRaisesKeyPressAndChangeAndCommitWritesTheArray) {
  grid_.Col(1);
  grid_.Type("Mü");
  EXPECT_TRUE(grid_.EditActive());
  EXPECT_TRUE(grid_.DataChanged());
  EXPECT_EQ(grid_.EditText(), "Mü");
  EXPECT_EQ(log_.events,
            (std::vector<std::string>{"KeyPress 77", "Change", "KeyPress 252", "Change"}));
  log_.events.clear();
  grid_.CommitEdit();
  EXPECT_EQ(array_->Value(1, 1).ToText(), "Mü");
  EXPECT_FALSE(grid_.EditActive());
  EXPECT_EQ(log_.events, (std::vector<std::string>{"AfterColUpdate 1", "AfterUpdate"}));

  // Dropping a pending change restores the cell.
  grid_.Type("x");
  grid_.DataChanged(false);
  grid_.EditActive(false);
  EXPECT_EQ(array_->Value(1, 1).ToText(), "Mü");
  // Ending the edit keeps what was typed.
  grid_.Type("Neu");
  grid_.EditActive(false);
  EXPECT_EQ(array_->Value(1, 1).ToText(), "Neu");

  grid_.AllowUpdate(false);
  EXPECT_FALSE(grid_.EditCell(0, "5"));
  EXPECT_EQ(array_->Value(1, 0), Variant(int32_t{1}));
}

TEST_F(GridTest, KeysMoveTheCurrentCellUnlessConsumed) {
  p_->form.AddControl("before");
  p_->form.AddGrid(grid_);
  p_->form.AddControl("after");
  grid_.SetFocus();
  grid_.PressKey(kKeyTab);
  EXPECT_EQ(grid_.Col(), 1);
  grid_.PressKey(kKeyTab);
  grid_.PressKey(kKeyTab);  // last column: next row, first column
  EXPECT_EQ(grid_.Col(), 0);
  EXPECT_EQ(grid_.Bookmark(), Variant(int32_t{2}));
  grid_.PressKey(kKeyTab, kShiftMask);
  EXPECT_EQ(grid_.Col(), 2);
  EXPECT_EQ(grid_.Bookmark(), Variant(int32_t{1}));
  grid_.TabAction(2);
  grid_.PressKey(kKeyReturn);
  EXPECT_EQ(grid_.Col(), 2) << "Enter stays with tab mode 2";
  grid_.TabAction(0);
  grid_.PressKey(kKeyLeft);
  EXPECT_EQ(grid_.Col(), 1);
  grid_.PressKey(kKeyDown);
  EXPECT_EQ(grid_.Bookmark(), Variant(int32_t{2}));
  grid_.PressKey(kKeyEnd, kCtrlMask);
  EXPECT_EQ(grid_.Bookmark(), Variant(int32_t{20}));
  EXPECT_EQ(grid_.Col(), 2);

  log_.events.clear();
  log_.consumeKey = kKeyTab;
  grid_.PressKey(kKeyTab);
  EXPECT_EQ(grid_.Col(), 2);
  EXPECT_EQ(log_.events, (std::vector<std::string>{"KeyDown 9", "KeyUp 9"}));

  // Shift+Tab in the first cell leaves the grid for the previous control.
  log_.consumeKey = -1;
  grid_.PressKey(kKeyHome, kCtrlMask);
  grid_.PressKey(kKeyTab, kShiftMask);
  EXPECT_EQ(p_->form.ActiveControlName(), "before");

  // Letters type into the cell; Delete clears it while editing; Esc cancels.
  grid_.SetFocus();
  grid_.PressKey('A', kShiftMask);
  EXPECT_EQ(grid_.EditText(), "A");
  grid_.PressKey(kKeyDelete);
  EXPECT_EQ(grid_.EditText(), "");
  grid_.PressKey(kKeyEscape);
  EXPECT_FALSE(grid_.EditActive());
  EXPECT_EQ(array_->Value(1, 0), Variant(int32_t{1}));
}

TEST_F(GridTest, MouseClicksMoveAndSelect) {
  auto [x, y] = grid_.CellPoint(1, 3);
  grid_.Click(kLeftButton, 0, x, y);
  EXPECT_EQ(log_.events, (std::vector<std::string>{"MouseDown 1", "GotFocus", "MouseUp 1"}));
  EXPECT_EQ(grid_.Col(), 1);
  EXPECT_EQ(grid_.Bookmark(), Variant(int32_t{4}));
  grid_.Click(kLeftButton, 0, 10, y);  // record selector
  grid_.Click(kLeftButton, kCtrlMask, 10, grid_.CellPoint(0, 5).second);
  ASSERT_EQ(grid_.SelectedCount(), 2);
  EXPECT_EQ(grid_.SelectedAt(1), Variant(int32_t{6}));
  grid_.AddSelected(Variant(int32_t{6}));
  EXPECT_EQ(grid_.SelectedCount(), 2) << "a row is selected once";
  // A header click moves nothing; a right click moves nothing either.
  auto [hx, hy] = grid_.HeaderPoint(2);
  grid_.Click(kLeftButton, 0, hx, hy);
  grid_.Click(kRightButton, 0, x, grid_.CellPoint(1, 0).second);
  EXPECT_EQ(grid_.Bookmark(), Variant(int32_t{6}));
  log_.events.clear();
  grid_.DoubleClick(x, y);
  EXPECT_EQ(log_.events,
            (std::vector<std::string>{"MouseDown 1", "MouseUp 1", "DblClick", "MouseUp 1"}));
}

TEST_F(GridTest, ResizeAndMoveRaiseTheirNotificationsAndCanBeCancelled) {
  EXPECT_TRUE(grid_.ResizeColumn(1, 2000));
  EXPECT_EQ(grid_.Column(1).Width(), 2000);
  EXPECT_EQ(log_.events,
            (std::vector<std::string>{"MouseDown 1", "GotFocus", "ColResize 1", "MouseUp 1"}));
  log_.cancelResize = true;
  EXPECT_FALSE(grid_.ResizeColumn(1, 100));
  EXPECT_EQ(grid_.Column(1).Width(), 2000);
  log_.events.clear();
  EXPECT_TRUE(grid_.MoveColumn(2, 0));
  EXPECT_EQ(log_.events.back(), "ColMove 0");
  EXPECT_EQ(grid_.DisplayOrder(), (std::vector<int>{2, 0, 1}));
  EXPECT_EQ(grid_.Column(0).Order(), 1);
}

TEST_F(GridTest, RowsAreAddedAndDeletedWithTheirNotifications) {
  EXPECT_FALSE(grid_.AddNewRow({})) << "add-new is off by default";
  grid_.AllowAddNew(true);
  grid_.Column(0).DefaultValue(Variant(int32_t{99}));
  grid_.Column(1).DataField("Name");
  EXPECT_TRUE(grid_.AddNewRow({{"name", "x"}}));
  EXPECT_EQ(array_->Count(1), 21);
  EXPECT_EQ(array_->Value(21, 0), Variant(int32_t{99}));
  EXPECT_EQ(array_->Value(21, 1).ToText(), "x");
  EXPECT_EQ(log_.events,
            (std::vector<std::string>{"BeforeRowChangeRequest", "OnAddNew", "AfterInsert"}));

  log_.events.clear();
  grid_.Bookmark(Variant(int32_t{2}));
  grid_.AddSelected(Variant(int32_t{2}));
  log_.cancelRowChange = true;
  grid_.DeleteCurrentRow();
  EXPECT_EQ(array_->Count(1), 21);
  log_.cancelRowChange = false;
  EXPECT_TRUE(grid_.DeleteRow());
  EXPECT_EQ(array_->Count(1), 20);
  EXPECT_EQ(array_->Value(2, 1).ToText(), "Name 3");
  EXPECT_EQ(grid_.SelectedCount(), 0);
  EXPECT_EQ(log_.events.back(), "AfterDelete");
}

TEST_F(GridTest, PrintRecordsPagesAndSettings) {
  grid_.PrintOrientation(2);
  grid_.PreviewCaption(0, "Datei");
  grid_.Column(2).Visible(false);
  grid_.PrintPreview();
  ASSERT_EQ(grid_.PrintJobs().size(), 1u);
  const HeadlessPrintJob& job = grid_.PrintJobs()[0];
  EXPECT_TRUE(job.preview);
  EXPECT_EQ(job.orientation, 2);
  EXPECT_EQ(grid_.PreviewCaption(0), "Datei");
  ASSERT_EQ(job.pages.size(), 1u);
  EXPECT_EQ(job.pages[0].substr(0, 25), "Nr\tName\n1\tName 1\n2\tName 2");
}

TEST_F(GridTest, PropertiesByIdMapOntoTheGrid) {
  grid_.SetProperty(6, Variant(int32_t{2}));
  EXPECT_EQ(grid_.Col(), 2);
  grid_.SetProperty(67, Variant("abc"));
  EXPECT_TRUE(grid_.EditActive());
  EXPECT_EQ(grid_.GetProperty(67).ToText(), "abc");
  grid_.SetProperty(64, Variant(false));
  grid_.SetProperty(63, Variant(false));
  EXPECT_FALSE(grid_.EditActive());
  EXPECT_EQ(grid_.GetProperty(67).ToText(), "1000,5");
  grid_.SetProperty(4711, Variant(int32_t{7}));
  EXPECT_EQ(grid_.GetProperty(4711), Variant(int32_t{7}));
  grid_.Column(1).SetProperty(CoreColumn::kAutoSizeProperty, Variant(true));
  EXPECT_EQ(grid_.Column(1).Width(), 7 * 120 + 120);  // "Name 10"
  const std::pair<int, Variant> kRoundTrips[] = {
      {2, Variant(true)}, {12, Variant(2.0)},   {16, Variant(300.0)},     {23, Variant(1)},
      {50, Variant(2)},   {73, Variant(false)}, {5, Variant(int32_t{3})}, {4, Variant(false)}};
  for (const auto& [id, value] : kRoundTrips) {
    grid_.SetProperty(id, value);
    EXPECT_EQ(grid_.GetProperty(id), value) << id;
  }

  // Sort marks by data field: a rank only among several, unknown fields and repeats skipped.
  grid_.Column(0).DataField("Nr");
  grid_.Column(1).DataField("Name");
  grid_.SortMarks({{"Nr", 1}, {"Fehlt", 1}, {"Name", 2}, {"nr", 2}});
  EXPECT_EQ(grid_.Column(0).HeaderText(), "Nr \u25B21");
  EXPECT_EQ(grid_.Column(1).HeaderText(), "Name \u25BC3");
  grid_.SortMarks({{"Name", 1}});
  EXPECT_EQ(grid_.Column(1).HeaderText(), "Name \u25B2");
  EXPECT_EQ(grid_.Column(0).HeaderText(), "Nr");
}

// The headless grid over a fabricated recordset of the data-access layer.
class RecordsetGridTest : public ::testing::Test {
 protected:
  void SetUp() override {
    p_ = &InstallHeadlessPlatform(&data::DefaultDataAccess());
    rs_ = data::DefaultDataAccess().CreateRecordset();
    rs_->AppendField("Nr", adInteger);
    rs_->AppendField("Name", adVarWChar, 20);
    rs_->AppendField("Betrag", adDouble);
    rs_->AppendField("Datum", adDate);
    rs_->AppendField("Aktiv", adBoolean);
    rs_->OpenFabricated();
    const char* names[] = {"Meier", "Müller", "Schulz"};
    for (int i = 0; i < 3; ++i) {
      rs_->AddNew();
      rs_->SetValue(0, Variant(int32_t{i + 1}));
      rs_->SetValue(1, Variant(names[i]));
      rs_->SetValue(2, Variant(1000.25 * (i + 1)));
      rs_->SetValue(3, Variant(MakeDate(2003, 2, i + 1)));
      rs_->SetValue(4, Variant(i % 2 == 0));
      rs_->Update();
    }
    rs_->MoveFirst();
    grid_.DataSource(rs_);
    grid_.SetListener(&events_);
    // As the controller does for hidden key columns of a new row.
    events_.onAddNew = [](GridControl& g) {
      g.ColumnByField("Nr")->DefaultValue(Variant(int32_t{500}));
    };
  }
  void TearDown() override { ResetHeadlessPlatform(); }

  HeadlessPlatform* p_ = nullptr;
  std::shared_ptr<Recordset> rs_;
  HeadlessGrid grid_{"grid"};
  Log events_;
};

// Columns, formats, position and re-binding as every front end shows them are the grid
// contract's; here what the headless grid adds: row counts and booleans.
TEST_F(RecordsetGridTest, RowsFollowTheRecordsetAndBooleansShowInGerman) {
  EXPECT_EQ(grid_.ColumnByField("BETRAG"), &grid_.Column(2));
  EXPECT_EQ(grid_.RowCount(), 3);
  EXPECT_EQ(grid_.CellText(0, 4), "Wahr");
  grid_.Column(4).NumberFormat("Yes/No");
  EXPECT_EQ(grid_.CellText(1, 4), "Nein");
  rs_->Filter("Nr > 1");  // seen at once
  EXPECT_EQ(grid_.RowCount(), 2);
}

TEST_F(RecordsetGridTest, EditsAreConvertedToTheFieldTypeAndCommitted) {
  EXPECT_TRUE(grid_.EditCell(0, "12"));
  EXPECT_EQ(rs_->Value("Nr"), Variant(int32_t{12}));
  EXPECT_TRUE(grid_.EditCell(2, "1.234,5"));
  EXPECT_DOUBLE_EQ(rs_->Value("Betrag").ToDouble(), 1234.5);
  EXPECT_TRUE(grid_.EditCell(3, "24.12.2004"));
  EXPECT_EQ(rs_->Value("Datum"), Variant(MakeDate(2004, 12, 24)));
  EXPECT_TRUE(grid_.EditCell(4, "nein"));
  EXPECT_EQ(rs_->Value("Aktiv"), Variant(false));
  EXPECT_TRUE(grid_.EditCell(2, ""));
  EXPECT_TRUE(rs_->Value("Betrag").IsNull());
  EXPECT_EQ(
      events_.Updates(),
      (std::vector<std::string>{
          "AfterColUpdate 0", "AfterUpdate", "AfterColUpdate 2", "AfterUpdate", "AfterColUpdate 3",
          "AfterUpdate", "AfterColUpdate 4", "AfterUpdate", "AfterColUpdate 2", "AfterUpdate"}));
  EXPECT_TRUE(p_->messages.entries().empty());
}

TEST_F(RecordsetGridTest, TextThatDoesNotFitIsReportedAndKeptInTheEditor) {
  for (const auto& [col, text] : std::vector<std::pair<int, std::string>>{
           {0, "abc"}, {0, "99999999999"}, {0, "1.5.3"}, {3, "32.13.2003"}, {4, "vielleicht"}}) {
    p_->messages.clear();
    events_.events.clear();
    Variant before = rs_->Value(col);
    EXPECT_FALSE(grid_.EditCell(col, text)) << text;
    EXPECT_TRUE(grid_.EditActive());
    EXPECT_EQ(grid_.EditText(), text);
    EXPECT_EQ(rs_->Value(col), before) << "nothing half-written";
    ASSERT_EQ(p_->messages.entries().size(), 1u) << text;
    EXPECT_TRUE(events_.Updates().empty());
    grid_.PressKey(kKeyEscape);
  }
  EXPECT_EQ(rs_->EditMode(), adEditNone);
}

TEST_F(RecordsetGridTest, ValueTranslationWorksBothWays) {
  CoreColumn& nr = grid_.Column(0);
  nr.AddValueItem({Variant(int32_t{1}), Variant("eins")});
  nr.AddValueItem({Variant(int32_t{2}), Variant("zwei")});
  nr.Translate(true);
  EXPECT_EQ(grid_.CellText(0, 0), "eins");
  EXPECT_EQ(grid_.CellText(2, 0), "3");
  EXPECT_TRUE(grid_.EditCell(0, "Zwei"));  // the display text stands for the stored value
  EXPECT_EQ(rs_->Value("Nr"), Variant(int32_t{2}));
}

TEST_F(RecordsetGridTest, NewRowsGetDefaultsAndDeletedRowsGo) {
  grid_.AllowAddNew(true);
  EXPECT_TRUE(grid_.AddNewRow({{"Name", "Neu"}, {"Betrag", "7,5"}}));
  EXPECT_EQ(rs_->RecordCount(), 4);
  EXPECT_EQ(rs_->Value("Name").ToText(), "Neu");
  EXPECT_EQ(rs_->Value("Nr"), Variant(int32_t{500}));
  EXPECT_DOUBLE_EQ(rs_->Value("Betrag").ToDouble(), 7.5);
  EXPECT_EQ(events_.Updates(),
            (std::vector<std::string>{"BeforeRowChangeRequest", "OnAddNew", "AfterInsert"}));

  p_->messages.clear();
  EXPECT_FALSE(grid_.AddNewRow({{"Nr", "x"}}));
  EXPECT_EQ(rs_->RecordCount(), 4) << "a refused new row is not kept";
  EXPECT_EQ(p_->messages.entries().size(), 1u);

  events_.events.clear();
  rs_->MoveFirst();
  EXPECT_TRUE(grid_.DeleteRow());
  EXPECT_EQ(rs_->RecordCount(), 3);
  EXPECT_EQ(grid_.Column(1).Value().ToText(), "Müller") << "the next row becomes current";
  EXPECT_EQ(events_.Updates(), (std::vector<std::string>{"BeforeRowChangeRequest", "AfterDelete"}));
}

TEST_F(RecordsetGridTest, ClosedOrMissingSourceShowsNoRows) {
  rs_->Close();
  EXPECT_EQ(grid_.RowCount(), 0);
  EXPECT_EQ(grid_.CurrentOrdinal(), -1);
  EXPECT_TRUE(grid_.Bookmark().IsNull());
  EXPECT_EQ(grid_.RowContaining(300), -1);
  EXPECT_FALSE(grid_.EditCell(0, "1"));
  grid_.DataSource(nullptr);
  EXPECT_EQ(grid_.RowCount(), 0);
  EXPECT_EQ(grid_.ColumnCount(), 5) << "the columns stay";
}

struct DropLog : DropDownListener {
  std::vector<std::string> log;
  void DropDownOpen(DropDownControl&) override { log.push_back("open"); }
  void ValueChosen(DropDownControl& d) override {
    log.push_back("chosen " + d.Value().ToTextOrEmpty());
  }
  void KeyDown(DropDownControl&, int& k, int&) override {
    if (k == kKeyTab) k = kKeyReturn;  // as the search line turns Tab into Enter
  }
};

TEST_F(RecordsetGridTest, DropDownChoosesRowsOfItsRecordset) {
  HeadlessDropDown drop("ddSearch");
  DropLog log;
  drop.SetListener(&log);
  EXPECT_TRUE(drop.Value().IsNull());
  drop.DataSource(rs_);
  drop.ValueField("Name");
  drop.Open();
  drop.Choose(2);
  drop.PressKey(kKeyUp);
  drop.PressKey(kKeyTab);
  EXPECT_EQ(log.log, (std::vector<std::string>{"open", "chosen Schulz", "chosen Müller"}));
  EXPECT_EQ(drop.ColumnCount(), 5);
  EXPECT_NE(drop.ColumnByField("nr"), nullptr);
}

}  // namespace
}  // namespace vmbgrid
