// The grid contract, as every front end must keep it: the library drives the grids
// only through these operations, so the front ends must not drift apart.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "data/provider.h"
#include "host/error.h"
#include "host/platform.h"
#include "tests/contract/grid_kinds.h"

namespace vmbgrid::contract {
namespace {

// Nr, Name, Betrag, Datum, Status over `rows` rows.
std::shared_ptr<Recordset> Customers(int rows) {
  auto rs = data::DefaultDataAccess().CreateRecordset();
  rs->AppendField("Nr", adInteger);
  rs->AppendField("Name", adVarWChar, 50);
  rs->AppendField("Betrag", adDouble);
  rs->AppendField("Datum", adDate);
  rs->AppendField("Status", adInteger);
  rs->OpenFabricated();
  const char* names[] = {"Meier", "Müller", "Schulze"};
  for (int i = 0; i < rows; ++i) {
    rs->AddNew();
    rs->SetValue("Nr", Variant(int32_t(i + 1)));
    rs->SetValue("Name", Variant(names[i % 3]));
    rs->SetValue("Betrag", Variant(1234.5 + i));
    rs->SetValue("Datum", Variant(MakeDate(2003, 2, 1 + i % 28)));
    rs->SetValue("Status", Variant(int32_t(i % 2)));
    rs->Update();
  }
  rs->MoveFirst();
  return rs;
}

class GridContract : public ::testing::TestWithParam<size_t> {
 protected:
  void SetUp() override {
    Platform::Reset();
    grid_ = Kind().make();
  }
  void TearDown() override {
    grid_.reset();
    Platform::Reset();
  }
  const GridKind& Kind() const { return Kinds().at(GetParam()); }

  std::unique_ptr<GridControl> grid_;
};

TEST_P(GridContract, SelectedBookmarks) {
  auto rs = Customers(4);
  grid_->DataSource(rs);
  grid_->AddSelected(rs->BookmarkAt(2));
  grid_->AddSelected(rs->BookmarkAt(0));
  grid_->AddSelected(rs->BookmarkAt(2));  // once only
  grid_->AddSelected(Variant::Null());    // not a row
  ASSERT_EQ(grid_->SelectedCount(), 2);
  EXPECT_EQ(grid_->SelectedAt(0), rs->BookmarkAt(2));
  EXPECT_EQ(grid_->SelectedAt(1), rs->BookmarkAt(0));
  grid_->RemoveSelectedAt(0);
  ASSERT_EQ(grid_->SelectedCount(), 1);
  EXPECT_EQ(grid_->SelectedAt(0), rs->BookmarkAt(0));
  EXPECT_THROW(grid_->SelectedAt(1), VMError);
  EXPECT_THROW(grid_->RemoveSelectedAt(3), VMError);
  EXPECT_THROW(grid_->Column(5), VMError);
  EXPECT_THROW(grid_->CellText(0, 9), VMError);
  EXPECT_EQ(grid_->CellText(99, 1), "") << "rows past the end show nothing";
}

TEST_P(GridContract, LayoutsRoundTripInOneFile) {
  const std::string path =
      (std::filesystem::temp_directory_path() /
       ("vmbgrid_contract_" + Kind().name + "_" + std::to_string(::getpid()) + ".grx"))
          .string();
  std::remove(path.c_str());
  grid_->DataSource(Customers(2));
  EXPECT_THROW(grid_->LoadLayout(), VMError) << "no layout file set";
  grid_->LayoutFileName(path);
  EXPECT_TRUE(grid_->LayoutNames().empty());

  grid_->Column(1).Caption("Kunde");
  grid_->Column(1).Width(2100);
  grid_->Column(4).Visible(false);
  grid_->Column(3).Order(0);
  grid_->Column(2).NumberFormat("Standard");
  grid_->Column(3).NumberFormat("dd.mm.yyyy");
  grid_->Column(4).AddValueItem({Variant(int32_t(1)), Variant("erledigt")});
  grid_->Column(4).Translate(true);
  EXPECT_EQ(grid_->CellText(1, 4), "erledigt");
  grid_->AddLayout("Standard");

  grid_->Column(1).Caption("Name2");
  grid_->Column(2).Visible(false);
  grid_->AddLayout("Schmal");
  EXPECT_EQ(grid_->LayoutNames(), (std::vector<std::string>{"Standard", "Schmal"}));

  grid_->ClearFields();
  grid_->LayoutName("Standard");
  grid_->LoadLayout();
  ASSERT_EQ(grid_->ColumnCount(), 5);
  EXPECT_EQ(grid_->Column(1).Caption(), "Kunde");
  EXPECT_DOUBLE_EQ(grid_->Column(1).Width(), 2100);
  EXPECT_FALSE(grid_->Column(4).Visible());
  EXPECT_TRUE(grid_->Column(2).Visible());
  EXPECT_EQ(grid_->Column(3).Order(), 0);
  EXPECT_EQ(grid_->Column(1).DataField(), "Name");
  EXPECT_EQ(grid_->CellText(1, 1), "Müller");  // still bound
  EXPECT_EQ(grid_->CellText(0, 2), "1.234,50");
  EXPECT_EQ(grid_->CellText(1, 3), "02.02.2003");
  grid_->Rebind();
  EXPECT_DOUBLE_EQ(grid_->Column(1).Width(), 2100) << "a loaded layout survives re-binding";

  grid_->LayoutName("Schmal");
  grid_->LoadLayout();
  EXPECT_EQ(grid_->Column(1).Caption(), "Name2");
  EXPECT_FALSE(grid_->Column(2).Visible());

  grid_->LayoutName("Fehlt");
  EXPECT_THROW(grid_->LoadLayout(), VMError);
  EXPECT_EQ(grid_->Column(1).Caption(), "Name2") << "a failed load changes nothing";
  grid_->RemoveLayout("Standard");
  EXPECT_EQ(grid_->LayoutNames(), (std::vector<std::string>{"Schmal"}));
  std::remove(path.c_str());
}

std::string KindName(const ::testing::TestParamInfo<size_t>& info) {
  return Kinds().at(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(AllFrontEnds, GridContract, ::testing::Range<size_t>(0, Kinds().size()),
                         KindName);

}  // namespace
}  // namespace vmbgrid::contract
