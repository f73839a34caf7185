// The grid contract, as every front end must keep it: the library drives the grids
// only through these operations, so the front ends must not drift apart.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "data/provider.h"
#include "host/error.h"
#include "host/platform.h"
#include "tests/contract/grid_kinds.h"

namespace vmbgrid::contract {
namespace {

constexpr double kHeaderLine = 240;  // twips per header line
constexpr double kSelectors = 285;   // record selector strip

struct Recorder : GridListener {
  std::vector<int> posted;
  std::vector<int> colUpdates;
  int updates = 0;
  int formatted = 0;
  void PostEvent(GridControl&, int id) override { posted.push_back(id); }
  void AfterColUpdate(GridControl&, int col) override { colUpdates.push_back(col); }
  void AfterUpdate(GridControl&) override { ++updates; }
  void FormatText(GridControl&, int, Variant& value, const Variant&) override {
    ++formatted;
    value = Variant("<" + value.ToTextOrEmpty() + ">");
  }
};

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
    grid_->SetListener(&events_);
  }
  void TearDown() override {
    grid_.reset();
    Platform::Reset();
  }
  const GridKind& Kind() const { return Kinds().at(GetParam()); }
  void Deliver() { Kind().deliver(); }

  std::unique_ptr<GridControl> grid_;
  Recorder events_;
};

TEST_P(GridContract, ColumnPropertiesRoundTrip) {
  GridColumn& a = grid_->AddColumn(0);
  GridColumn& b = grid_->AddColumn(1);
  a.Caption("Kunde");
  a.DataField("Name");
  a.Width(1500);
  a.Alignment(dbgRight);
  a.NumberFormat("#,##0.00");
  a.DefaultValue(Variant(int32_t(7)));
  a.DropDown("TDBDropDown1");
  a.AddValueItem({Variant(int32_t(1)), Variant("eins")});
  a.AddValueItem({Variant(int32_t(1)), Variant("Eins")});  // replaces, no duplicate
  a.Translate(true);
  b.Visible(false);

  EXPECT_EQ(grid_->ColumnCount(), 2);
  EXPECT_EQ(a.Caption(), "Kunde");
  EXPECT_EQ(a.DataField(), "Name");
  EXPECT_DOUBLE_EQ(a.Width(), 1500);
  EXPECT_EQ(a.Alignment(), dbgRight);
  EXPECT_EQ(a.NumberFormat(), "#,##0.00");
  EXPECT_EQ(a.DefaultValue(), Variant(int32_t(7)));
  EXPECT_EQ(a.DropDown(), "TDBDropDown1");
  ASSERT_EQ(a.ValueItems().size(), 1u);
  EXPECT_EQ(a.ValueItems()[0].display, Variant("Eins"));
  EXPECT_TRUE(a.Translate());
  EXPECT_FALSE(b.Visible());
  EXPECT_TRUE(a.Visible());
  EXPECT_EQ(grid_->ColumnByField("Name"), &a);
  EXPECT_EQ(grid_->ColumnByField("Fehlt"), nullptr);

  // Display order moves independently of the index.
  b.Order(0);
  EXPECT_EQ(b.Order(), 0);
  EXPECT_EQ(a.Order(), 1);
  EXPECT_EQ(a.Index(), 0);

  // Inserting in front shifts the indexes.
  GridColumn& c = grid_->AddColumn(0);
  EXPECT_EQ(c.Index(), 0);
  EXPECT_EQ(a.Index(), 1);
  grid_->RemoveColumn(0);
  EXPECT_EQ(grid_->ColumnCount(), 2);
  EXPECT_EQ(&grid_->Column(0), &a);

  EXPECT_THROW(grid_->Column(2), VMError);
  EXPECT_THROW(grid_->AddColumn(5), VMError);
  EXPECT_THROW(grid_->RemoveColumn(-1), VMError);
}

TEST_P(GridContract, RecordsetRowsShowWithFormatsAndTranslation) {
  auto rs = Customers(3);
  grid_->DataSource(rs);
  ASSERT_EQ(grid_->ColumnCount(), 5);
  EXPECT_EQ(grid_->Column(1).Caption(), "Name");
  EXPECT_EQ(grid_->Column(1).DataField(), "Name");
  EXPECT_EQ(grid_->CellText(1, 1), "Müller");

  grid_->Column(2).NumberFormat("#,##0.00");
  EXPECT_EQ(grid_->CellText(0, 2), "1.234,50");
  grid_->Column(2).NumberFormat("Standard");
  EXPECT_EQ(grid_->CellText(2, 2), "1.236,50");
  grid_->Column(3).NumberFormat("dd.mm.yyyy");
  EXPECT_EQ(grid_->CellText(1, 3), "02.02.2003");

  GridColumn& status = grid_->Column(4);
  status.AddValueItem({Variant(int32_t(0)), Variant("offen")});
  status.AddValueItem({Variant(int32_t(1)), Variant("erledigt")});
  EXPECT_EQ(grid_->CellText(1, 4), "1");  // translation still off
  status.Translate(true);
  EXPECT_EQ(grid_->CellText(0, 4), "offen");
  EXPECT_EQ(grid_->CellText(1, 4), "erledigt");

  // Formatted text goes through the notification.
  grid_->Column(1).NumberFormat("FormatText Event");
  EXPECT_EQ(grid_->CellText(0, 1), "<Meier>");
  EXPECT_GT(events_.formatted, 0);

  // Rows past the end show nothing rather than failing.
  EXPECT_EQ(grid_->CellText(99, 1), "");
  EXPECT_THROW(grid_->CellText(0, 9), VMError);
}

TEST_P(GridContract, ExactNumbersBytesAndValueTextsShowAlike) {
  auto rs = data::DefaultDataAccess().CreateRecordset();
  rs->AppendField("Betrag", adNumeric, 12, adFldUnspecified, 12, 2);
  rs->AppendField("Daten", adLongVarBinary);
  rs->AppendField("Wert", adDouble);
  rs->AppendField("Zeit", adDBTime);
  rs->OpenFabricated();
  rs->AddNew();
  rs->SetValue("Betrag", Variant("1500,5"));
  rs->SetValue("Daten", Variant::Bytes(std::string(12, '\x01')));
  rs->SetValue("Wert", Variant(std::nan("")));
  rs->SetValue("Zeit", Variant::Date(0.5208333333333334));
  rs->Update();
  rs->MoveFirst();
  grid_->DataSource(rs);
  grid_->Column(0).NumberFormat("#,##0.00");
  grid_->Column(2).NumberFormat("Standard");
  grid_->Column(3).NumberFormat("Long Time");
  GridColumn& amount = grid_->Column(0);
  amount.AddValueItem({Variant(1500.5), Variant("viel")});
  EXPECT_EQ(grid_->CellText(0, 0), "1.500,50");
  EXPECT_EQ(grid_->CellText(0, 1), "<Binärdaten, 12 Bytes>");
  EXPECT_EQ(grid_->CellText(0, 2), "NaN");
  EXPECT_EQ(grid_->CellText(0, 3), "12:30:00");
  amount.Translate(true);
  EXPECT_EQ(grid_->CellText(0, 0), "viel") << "1500.50 is the stored 1.5e3 of the item";
  // The value as text: no format, no translation, every decimal.
  EXPECT_EQ(grid_->CellValueText(0, 0), "1500,50");
  EXPECT_EQ(grid_->CellValueText(0, 1), "<Binärdaten, 12 Bytes>");
  EXPECT_EQ(grid_->CellValueText(0, 2), "NaN");
  EXPECT_EQ(grid_->CellValueText(99, 0), "");
}

TEST_P(GridContract, ColumnsFollowTheSourceUntilHeld) {
  auto rs = Customers(2);
  grid_->DataSource(rs);
  grid_->Column(0).Caption("Nummer");
  grid_->HoldFields();
  grid_->RemoveColumn(4);
  grid_->DataSource(Customers(1));
  grid_->Rebind();
  EXPECT_EQ(grid_->ColumnCount(), 4);
  EXPECT_EQ(grid_->Column(0).Caption(), "Nummer");
  grid_->ClearFields();
  EXPECT_EQ(grid_->ColumnCount(), 5);
  EXPECT_EQ(grid_->Column(0).Caption(), "Nr");
}

TEST_P(GridContract, CurrentRowIsTheRecordsetPosition) {
  auto rs = Customers(5);
  grid_->DataSource(rs);
  EXPECT_EQ(grid_->Bookmark(), rs->Bookmark());
  EXPECT_EQ(grid_->Row(), 0);

  rs->MoveLast();
  Deliver();
  EXPECT_EQ(grid_->Bookmark(), rs->Bookmark());
  EXPECT_EQ(grid_->Column(0).Value(), Variant(int32_t(5)));

  Variant second = rs->BookmarkAt(1);
  grid_->Bookmark(second);
  EXPECT_EQ(rs->AbsolutePosition(), 2);
  EXPECT_EQ(grid_->Bookmark(), second);
  EXPECT_EQ(grid_->Column(1).Value(), Variant("Müller"));

  grid_->Col(2);
  EXPECT_EQ(grid_->Col(), 2);
  EXPECT_THROW(grid_->Col(7), VMError);
}

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
}

TEST_P(GridContract, PostedMessagesArriveLaterInOrder) {
  grid_->PostMsg(5);
  grid_->PostMsg(18);
  grid_->PostMsg(5);
  EXPECT_TRUE(events_.posted.empty());
  Deliver();
  EXPECT_EQ(events_.posted, (std::vector<int>{5, 18, 5}));
  Deliver();
  EXPECT_EQ(events_.posted.size(), 3u);
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

TEST_P(GridContract, PositionsMatchWidthsAndHeaderHeight) {
  auto rs = Customers(3);
  grid_->DataSource(rs);
  grid_->HeaderLines(1);
  grid_->Column(0).Width(1500);
  grid_->Column(1).Width(1200);
  const double header = kHeaderLine;
  const double row = grid_->RowHeight();
  ASSERT_GT(row, 0);

  EXPECT_EQ(grid_->ColContaining(kSelectors + 750), 0);
  EXPECT_EQ(grid_->ColContaining(kSelectors + 1500 + 600), 1);
  EXPECT_LT(grid_->ColContaining(kSelectors / 2), 0);  // record selectors
  grid_->Column(0).Visible(false);
  EXPECT_EQ(grid_->ColContaining(kSelectors + 600), 1);

  EXPECT_LT(grid_->RowContaining(header / 2), 0);  // header
  EXPECT_EQ(grid_->RowContaining(header + row / 2), 0);
  EXPECT_EQ(grid_->RowContaining(header + 2 * row + row / 2), 2);
  EXPECT_LT(grid_->RowContaining(header + 3 * row + row / 2), 0);  // below the last row
  EXPECT_EQ(grid_->RowBookmark(2), rs->BookmarkAt(2));
  EXPECT_FALSE(grid_->PointBeyondLastRow(header + row / 2));
  EXPECT_TRUE(grid_->PointBeyondLastRow(header + 3 * row + row / 2));

  grid_->HeaderLines(2);
  EXPECT_LT(grid_->RowContaining(header + row / 2), 0);
  EXPECT_EQ(grid_->RowContaining(2 * header + row / 2), 0);
}

TEST_P(GridContract, ArrayCellsShowAndEdit) {
  auto array = std::make_shared<XArray>(1, 1, 0, 2);
  array->Value(1, 0, Variant("Mei*"));
  array->Value(1, 2, Variant(int32_t(17)));
  for (int i = 0; i < 3; ++i) grid_->AddColumn(i);
  grid_->BindArray(array);
  EXPECT_EQ(grid_->BoundArray(), array);
  EXPECT_EQ(grid_->CellText(0, 0), "Mei*");
  EXPECT_EQ(grid_->CellText(0, 1), "");
  EXPECT_EQ(grid_->CellText(0, 2), "17");
  EXPECT_EQ(grid_->Bookmark(), Variant(int32_t(1)));

  grid_->Col(1);
  grid_->EditActive(true);
  ASSERT_TRUE(grid_->EditActive());
  grid_->SetProperty(67, Variant("Köln"));
  EXPECT_TRUE(grid_->DataChanged());
  grid_->CommitEdit();
  EXPECT_FALSE(grid_->EditActive());
  EXPECT_EQ(array->Value(1, 1), Variant("Köln"));
  EXPECT_EQ(events_.colUpdates, (std::vector<int>{1}));
  EXPECT_EQ(grid_->CellText(0, 1), "Köln");

  // A dropped edit leaves the cell alone.
  grid_->EditActive(true);
  grid_->SetProperty(67, Variant("weg"));
  grid_->DataChanged(false);
  EXPECT_EQ(array->Value(1, 1), Variant("Köln"));

  // The array may shrink underneath; the grid shows empty cells, never fails.
  array->ReDim(1, 1, 0, 0, true);
  EXPECT_EQ(grid_->CellText(0, 2), "");
  grid_->Rebind();
  EXPECT_EQ(grid_->CellText(0, 0), "Mei*");
}

std::string KindName(const ::testing::TestParamInfo<size_t>& info) {
  return Kinds().at(info.param).name;
}

INSTANTIATE_TEST_SUITE_P(AllFrontEnds, GridContract, ::testing::Range<size_t>(0, Kinds().size()),
                         KindName);

}  // namespace
}  // namespace vmbgrid::contract
