// The Qt grid over recordsets: scrolling a large result, committing edits.
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/qt/qt_test_support.h"

namespace vmbgrid::qttest {
namespace {

using QtGridData = FormTest;

TEST_F(QtGridData, EditsAreConvertedAndCommittedIntoTheRecordset) {
  auto rs = Numbers(3);
  grid_->DataSource(rs);
  grid_->Col(0);
  grid_->EditActive(true);
  ASSERT_TRUE(grid_->EditActive());
  grid_->SetProperty(67, Variant(" 42 "));
  grid_->CommitEdit();
  EXPECT_EQ(rs->Value("Nr"), Variant(int32_t(42)));
  EXPECT_EQ(events_.order, (std::vector<std::string>{"AfterColUpdate", "AfterUpdate"}));

  // A text that is no number is refused with a German message.
  events_.order.clear();
  grid_->EditActive(true);
  grid_->SetProperty(67, Variant("vierzig"));
  grid_->CommitEdit();
  EXPECT_EQ(rs->Value("Nr"), Variant(int32_t(42)));
  EXPECT_TRUE(events_.order.empty());
  ASSERT_EQ(platform_->messages.Entries().size(), 1u);
  EXPECT_EQ(platform_->messages.Entries()[0].text,
            "Der Wert \"vierzig\" passt nicht in die Spalte \"Nr\".");
  // The refused text stays in the editor until it is corrected or dropped.
  EXPECT_TRUE(grid_->EditActive());
  EXPECT_EQ(grid_->GetProperty(67), Variant("vierzig"));
  grid_->DataChanged(false);
  grid_->EditActive(false);

  // A text longer than the field (Name holds 40 characters) is refused as well.
  platform_->messages.Clear();
  grid_->Col(1);
  grid_->EditActive(true);
  grid_->SetProperty(67, Variant(std::string(41, 'x')));
  grid_->CommitEdit();
  EXPECT_EQ(rs->Value("Name"), Variant("Zeile 1"));
  EXPECT_TRUE(events_.order.empty());
  ASSERT_EQ(platform_->messages.Entries().size(), 1u);
  EXPECT_NE(platform_->messages.Entries()[0].text.find("zu lang (höchstens 40 Zeichen)"),
            std::string::npos)
      << platform_->messages.Entries()[0].text;

  // Read-only grids open no editor.
  grid_->DataChanged(false);
  grid_->EditActive(false);
  grid_->AllowUpdate(false);
  grid_->EditActive(true);
  EXPECT_FALSE(grid_->EditActive());
}

TEST_F(QtGridData, NewRowTakesDefaultsAndDeleteAsksFirst) {
  struct Rows : Events {
    bool refuse = false;
    int requests = 0, added = 0, inserted = 0, deleted = 0;
    void BeforeRowChangeRequest(GridControl&, bool& cancel) override {
      ++requests;
      cancel = refuse;
    }
    void OnAddNew(GridControl&) override { ++added; }
    void AfterInsert(GridControl&) override { ++inserted; }
    void AfterDelete(GridControl&) override { ++deleted; }
  } rows;
  grid_->SetListener(&rows);
  auto rs = Numbers(2);
  grid_->DataSource(rs);
  grid_->AllowAddNew(true);
  ASSERT_EQ(View()->model()->rowCount(), 3);  // the add-new row
  grid_->Column(0).DefaultValue(Variant(int32_t(99)));
  QAbstractItemModel* model = View()->model();
  ASSERT_TRUE(model->setData(model->index(2, 1), QString("Neu"), Qt::EditRole));
  EXPECT_EQ(rs->RecordCount(), 3);
  EXPECT_EQ(rows.added, 1);
  EXPECT_EQ(rows.inserted, 1);
  EXPECT_EQ(grid_->CellText(2, 0), "99");
  EXPECT_EQ(grid_->CellText(2, 1), "Neu");

  rows.refuse = true;
  grid_->Bookmark(rs->BookmarkAt(0));
  grid_->DeleteCurrentRow();
  EXPECT_EQ(rs->RecordCount(), 3);
  rows.refuse = false;
  grid_->DeleteCurrentRow();
  EXPECT_EQ(rs->RecordCount(), 2);
  EXPECT_EQ(rows.deleted, 1);
  EXPECT_EQ(grid_->CellText(0, 1), "Zeile 2");
  grid_->SetListener(&events_);
}

// A text of ten megabytes in one cell: shown, measured and printed as its first
// 10 000 characters and "…"; the recordset, CellText and the export keep all of it,
// and the cell is not edited in the grid, where only part of it would be.
TEST_F(QtGridData, AHugeCellIsShownCutAndKeptWhole) {
  // A memo column: the text has no length limit in the recordset.
  auto rs = data::DefaultDataAccess().CreateRecordset();
  rs->AppendField("Nr", adInteger);
  rs->AppendField("Name", adLongVarWChar);
  rs->OpenFabricated();
  const std::string huge = std::string(10 * 1024 * 1024 - 2, 'x') + "ü";
  for (int i = 0; i < 2; ++i) {
    rs->AddNew();
    rs->SetValue(0, Variant(int32_t(i + 1)));
    rs->SetValue(1, Variant(i == 0 ? huge : std::string("kurz")));
    rs->Update();
  }
  rs->MoveFirst();
  grid_->DataSource(rs);
  grid_->Column(1).Width(3000);
  const QString shown =
      View()->model()->data(View()->model()->index(0, 1), Qt::DisplayRole).toString();
  EXPECT_EQ(shown.size(), 10001);
  EXPECT_TRUE(shown.endsWith(QChar(0x2026)));
  EXPECT_EQ(grid_->CellText(0, 1), huge);
  grid_->Column(1).SetProperty(CoreColumn::kAutoSizeProperty, Variant(true));
  EXPECT_GT(grid_->Column(1).Width(), 3000);

  const auto file = std::filesystem::temp_directory_path() / "vmb_huge_export.txt";
  grid_->Export(file.string(), true, ";", "\"", "\"");
  std::ifstream in(file, std::ios::binary);
  const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(written.find("\"" + huge + "\""), std::string::npos);
  std::filesystem::remove(file);

  grid_->Col(1);
  grid_->EditActive(true);
  EXPECT_FALSE(grid_->EditActive());
  EXPECT_EQ(platform_->messages.Entries().size(), 1u);
  EXPECT_EQ(rs->Value("Name"), Variant(huge));
}

}  // namespace
}  // namespace vmbgrid::qttest
