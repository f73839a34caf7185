// The Qt grid over recordsets: scrolling a large result, committing edits.
#include <QHeaderView>
#include <QScrollBar>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/qt/qt_test_support.h"

namespace vmbgrid::qttest {
namespace {

using QtGridData = FormTest;

TEST_F(QtGridData, MillionRowsScrollToTheEnd) {
  constexpr int kRows = 1000000;
  auto rs = data::DefaultDataAccess().CreateRecordset();
  rs->AppendField("Nr", adInteger);
  rs->OpenFabricated();
  for (int i = 0; i < kRows; ++i) {
    rs->AddNew();
    rs->SetValue(0, Variant(int32_t(i + 1)));
    rs->Update();
  }
  rs->MoveFirst();
  grid_->DataSource(rs);
  EXPECT_EQ(grid_->RowCount(), kRows);
  // The view holds a window of rows, its header a section for each of them only.
  EXPECT_LE(View()->verticalHeader()->count(), grid_->VisibleRows() + 2);
  QScrollBar* bar = View()->verticalScrollBar();
  EXPECT_EQ(bar->maximum() + bar->pageStep(), kRows);  // the bar spans all rows
  grid_->SetFocus();
  QTest::keyClick(View(), Qt::Key_End, Qt::ControlModifier);  // to the last row
  QApplication::processEvents();
  EXPECT_EQ(rs->AbsolutePosition(), kRows);
  EXPECT_EQ(grid_->Column(0).Value(), Variant(int32_t(kRows)));
  EXPECT_EQ(grid_->RowBookmark(grid_->Row()), rs->Bookmark());
  EXPECT_GT(grid_->TopRow(), kRows - 100);
  View()->verticalScrollBar()->setValue(kRows / 2);
  QApplication::processEvents();
  EXPECT_EQ(grid_->CellText(grid_->TopRow(), 0), std::to_string(grid_->TopRow() + 1));
  rs->MoveFirst();  // the grid follows the recordset back
  QApplication::processEvents();
  EXPECT_EQ(grid_->TopRow(), 0);
  EXPECT_EQ(grid_->Row(), 0);
}

TEST_F(QtGridData, BooleansAreCheckBoxesAndTheCurrentRowIsMarked) {
  auto rs = data::DefaultDataAccess().CreateRecordset();
  rs->AppendField("Nr", adInteger);
  rs->AppendField("Aktiv", adBoolean);
  rs->OpenFabricated();
  for (int i = 0; i < 3; ++i) {
    rs->AddNew();
    rs->SetValue(0, Variant(int32_t(i + 1)));
    rs->SetValue(1, Variant(i != 1));
    rs->Update();
  }
  rs->MoveFirst();
  grid_->DataSource(rs);
  QAbstractItemModel* m = View()->model();
  EXPECT_EQ(m->data(m->index(0, 1), Qt::CheckStateRole).toInt(), Qt::Checked);
  EXPECT_EQ(m->data(m->index(1, 1), Qt::CheckStateRole).toInt(), Qt::Unchecked);
  EXPECT_TRUE(m->data(m->index(0, 1), Qt::DisplayRole).toString().isEmpty()) << "no Wahr/Falsch";
  EXPECT_FALSE(m->data(m->index(0, 0), Qt::CheckStateRole).isValid()) << "numbers stay text";
  // With a translating value list the list's texts are shown instead.
  ValueItem yes;
  yes.value = Variant(true);
  yes.display = Variant("ja");
  grid_->Column(1).AddValueItem(yes);
  grid_->Column(1).Translate(true);
  EXPECT_FALSE(m->data(m->index(0, 1), Qt::CheckStateRole).isValid());
  EXPECT_EQ(m->data(m->index(0, 1), Qt::DisplayRole).toString(), QStringLiteral("ja"));

  // The record selector marks the current row, and follows it.
  auto marker = [&](int row) { return m->headerData(row, Qt::Vertical).toString(); };
  EXPECT_FALSE(marker(0).isEmpty());
  EXPECT_TRUE(marker(1).isEmpty());
  rs->MoveNext();  // the grid follows its recordset
  QApplication::processEvents();
  EXPECT_TRUE(marker(0).isEmpty());
  EXPECT_FALSE(marker(1).isEmpty());
}

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

TEST_F(QtGridData, GeometryFollowsTheScreenAndTheSettings) {
  grid_->DataSource(Numbers(40));
  const double tpp = grid_->TwipsPerPixelX();
  grid_->Column(0).Width(1500);
  EXPECT_EQ(View()->horizontalHeader()->sectionSize(0), static_cast<int>(1500 / tpp + 0.5));
  grid_->HeaderLines(0);
  EXPECT_TRUE(View()->horizontalHeader()->isHidden());
  EXPECT_EQ(grid_->RowContaining(grid_->RowHeight() / 2), 0);
  grid_->RowHeight(600);
  EXPECT_EQ(View()->rowHeight(0), static_cast<int>(600 / grid_->TwipsPerPixelY() + 0.5));
  EXPECT_GT(grid_->VisibleRows(), 0);
  EXPECT_FALSE(grid_->PointBeyondLastRow(grid_->Height() - 68));
  grid_->RecordSelectors(false);
  EXPECT_EQ(grid_->ColContaining(tpp), 0);
  grid_->Width(3000);
  EXPECT_EQ(View()->width(), static_cast<int>(3000 / tpp + 0.5));
  EXPECT_LT(grid_->ColContaining(4000), 0);  // beyond the right edge
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
