#include "fixture.h"

namespace vmbgrid::testing {
namespace {

using DataGrid = BrowserTest;

std::string OrderOf(const std::string& statement) {
  size_t at = statement.find(" ORDER BY ");
  return at == std::string::npos ? "" : statement.substr(at + 10);
}

TEST_F(DataGrid, HeaderClicksSortAndToggleTheDirection) {
  Attach();
  Load();
  auto [x, y] = main_.HeaderPoint(1);
  main_.Click(kLeftButton, 0, x, y);
  EXPECT_TRUE(log_.empty());  // deferred until the click has finished
  Pump();
  EXPECT_EQ(OrderOf(LastStatement()), "[Name] DESC");
  main_.Click(kLeftButton, 0, x, y);
  Pump();
  EXPECT_EQ(OrderOf(LastStatement()), "[Name] ASC");
  auto [x2, y2] = main_.HeaderPoint(2);
  main_.Click(kLeftButton, 0, x2, y2);
  Pump();
  EXPECT_EQ(OrderOf(LastStatement()), "[Ort] ASC");
  EXPECT_EQ(vm_->PreviousSortBy(), "Name");

  // A right click opens the column menu and never sorts; neither does a disallowed sort.
  std::vector<double> menuAt;
  vm_->Interaction().hooks.showColumnMenu = [&](double mx, double) { menuAt.push_back(mx); };
  log_.clear();
  main_.Click(kRightButton, 0, x, y);
  vm_->AllowUserSort(false);
  main_.Click(kLeftButton, 0, x, y);
  Pump();
  EXPECT_TRUE(log_.empty());
  EXPECT_EQ(menuAt, (std::vector<double>{x}));
}

TEST_F(DataGrid, CtrlClicksBuildAMultiColumnSort) {
  Attach();
  Load();
  auto header = [this](int c) { return main_.HeaderPoint(c); };
  // Ctrl+click beside the last column: nothing to add, the order stays.
  double beside = main_.Width() - 10;
  ASSERT_LT(main_.ColContaining(beside), 0);
  main_.Click(kLeftButton, kCtrlMask, beside, header(1).second);
  Pump();
  EXPECT_TRUE(log_.empty());

  main_.Click(kLeftButton, 0, header(1).first, header(1).second);
  Pump();
  ASSERT_EQ(OrderOf(LastStatement()), "[Name] DESC");
  main_.Click(kLeftButton, kCtrlMask, header(2).first, header(2).second);
  Pump();
  EXPECT_EQ(OrderOf(LastStatement()), "[Name] DESC, [Ort] ASC");
  EXPECT_EQ(vm_->SortBy(), "");
  main_.Click(kLeftButton, kCtrlMask, header(3).first, header(3).second);
  Pump();
  EXPECT_EQ(OrderOf(LastStatement()), "[Name] DESC, [Ort] ASC, [Umsatz] ASC");
  main_.Click(kLeftButton, kCtrlMask, header(2).first, header(2).second);
  Pump();
  EXPECT_EQ(OrderOf(LastStatement()), "[Name] DESC, [Ort] DESC, [Umsatz] ASC");

  // A plain click starts over with one column.
  main_.Click(kLeftButton, 0, header(0).first, header(0).second);
  Pump();
  EXPECT_EQ(OrderOf(LastStatement()), "[Nr] DESC");
  EXPECT_EQ(vm_->SortColumns().Count(), 0);
}

TEST_F(DataGrid, ResizingAndMovingDoNotSortButMirrorIntoTheLines) {
  Attach();
  Load();
  EXPECT_TRUE(main_.ResizeColumn(1, 2222));
  Pump();
  EXPECT_TRUE(log_.empty());
  EXPECT_TRUE(vm_->IsTempLayout());
  EXPECT_EQ(search_.Column(1).Width(), 2222);
  EXPECT_EQ(sum_.Column(1).Width(), 2222);

  EXPECT_TRUE(main_.MoveColumn(3, 0));
  Pump();
  EXPECT_TRUE(log_.empty());
  EXPECT_EQ(search_.Column(3).Order(), 0);
  EXPECT_EQ(sum_.Column(3).Order(), 0);

  // The next header click sorts again.
  auto [x, y] = main_.HeaderPoint(1);
  main_.Click(kLeftButton, 0, x, y);
  Pump();
  EXPECT_EQ(OrderOf(LastStatement()), "[Name] DESC");

  // A field switched off keeps its column's width.
  vm_->GridFields().Item("Ort")->visible(false);
  double before = main_.Column(2).Width();
  EXPECT_FALSE(main_.ResizeColumn(2, before + 500));
  EXPECT_EQ(main_.Column(2).Width(), before);

  // Columns built anew in another index order (as a database layout builds them):
  // both lines are rebuilt, the typed criterion and the total stay with their fields.
  vm_->SearchRowState().SetCell("Ort", Variant("B*"));
  const std::string total = sum_.CellText(0, 3);
  ASSERT_NE(total, "");
  const std::vector<std::string> fields = {"Umsatz", "Ort", "Nr", "Name"};
  while (main_.ColumnCount() > 0) main_.RemoveColumn(0);
  for (size_t i = 0; i < fields.size(); ++i) main_.AddColumn(int(i)).DataField(fields[i]);
  vm_->ApplyValueTranslation();  // the formats, as after every layout load
  vm_->Interaction().FollowColumns();
  for (size_t i = 0; i < fields.size(); ++i) {
    EXPECT_EQ(search_.Column(int(i)).DataField(), fields[i]);
    EXPECT_EQ(sum_.Column(int(i)).DataField(), fields[i]);
  }
  EXPECT_EQ(search_.CellText(0, 1), "B*");
  EXPECT_EQ(sum_.CellText(0, 0), total);
}

TEST_F(DataGrid, TheLastVisibleColumnCannotBeHidden) {
  Attach();
  Load();
  EXPECT_TRUE(vm_->ShowColumn("Nr", false));
  EXPECT_TRUE(vm_->ShowColumn("Name", false));
  EXPECT_TRUE(vm_->ShowColumn("Ort", false));
  EXPECT_FALSE(vm_->ShowColumn("Umsatz", false));
  EXPECT_TRUE(main_.Column(3).Visible());
  EXPECT_TRUE(search_.Column(3).Visible());
  EXPECT_FALSE(search_.Column(2).Visible());
  EXPECT_FALSE(sum_.Column(2).Visible());
  EXPECT_FALSE(vm_->GridFields().Item("Ort")->visible());
  Pump();  // the layout messages keep the arrangement
  EXPECT_FALSE(main_.Column(0).Visible());
  EXPECT_TRUE(main_.Column(3).Visible());

  // The search line's last column follows: Tab in the one visible column leaves it.
  vm_->ReturnNavigatesInGrid(false);
  vm_->Requery();
  Pump();
  platform_->form.FocusControl(search_.Name());
  search_.Col(3);
  search_.PressKey(kKeyTab);
  Pump();
  EXPECT_EQ(Focused(), main_.Name());

  EXPECT_TRUE(vm_->ShowColumn("Ort", true));
  EXPECT_TRUE(main_.Column(2).Visible());
  EXPECT_TRUE(vm_->GridFields().Item("Ort")->visible());
}

TEST_F(DataGrid, KeyboardShortcutsAndDoubleClicks) {
  Attach();
  int queryMenu = 0;
  vm_->Interaction().hooks.showQueryMenu = [&] { ++queryMenu; };
  Load();
  platform_->form.FocusControl(main_.Name());
  main_.PressKey('F', kCtrlMask | kShiftMask);
  EXPECT_EQ(queryMenu, 1);
  main_.PressKey('F', kCtrlMask);
  EXPECT_EQ(Focused(), main_.Name());
  Pump();
  EXPECT_EQ(Focused(), search_.Name());
  EXPECT_EQ(search_.Col(), 0);
  search_.PressKey('F', kCtrlMask | kShiftMask);
  EXPECT_EQ(queryMenu, 2);
  EXPECT_EQ(SearchCell(0), "");

  // Control characters never reach a cell; Backspace does.
  int ascii = 7;
  vm_->Interaction().KeyPress(main_, ascii);
  EXPECT_EQ(ascii, 0);
  ascii = 8;
  vm_->SearchRowState().KeyPress(search_, ascii);
  EXPECT_EQ(ascii, 8);

  // Esc drops the pending edit of the search cell.
  search_.Col(1);
  search_.Type("Mei");
  search_.PressKey(kKeyEscape);
  EXPECT_FALSE(search_.EditActive());
  EXPECT_EQ(SearchCell(1), "");

  // A double click counts only over the data rows.
  auto [hx, hy] = main_.HeaderPoint(1);
  main_.DoubleClick(hx, hy);
  EXPECT_EQ(events.dblClick, 0);
  EXPECT_FALSE(vm_->LastClickOverData());
  auto [cx, cy] = main_.CellPoint(1, 1);
  main_.DoubleClick(cx, cy);
  EXPECT_EQ(events.dblClick, 1);
  EXPECT_TRUE(vm_->LastClickOverData());
  Pump();
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

}  // namespace
}  // namespace vmbgrid::testing

namespace vmbgrid::testing {
namespace {

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
