// The headless grid over a fabricated recordset of the data-access layer.
#include <gtest/gtest.h>

#include "adapters/headless/headless.h"
#include "data/provider.h"
#include "host/error.h"

namespace vmbgrid {
namespace {

struct Events : GridListener {
  std::vector<std::string> log;
  void AfterColUpdate(GridControl&, int c) override {
    log.push_back("AfterColUpdate " + std::to_string(c));
  }
  void AfterUpdate(GridControl&) override { log.push_back("AfterUpdate"); }
  void AfterInsert(GridControl&) override { log.push_back("AfterInsert"); }
  void AfterDelete(GridControl&) override { log.push_back("AfterDelete"); }
  void BeforeRowChangeRequest(GridControl&, bool&) override {
    log.push_back("BeforeRowChangeRequest");
  }
  void OnAddNew(GridControl& g) override {
    log.push_back("OnAddNew");
    // As the controller does for hidden key columns of a new row.
    g.ColumnByField("Nr")->DefaultValue(Variant(int32_t{500}));
  }
};

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
  }
  void TearDown() override { ResetHeadlessPlatform(); }

  HeadlessPlatform* p_ = nullptr;
  std::shared_ptr<Recordset> rs_;
  HeadlessGrid grid_{"grid"};
  Events events_;
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
  EXPECT_EQ(events_.log, (std::vector<std::string>{
                             "AfterColUpdate 0", "AfterUpdate", "AfterColUpdate 2", "AfterUpdate",
                             "AfterColUpdate 3", "AfterUpdate", "AfterColUpdate 4", "AfterUpdate",
                             "AfterColUpdate 2", "AfterUpdate"}));
  EXPECT_TRUE(p_->messages.entries().empty());
}

TEST_F(RecordsetGridTest, TextThatDoesNotFitIsReportedAndKeptInTheEditor) {
  for (const auto& [col, text] : std::vector<std::pair<int, std::string>>{
           {0, "abc"}, {0, "99999999999"}, {0, "1.5.3"}, {3, "32.13.2003"}, {4, "vielleicht"}}) {
    p_->messages.clear();
    events_.log.clear();
    Variant before = rs_->Value(col);
    EXPECT_FALSE(grid_.EditCell(col, text)) << text;
    EXPECT_TRUE(grid_.EditActive());
    EXPECT_EQ(grid_.EditText(), text);
    EXPECT_EQ(rs_->Value(col), before) << "nothing half-written";
    ASSERT_EQ(p_->messages.entries().size(), 1u) << text;
    EXPECT_TRUE(events_.log.empty());
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
  EXPECT_EQ(events_.log,
            (std::vector<std::string>{"BeforeRowChangeRequest", "OnAddNew", "AfterInsert"}));

  p_->messages.clear();
  EXPECT_FALSE(grid_.AddNewRow({{"Nr", "x"}}));
  EXPECT_EQ(rs_->RecordCount(), 4) << "a refused new row is not kept";
  EXPECT_EQ(p_->messages.entries().size(), 1u);

  events_.log.clear();
  rs_->MoveFirst();
  EXPECT_TRUE(grid_.DeleteRow());
  EXPECT_EQ(rs_->RecordCount(), 3);
  EXPECT_EQ(grid_.Column(1).Value().ToText(), "Müller") << "the next row becomes current";
  EXPECT_EQ(events_.log, (std::vector<std::string>{"BeforeRowChangeRequest", "AfterDelete"}));
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
