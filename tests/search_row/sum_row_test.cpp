#include <cmath>

#include "fixture.h"

namespace vmbgrid::testing {
namespace {

class SumLine : public BrowserTest {
 protected:
  // Host-supplied rows: amounts 1.5, 2 and a text, in a column of any type.
  void AttachRows() {
    vm_ = std::make_unique<VMGrid>();
    vm_->Init(0, "Test", "frmMain");
    vm_->grid(&main_);
    vm_->SearchGrid(&search_);
    vm_->SumGrid(&sum_);
    vm_->AddField({.name = "Name", .caption = "Name", .datatype = adVarWChar, .size = 50});
    vm_->AddField({.name = "Betrag",
                   .caption = "Betrag",
                   .datatype = adVariant,
                   .sumDatatype = vmSUM,
                   .sumalignment = dbgCenter});
    vm_->AddField({.name = "Art",
                   .caption = "Art",
                   .datatype = adVarWChar,
                   .size = 20,
                   .sumvalue = "Summe:"});
    auto rows = std::make_shared<XArray>(1, 3, 0, 2);
    const char* names[] = {"Meier", "Müller", "Meiser"};
    Variant amounts[] = {Variant(1.5), Variant(int32_t{2}), Variant("offen")};
    for (int r = 1; r <= 3; ++r) {
      rows->Value(r, 0, Variant(names[r - 1]));
      rows->Value(r, 1, amounts[r - 1]);
      rows->Value(r, 2, Variant("A"));
    }
    vm_->SetArray(rows);
    vm_->Requery();
    Pump();
  }
};

TEST_F(SumLine, TotalsAddNumbersOnlyAndFixedTextsShowAsGiven) {
  AttachRows();
  EXPECT_EQ(SumCell(0), "");
  EXPECT_EQ(SumCell(1), "3,5");
  EXPECT_EQ(SumCell(2), "Summe:");
  EXPECT_EQ(sum_.Column(1).Alignment(), dbgCenter);
  EXPECT_EQ(sum_.Column(0).Alignment(), main_.Column(0).Alignment());
  // A fixed text of Null leaves the cell empty.
  vm_->GridFields().Item("Art")->sumvalue = Variant::Null();
  vm_->SumRowState().ComputeSums();
  EXPECT_EQ(SumCell(2), "");
  // The totals cover only the rows the search leaves.
  TypeInSearch(0, "Mei*");
  search_.PressKey(kKeyTab);
  Pump();
  EXPECT_EQ(vm_->RecordCount(), 2);
  EXPECT_EQ(SumCell(1), "1,5");
}

TEST_F(SumLine, DeletingARowLowersTheTotalAtOnce) {
  AttachRows();
  platform_->form.FocusControl(main_.Name());
  ASSERT_EQ(main_.CurrentOrdinal(), 0);
  main_.PressKey(kKeyDelete, kCtrlMask);  // no pending change: the row goes
  EXPECT_EQ(main_.RowCount(), 2);
  EXPECT_EQ(SumCell(1), "2");
}

TEST_F(SumLine, EditingASumColumnUpdatesTheTotal) {
  refreshOnLeaveColumn = true;
  AttachRows();
  vm_->ReadOnly(false);
  vm_->Requery();
  Pump();
  platform_->form.FocusControl(main_.Name());
  ASSERT_TRUE(main_.EditCell(1, "4"));
  EXPECT_EQ(SumCell(1), "6");
}

TEST_F(SumLine, ManyRowsAreSummedWithoutAStatement) {
  Attach();
  Load();
  EXPECT_EQ(SumCell(3), "33,5");
  vm_->SumRowState().ComputeSums();
  EXPECT_TRUE(log_.empty());
}

}  // namespace
}  // namespace vmbgrid::testing

namespace vmbgrid::testing {
namespace {

using SumLineOnTable = BrowserTest;

TEST_F(SumLineOnTable, FormatsFallBackToTheFieldAndTheColumnAndTheScrollBarFollowsTheRows) {
  Attach();
  vm_->GridFields().Item("Umsatz")->sumformatstring = "  ";
  vm_->GridFields().Item("Nr")->sumalignment = dbgCenter;
  Load();
  EXPECT_EQ(sum_.Column(3).NumberFormat(), "Standard");
  EXPECT_EQ(sum_.Column(3).Alignment(), main_.Column(3).Alignment());
  EXPECT_EQ(sum_.Column(0).NumberFormat(), "#########0");
  EXPECT_EQ(sum_.Column(0).Alignment(), dbgCenter);
  EXPECT_EQ(SumCell(3), "33,5");
  EXPECT_EQ(sum_.ScrollBars(), 2);  // four rows leave room below the last one

  vm_->RecordSource("Fehlt");
  vm_->Requery();
  Pump();
  EXPECT_EQ(sum_.ScrollBars(), 0);
  EXPECT_EQ(SumCell(3), "0");
}

TEST_F(SumLineOnTable, TotalsReadAsDecimalNumbersWithoutBinaryResidue) {
  conn_->Execute("DELETE FROM Kunden");
  conn_->Execute(
      "INSERT INTO Kunden VALUES (1, 'A', 'X', 0.1, 7, ''), (2, 'B', 'X', 0.2, 7, ''), "
      "(3, 'C', 'Y', 1e20, 7, '')");
  Attach();
  vm_->AddRestriction("Ort", Variant("X"), false, adVarChar);
  Load();
  EXPECT_EQ(SumCell(3), "0,3");
  vm_->ClearRestriction("Ort");
  vm_->Requery();
  EXPECT_EQ(SumCell(3), "1E+20");
}

TEST_F(SumLine, ExactTotalsOverflowAndNaNShowAsTheCellsDo) {
  vm_ = std::make_unique<VMGrid>();
  vm_->Init(0, "Test", "frmMain");
  vm_->grid(&main_);
  vm_->SumGrid(&sum_);
  vm_->AddField(
      {.name = "Betrag", .datatype = adNumeric, .FormatString = "#,##0.00", .sumDatatype = vmSUM});
  vm_->AddField({.name = "Gross", .datatype = adNumeric, .sumDatatype = vmSUM});
  vm_->AddField({.name = "Wert", .datatype = adDouble, .sumDatatype = vmSUM});
  const char* cells[3][2] = {
      {"0.10", "99999999999999999999999999999999999999"}, {"0.20", "1"}, {nullptr, nullptr}};
  auto rows = std::make_shared<XArray>(1, 3, 0, 2);
  for (int r = 1; r <= 3; ++r) {
    for (int c = 0; c < 2; ++c) {
      Decimal d;
      const bool present = cells[r - 1][c] != nullptr && Decimal::Parse(cells[r - 1][c], d);
      rows->Value(r, c, present ? Variant(d) : Variant::Null());
    }
    rows->Value(r, 2, Variant(r == 2 ? std::nan("") : 1.5));
  }
  vm_->SetArray(rows);
  vm_->Requery();
  Pump();
  EXPECT_EQ(main_.CellText(0, 0), "0,10");
  EXPECT_EQ(SumCell(0), "0,30") << "exactly, not 0,30000000000000004";
  EXPECT_EQ(sum_.CellText(0, 0), "0,30");
  EXPECT_EQ(SumCell(1), "Überlauf") << "beyond 38 digits: said, never an infinity";
  EXPECT_EQ(main_.CellText(1, 2), "NaN");
  EXPECT_EQ(SumCell(2), "NaN") << "as the cell shows it";
}

}  // namespace
}  // namespace vmbgrid::testing
