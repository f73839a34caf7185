#include <cmath>

#include "fixture.h"

namespace vmbgrid::testing {
namespace {

class SumLine : public BrowserTest {
 protected:
  // Host-supplied rows: amounts 1.5, 2 and a text, in a column of any type.
  void AttachRows() {
    vm = std::make_unique<VMGrid>();
    vm->Init(0, "Test", "frmMain");
    vm->grid(&main);
    vm->SearchGrid(&search);
    vm->SumGrid(&sum);
    vm->AddField({.name = "Name", .caption = "Name", .datatype = adVarWChar, .size = 50});
    vm->AddField({.name = "Betrag",
                  .caption = "Betrag",
                  .datatype = adVariant,
                  .sumDatatype = vmSUM,
                  .sumalignment = dbgCenter});
    vm->AddField({.name = "Art",
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
    vm->SetArray(rows);
    vm->Requery();
    Pump();
  }
};

TEST_F(SumLine, TotalsAddNumbersOnlyAndFixedTextsShowAsGiven) {
  AttachRows();
  EXPECT_EQ(SumCell(0), "");
  EXPECT_EQ(SumCell(1), "3,5");
  EXPECT_EQ(SumCell(2), "Summe:");
  EXPECT_EQ(sum.Column(1).Alignment(), dbgCenter);
  EXPECT_EQ(sum.Column(0).Alignment(), main.Column(0).Alignment());
}

TEST_F(SumLine, TotalsCoverOnlyTheFilteredRows) {
  AttachRows();
  TypeInSearch(0, "Mei*");
  search.PressKey(kKeyTab);
  Pump();
  EXPECT_EQ(vm->RecordCount(), 2);
  EXPECT_EQ(SumCell(1), "1,5");
}

TEST_F(SumLine, DeletingARowLowersTheTotalAtOnce) {
  AttachRows();
  platform->form.FocusControl(main.Name());
  ASSERT_EQ(main.CurrentOrdinal(), 0);
  main.PressKey(kKeyDelete, kCtrlMask);  // no pending change: the row goes
  EXPECT_EQ(main.RowCount(), 2);
  EXPECT_EQ(SumCell(1), "2");
}

TEST_F(SumLine, EditingASumColumnUpdatesTheTotal) {
  refreshOnLeaveColumn = true;
  AttachRows();
  vm->ReadOnly(false);
  vm->Requery();
  Pump();
  platform->form.FocusControl(main.Name());
  ASSERT_TRUE(main.EditCell(1, "4"));
  EXPECT_EQ(SumCell(1), "6");
}

TEST_F(SumLine, NullSumValueLeavesTheCellEmpty) {
  AttachRows();
  vm->GridFields().Item("Art")->sumvalue = Variant::Null();
  vm->SumRowState().ComputeSums();
  EXPECT_EQ(SumCell(2), "");
}

TEST_F(SumLine, ManyRowsAreSummedWithoutAStatement) {
  Attach();
  Load();
  EXPECT_EQ(SumCell(3), "33,5");
  vm->SumRowState().ComputeSums();
  EXPECT_TRUE(statements.empty());
}

}  // namespace
}  // namespace vmbgrid::testing

namespace vmbgrid::testing {
namespace {

using SumLineOnTable = BrowserTest;

TEST_F(SumLineOnTable, FormatsFallBackToTheFieldAndTheColumnAndTheScrollBarFollowsTheRows) {
  Attach();
  vm->GridFields().Item("Umsatz")->sumformatstring = "  ";
  vm->GridFields().Item("Nr")->sumalignment = dbgCenter;
  Load();
  EXPECT_EQ(sum.Column(3).NumberFormat(), "Standard");
  EXPECT_EQ(sum.Column(3).Alignment(), main.Column(3).Alignment());
  EXPECT_EQ(sum.Column(0).NumberFormat(), "#########0");
  EXPECT_EQ(sum.Column(0).Alignment(), dbgCenter);
  EXPECT_EQ(SumCell(3), "33,5");
  EXPECT_EQ(sum.ScrollBars(), 2);  // four rows leave room below the last one

  vm->RecordSource("Fehlt");
  vm->Requery();
  Pump();
  EXPECT_EQ(sum.ScrollBars(), 0);
  EXPECT_EQ(SumCell(3), "0");
}

TEST_F(SumLineOnTable, TotalsReadAsDecimalNumbersWithoutBinaryResidue) {
  conn->Execute("DELETE FROM Kunden");
  conn->Execute(
      "INSERT INTO Kunden VALUES (1, 'A', 'X', 0.1, 7, ''), (2, 'B', 'X', 0.2, 7, ''), "
      "(3, 'C', 'Y', 1e20, 7, '')");
  Attach();
  vm->AddRestriction("Ort", Variant("X"), false, adVarChar);
  Load();
  EXPECT_EQ(SumCell(3), "0,3");
  vm->ClearRestriction("Ort");
  vm->Requery();
  EXPECT_EQ(SumCell(3), "1E+20");
}

TEST_F(SumLine, ExactTotalsOverflowAndNaNShowAsTheCellsDo) {
  vm = std::make_unique<VMGrid>();
  vm->Init(0, "Test", "frmMain");
  vm->grid(&main);
  vm->SumGrid(&sum);
  vm->AddField(
      {.name = "Betrag", .datatype = adNumeric, .FormatString = "#,##0.00", .sumDatatype = vmSUM});
  vm->AddField({.name = "Gross", .datatype = adNumeric, .sumDatatype = vmSUM});
  vm->AddField({.name = "Wert", .datatype = adDouble, .sumDatatype = vmSUM});
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
  vm->SetArray(rows);
  vm->Requery();
  Pump();
  EXPECT_EQ(main.CellText(0, 0), "0,10");
  EXPECT_EQ(SumCell(0), "0,30") << "exactly, not 0,30000000000000004";
  EXPECT_EQ(sum.CellText(0, 0), "0,30");
  EXPECT_EQ(SumCell(1), "Überlauf") << "beyond 38 digits: said, never an infinity";
  EXPECT_EQ(main.CellText(1, 2), "NaN");
  EXPECT_EQ(SumCell(2), "NaN") << "as the cell shows it";
}

}  // namespace
}  // namespace vmbgrid::testing
