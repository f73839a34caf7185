#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "adapters/headless/headless.h"
#include "host/error.h"

namespace vmbgrid {
namespace {

namespace fs = std::filesystem;

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
  void OnAddNew(GridControl&) override { events.push_back("OnAddNew"); }
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

class GridFileTest : public GridTest {
 protected:
  void SetUp() override {
    GridTest::SetUp();
    dir_ = fs::temp_directory_path() /
           ("vmbgrid_grid_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    fs::remove_all(dir_);
    GridTest::TearDown();
  }
  static std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  fs::path dir_;
};

TEST_F(GridFileTest, ExportWritesVisibleColumnsInDisplayOrderAsShown) {
  auto small = std::make_shared<XArray>(1, 2, 0, 2);
  small->Value(1, 0, Variant(int32_t{1}));
  small->Value(1, 1, Variant("Meier"));
  small->Value(1, 2, Variant(1234.5));
  small->Value(2, 1, Variant("Kö;\"ln"));
  grid_.BindArray(small);
  grid_.Column(2).NumberFormat("Standard");
  grid_.Column(0).Visible(false);
  grid_.Column(2).Order(0);
  fs::path out = dir_ / "export.txt";
  grid_.Export(out.string(), true, ";", "\"", "\"");
  EXPECT_EQ(Read(out), "\"1.234,50\";\"Meier\"\r\n\"\";\"Kö;\"\"ln\"\r\n");
  grid_.Bookmark(Variant(int32_t{1}));
  grid_.Export(out.string(), false, ",", "", "");
  EXPECT_EQ(Read(out), "1.234,50,Meier\r\n");
  EXPECT_THROW(grid_.Export((dir_ / "nope" / "x.txt").string(), true, ";", "", ""), VMError);
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
}

}  // namespace
}  // namespace vmbgrid
