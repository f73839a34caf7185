// Wide grids: building, reordering and loading a layout of many columns costs work
// in proportion to the columns, counted in the header notifications the view gets
// (a notification for every section on each change made it quadratic).
#include <QHeaderView>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "adapters/common/layout_file.h"
#include "host/error.h"
#include "tests/qt/qt_test_support.h"

namespace vmbgrid::qttest {
namespace {

class QtGridWide : public FormTest {
 protected:
  static constexpr int kMaxColumns = 2000;  // the most a layout may hold
  static constexpr int kColumns = 500;      // enough to tell n from n²

  void SetUp() override {
    FormTest::SetUp();
    QObject::connect(View()->model(), &QAbstractItemModel::headerDataChanged, View(),
                     [this](Qt::Orientation o, int first, int last) {
                       if (o == Qt::Horizontal) headerSections_ += last - first + 1;
                     });
    QObject::connect(View()->horizontalHeader(), &QHeaderView::sectionMoved, View(),
                     [this](int, int, int) { ++moves_; });
    file_ = std::filesystem::temp_directory_path() /
            ("vmb_qt_wide_" + std::to_string(::getpid()) + ".grx");
  }
  void TearDown() override {
    std::filesystem::remove(file_);
    FormTest::TearDown();
  }
  void ResetCounts() { headerSections_ = moves_ = 0; }
  std::vector<std::string> ShownCaptions() const {
    std::vector<std::string> out;
    QHeaderView* h = View()->horizontalHeader();
    for (int v = 0; v < h->count(); ++v)
      out.push_back(grid_->Column(h->logicalIndex(v)).Caption());
    return out;
  }

  long headerSections_ = 0;
  long moves_ = 0;
  std::filesystem::path file_;
};

TEST_F(QtGridWide, ColumnsBuiltReorderedSavedAndLoadedCostWorkInProportion) {
  for (int i = 0; i < kColumns; ++i) {
    GridColumn& c = grid_->AddColumn(i);
    c.DataField("F" + std::to_string(i));
    c.Caption("Spalte " + std::to_string(i));
  }
  EXPECT_LE(headerSections_, 4L * kColumns);

  // Reversed, as a mirrored or loaded order often is: one move per column.
  ResetCounts();
  for (int pos = 0; pos < kColumns; ++pos) grid_->Column(kColumns - 1 - pos).Order(pos);
  EXPECT_LE(moves_, kColumns);
  EXPECT_EQ(ShownCaptions().front(), "Spalte " + std::to_string(kColumns - 1));
  EXPECT_EQ(grid_->Column(0).Order(), kColumns - 1);

  grid_->LayoutFileName(file_.string());
  grid_->AddLayout("Breit");
  while (grid_->ColumnCount() > 0) grid_->RemoveColumn(grid_->ColumnCount() - 1);

  ResetCounts();
  grid_->LayoutName("Breit");
  grid_->LoadLayout();
  ASSERT_EQ(grid_->ColumnCount(), kColumns);
  EXPECT_LE(headerSections_, 4L * kColumns);
  EXPECT_LE(moves_, 2L * kColumns);
  const std::vector<std::string> shown = ShownCaptions();
  EXPECT_EQ(shown.front(), "Spalte " + std::to_string(kColumns - 1));
  EXPECT_EQ(shown.back(), "Spalte 0");
}

TEST_F(QtGridWide, ALayoutWiderThanAnyTableIsRefusedOnSaveAndOnLoad) {
  GridLayout wide;
  wide.name = "Zu breit";
  for (int i = 0; i <= kMaxColumns; ++i) {
    ColumnLayout c;
    c.index = i;
    c.dataField = c.caption = "F" + std::to_string(i);
    wide.columns.push_back(c);
  }
  LayoutFile file(file_.string());
  try {
    file.Save(wide);
    FAIL() << "saved";
  } catch (const VMError& e) {
    EXPECT_NE(e.Description().find("zu viele Spalten (höchstens 2000)"), std::string::npos);
  }
  EXPECT_FALSE(std::filesystem::exists(file_));

  // Written by something else: the load says why and leaves the grid as it was.
  wide.columns.pop_back();
  file.Save(wide);
  std::string text;
  {
    std::ifstream in(file_, std::ios::binary);
    text.assign(std::istreambuf_iterator<char>(in), {});
  }
  const std::string last = "\"index\": 1999";
  const size_t at = text.find(last);
  ASSERT_NE(at, std::string::npos);
  const size_t entryStart = text.rfind('{', at);
  const size_t entryEnd = text.find('}', at);
  const std::string entry = text.substr(entryStart, entryEnd - entryStart + 1);
  std::string extra = entry;
  extra.replace(extra.find(last), last.size(), "\"index\": 2000");
  text.insert(entryEnd + 1, "," + extra);
  {
    std::ofstream out(file_, std::ios::binary | std::ios::trunc);
    out << text;
  }
  grid_->AddColumn(0).Caption("Bleibt");
  grid_->LayoutFileName(file_.string());
  grid_->LayoutName("Zu breit");
  try {
    grid_->LoadLayout();
    FAIL() << "loaded";
  } catch (const VMError& e) {
    EXPECT_NE(e.Description().find("zu viele Spalten (höchstens 2000)"), std::string::npos);
  }
  ASSERT_EQ(grid_->ColumnCount(), 1);
  EXPECT_EQ(grid_->Column(0).Caption(), "Bleibt");
}

}  // namespace
}  // namespace vmbgrid::qttest
