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
  void ColMove(GridControl&, int p, bool&) override {
    events.push_back("ColMove " + std::to_string(p));
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

  // Tab in the last column (display order) goes on to the first cell of the next row.
  grid_.Col(1);
  grid_.PressKey(kKeyTab);
  EXPECT_EQ(grid_.Col(), 2);
  EXPECT_EQ(grid_.Bookmark(), Variant(int32_t{2}));
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

TEST_F(RecordsetGridTest, EditsAreConvertedToTheFieldTypeAndCommitted) {
  EXPECT_EQ(grid_.CellText(0, 4), "Wahr");
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
      events_.events,
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
    EXPECT_TRUE(events_.events.empty());
    grid_.PressKey(kKeyEscape);
  }
  EXPECT_EQ(rs_->EditMode(), adEditNone);
  grid_.AllowAddNew(true);
  EXPECT_FALSE(grid_.AddNewRow({{"Nr", "x"}}));
  EXPECT_EQ(rs_->RecordCount(), 3) << "a refused new row is not kept";
  // A closed source shows no rows and takes no edits.
  rs_->Close();
  EXPECT_EQ(grid_.RowCount(), 0);
  EXPECT_FALSE(grid_.EditCell(0, "1"));
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

}  // namespace
}  // namespace vmbgrid
