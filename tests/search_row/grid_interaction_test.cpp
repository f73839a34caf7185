#include "fixture.h"

namespace vmbgrid::testing {
namespace {

using DataGrid = BrowserTest;

std::string OrderOf(const std::string& statement) {
  size_t at = statement.find(" ORDER BY ");
  return at == std::string::npos ? "" : statement.substr(at + 10);
}

TEST_F(DataGrid, CtrlClicksBuildAMultiColumnSort) {
  Attach();
  Load();
  // A click on the header of column c; the order of the statement it sent.
  auto click = [this](int c, int modifiers) {
    auto [x, y] = main_.HeaderPoint(c);
    main_.Click(kLeftButton, modifiers, x, y);
    Pump();
    return OrderOf(LastStatement());
  };
  // Ctrl+click beside the last column: nothing to add, the order stays.
  double beside = main_.Width() - 10;
  ASSERT_LT(main_.ColContaining(beside), 0);
  main_.Click(kLeftButton, kCtrlMask, beside, main_.HeaderPoint(1).second);
  Pump();
  EXPECT_TRUE(log_.empty());

  ASSERT_EQ(click(1, 0), "[Name] DESC");
  EXPECT_EQ(click(2, kCtrlMask), "[Name] DESC, [Ort] ASC");
  EXPECT_EQ(vm_->SortBy(), "");
  EXPECT_EQ(click(3, kCtrlMask), "[Name] DESC, [Ort] ASC, [Umsatz] ASC");
  EXPECT_EQ(click(2, kCtrlMask), "[Name] DESC, [Ort] DESC, [Umsatz] ASC");
  // A plain click starts over with one column.
  EXPECT_EQ(click(0, 0), "[Nr] DESC");
  EXPECT_EQ(vm_->SortColumns().Count(), 0);
}

TEST_F(DataGrid, NewRowsGetTheHiddenKeyValuesWithoutOrPrefix) {
  Attach();
  vm_->ReadOnly(false);
  vm_->AddPrimaryKeyRestriction("Mandant", Variant("ODER 7"), false, adInteger);
  Load();
  ASSERT_EQ(vm_->RecordCount(), 2);
  GridColumn* mandant = main_.ColumnByField("Mandant");
  ASSERT_NE(mandant, nullptr);
  EXPECT_FALSE(mandant->Visible());
  ASSERT_TRUE(main_.AddNewRow({{"Nr", "9"}, {"Name", "Neu"}}));
  EXPECT_EQ(mandant->DefaultValue().ToTextOrEmpty(), "7");
  auto rs = vm_->CurrentRecordset();
  EXPECT_EQ(rs->Value("Mandant").ToInt32(), 7);
}

TEST_F(DataGrid, InputDropDownListsTheValueListOrItsSource) {
  HeadlessDropDown& input = inputDropDown;
  Attach();
  vm_->ReadOnly(false);
  vm_->DropdownInput(&input);
  auto name = vm_->GridFields().Item("Name");
  name->comboInput = true;
  name->AddValue(Variant("Meier"), Variant("Herr Meier"));
  name->AddValue(Variant("Müller"), Variant("Frau Müller"));
  vm_->GridFields().Item("Ort")->DatasourceDropdown("SELECT DISTINCT Ort FROM Kunden");
  Load();
  EXPECT_EQ(main_.Column(1).DropDown(), "ddEingabe");
  EXPECT_EQ(main_.Column(2).DropDown(), "ddEingabe");
  EXPECT_EQ(main_.Column(3).DropDown(), "");

  platform_->form.FocusControl(main_.Name());
  main_.Col(1);
  input.Open();
  ASSERT_NE(input.DataSource(), nullptr);
  auto rs = input.DataSource();
  ASSERT_EQ(rs->RecordCount(), 2);
  EXPECT_EQ(rs->ValueAt(1, 0).ToTextOrEmpty(), "Frau Müller");
  EXPECT_TRUE(log_.empty());

  main_.Col(2);
  input.Open();
  EXPECT_EQ(input.DataSource()->RecordCount(), 3);
}

}  // namespace
}  // namespace vmbgrid::testing
