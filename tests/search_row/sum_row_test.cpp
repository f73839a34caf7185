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
    // clang-format off
    vm_->AddField({.name = "Betrag", .caption = "Betrag", .datatype = adVariant,
                   .sumDatatype = vmSUM, .sumalignment = dbgCenter});
    vm_->AddField({.name = "Art", .caption = "Art", .datatype = adVarWChar, .size = 20,
                   .sumvalue = "Summe:"});
    // clang-format on
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

TEST_F(SumLine, DeletingARowLowersTheTotalAtOnce) {
  AttachRows();
  platform_->form.FocusControl(main_.Name());
  ASSERT_EQ(main_.CurrentOrdinal(), 0);
  EXPECT_EQ(SumCell(1), "3,5") << "numbers add up, the text adds nothing";
  EXPECT_EQ(SumCell(2), "Summe:");
  main_.PressKey(kKeyDelete, kCtrlMask);  // no pending change: the row goes
  EXPECT_EQ(main_.RowCount(), 2);
  EXPECT_EQ(SumCell(1), "2");

  // A total beyond 38 digits says so, never an infinity; a NaN shows as the cell does.
  Decimal big;
  ASSERT_TRUE(Decimal::Parse(std::string(38, '9'), big));
  auto odd = std::make_shared<XArray>(1, 2, 0, 2);
  odd->Value(1, 1, Variant(big));
  odd->Value(2, 1, Variant(int32_t{1}));
  vm_->SetArray(odd);
  vm_->Requery();
  EXPECT_EQ(SumCell(1), "Überlauf");
  odd->Value(2, 1, Variant(std::nan("")));
  vm_->SetArray(odd);
  vm_->Requery();
  EXPECT_EQ(SumCell(1), "NaN");
}

TEST_F(SumLine, EditingASumColumnUpdatesTheTotal) {
  refreshOnLeaveColumn = true;
  AttachRows();
  vm_->ReadOnly(false);
  vm_->Requery();
  Pump();
  // The totals cover only the rows the search leaves.
  TypeInSearch(0, "Mei*");
  search_.PressKey(kKeyTab);
  Pump();
  EXPECT_EQ(SumCell(1), "1,5");
  platform_->form.FocusControl(main_.Name());
  ASSERT_TRUE(main_.EditCell(1, "4"));
  EXPECT_EQ(SumCell(1), "4");
}

}  // namespace
}  // namespace vmbgrid::testing
