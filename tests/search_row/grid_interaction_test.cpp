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
  auto [x, y] = main.HeaderPoint(1);
  main.Click(kLeftButton, 0, x, y);
  EXPECT_TRUE(statements.empty());  // deferred until the click has finished
  Pump();
  EXPECT_EQ(OrderOf(LastStatement()), "[Name] DESC");
  main.Click(kLeftButton, 0, x, y);
  Pump();
  EXPECT_EQ(OrderOf(LastStatement()), "[Name] ASC");
  auto [x2, y2] = main.HeaderPoint(2);
  main.Click(kLeftButton, 0, x2, y2);
  Pump();
  EXPECT_EQ(OrderOf(LastStatement()), "[Ort] ASC");
  EXPECT_EQ(vm->PreviousSortBy(), "Name");

  // A right click opens the column menu and never sorts; neither does a disallowed sort.
  std::vector<double> menuAt;
  vm->Interaction().hooks.showColumnMenu = [&](double mx, double) { menuAt.push_back(mx); };
  statements.clear();
  main.Click(kRightButton, 0, x, y);
  vm->AllowUserSort(false);
  main.Click(kLeftButton, 0, x, y);
  Pump();
  EXPECT_TRUE(statements.empty());
  EXPECT_EQ(menuAt, (std::vector<double>{x}));
}

TEST_F(DataGrid, CtrlClicksBuildAMultiColumnSort) {
  Attach();
  Load();
  auto header = [this](int c) { return main.HeaderPoint(c); };
  // Ctrl+click beside the last column: nothing to add, the order stays.
  double beside = main.Width() - 10;
  ASSERT_LT(main.ColContaining(beside), 0);
  main.Click(kLeftButton, kCtrlMask, beside, header(1).second);
  Pump();
  EXPECT_TRUE(statements.empty());

  main.Click(kLeftButton, 0, header(1).first, header(1).second);
  Pump();
  ASSERT_EQ(OrderOf(LastStatement()), "[Name] DESC");
  main.Click(kLeftButton, kCtrlMask, header(2).first, header(2).second);
  Pump();
  EXPECT_EQ(OrderOf(LastStatement()), "[Name] DESC, [Ort] ASC");
  EXPECT_EQ(vm->SortBy(), "");
  main.Click(kLeftButton, kCtrlMask, header(3).first, header(3).second);
  Pump();
  EXPECT_EQ(OrderOf(LastStatement()), "[Name] DESC, [Ort] ASC, [Umsatz] ASC");
  main.Click(kLeftButton, kCtrlMask, header(2).first, header(2).second);
  Pump();
  EXPECT_EQ(OrderOf(LastStatement()), "[Name] DESC, [Ort] DESC, [Umsatz] ASC");

  // A plain click starts over with one column.
  main.Click(kLeftButton, 0, header(0).first, header(0).second);
  Pump();
  EXPECT_EQ(OrderOf(LastStatement()), "[Nr] DESC");
  EXPECT_EQ(vm->SortColumns().Count(), 0);
}

TEST_F(DataGrid, ResizingAndMovingDoNotSortButMirrorIntoTheLines) {
  Attach();
  Load();
  EXPECT_TRUE(main.ResizeColumn(1, 2222));
  Pump();
  EXPECT_TRUE(statements.empty());
  EXPECT_TRUE(vm->IsTempLayout());
  EXPECT_EQ(search.Column(1).Width(), 2222);
  EXPECT_EQ(sum.Column(1).Width(), 2222);

  EXPECT_TRUE(main.MoveColumn(3, 0));
  Pump();
  EXPECT_TRUE(statements.empty());
  EXPECT_EQ(search.Column(3).Order(), 0);
  EXPECT_EQ(sum.Column(3).Order(), 0);

  // The next header click sorts again.
  auto [x, y] = main.HeaderPoint(1);
  main.Click(kLeftButton, 0, x, y);
  Pump();
  EXPECT_EQ(OrderOf(LastStatement()), "[Name] DESC");

  // A field switched off keeps its column's width.
  vm->GridFields().Item("Ort")->visible(false);
  double before = main.Column(2).Width();
  EXPECT_FALSE(main.ResizeColumn(2, before + 500));
  EXPECT_EQ(main.Column(2).Width(), before);

  // Columns built anew in another index order (as a database layout builds them):
  // both lines are rebuilt, the typed criterion and the total stay with their fields.
  vm->SearchRowState().SetCell("Ort", Variant("B*"));
  const std::string total = sum.CellText(0, 3);
  ASSERT_NE(total, "");
  const std::vector<std::string> fields = {"Umsatz", "Ort", "Nr", "Name"};
  while (main.ColumnCount() > 0) main.RemoveColumn(0);
  for (size_t i = 0; i < fields.size(); ++i) main.AddColumn(int(i)).DataField(fields[i]);
  vm->ApplyValueTranslation();  // the formats, as after every layout load
  vm->Interaction().FollowColumns();
  for (size_t i = 0; i < fields.size(); ++i) {
    EXPECT_EQ(search.Column(int(i)).DataField(), fields[i]);
    EXPECT_EQ(sum.Column(int(i)).DataField(), fields[i]);
  }
  EXPECT_EQ(search.CellText(0, 1), "B*");
  EXPECT_EQ(sum.CellText(0, 0), total);
}

TEST_F(DataGrid, TheLastVisibleColumnCannotBeHidden) {
  Attach();
  Load();
  EXPECT_TRUE(vm->ShowColumn("Nr", false));
  EXPECT_TRUE(vm->ShowColumn("Name", false));
  EXPECT_TRUE(vm->ShowColumn("Ort", false));
  EXPECT_FALSE(vm->ShowColumn("Umsatz", false));
  EXPECT_TRUE(main.Column(3).Visible());
  EXPECT_TRUE(search.Column(3).Visible());
  EXPECT_FALSE(search.Column(2).Visible());
  EXPECT_FALSE(sum.Column(2).Visible());
  EXPECT_FALSE(vm->GridFields().Item("Ort")->visible());
  Pump();  // the layout messages keep the arrangement
  EXPECT_FALSE(main.Column(0).Visible());
  EXPECT_TRUE(main.Column(3).Visible());

  // The search line's last column follows: Tab in the one visible column leaves it.
  vm->ReturnNavigatesInGrid(false);
  vm->Requery();
  Pump();
  platform->form.FocusControl(search.Name());
  search.Col(3);
  search.PressKey(kKeyTab);
  Pump();
  EXPECT_EQ(Focused(), main.Name());

  EXPECT_TRUE(vm->ShowColumn("Ort", true));
  EXPECT_TRUE(main.Column(2).Visible());
  EXPECT_TRUE(vm->GridFields().Item("Ort")->visible());
}

TEST_F(DataGrid, DoubleClickOnlyOverDataRows) {
  Attach();
  Load();
  auto [hx, hy] = main.HeaderPoint(1);
  main.DoubleClick(hx, hy);
  EXPECT_EQ(events.dblClick, 0);
  EXPECT_FALSE(vm->LastClickOverData());
  auto [cx, cy] = main.CellPoint(1, 1);
  main.DoubleClick(cx, cy);
  EXPECT_EQ(events.dblClick, 1);
  EXPECT_TRUE(vm->LastClickOverData());
  Pump();
}

TEST_F(DataGrid, KeyboardShortcuts) {
  Attach();
  int queryMenu = 0;
  vm->Interaction().hooks.showQueryMenu = [&] { ++queryMenu; };
  Load();
  platform->form.FocusControl(main.Name());
  main.PressKey('F', kCtrlMask | kShiftMask);
  EXPECT_EQ(queryMenu, 1);
  main.PressKey('F', kCtrlMask);
  EXPECT_EQ(Focused(), main.Name());
  Pump();
  EXPECT_EQ(Focused(), search.Name());
  EXPECT_EQ(search.Col(), 0);
  search.PressKey('F', kCtrlMask | kShiftMask);
  EXPECT_EQ(queryMenu, 2);
  EXPECT_EQ(SearchCell(0), "");

  // Control characters never reach a cell; Backspace does.
  int ascii = 7;
  vm->Interaction().KeyPress(main, ascii);
  EXPECT_EQ(ascii, 0);
  ascii = 8;
  vm->SearchRowState().KeyPress(search, ascii);
  EXPECT_EQ(ascii, 8);

  // Esc drops the pending edit of the search cell.
  search.Col(1);
  search.Type("Mei");
  search.PressKey(kKeyEscape);
  EXPECT_FALSE(search.EditActive());
  EXPECT_EQ(SearchCell(1), "");
}

TEST_F(DataGrid, NewRowsGetTheHiddenKeyValuesWithoutOrPrefix) {
  Attach();
  vm->ReadOnly(false);
  vm->AddPrimaryKeyRestriction("Mandant", Variant("ODER 7"), false, adInteger);
  Load();
  ASSERT_EQ(vm->RecordCount(), 2);
  GridColumn* mandant = main.ColumnByField("Mandant");
  ASSERT_NE(mandant, nullptr);
  EXPECT_FALSE(mandant->Visible());
  ASSERT_TRUE(main.AddNewRow({{"Nr", "9"}, {"Name", "Neu"}}));
  EXPECT_EQ(mandant->DefaultValue().ToTextOrEmpty(), "7");
  auto rs = vm->CurrentRecordset();
  EXPECT_EQ(rs->Value("Mandant").ToInt32(), 7);
}

}  // namespace
}  // namespace vmbgrid::testing

namespace vmbgrid::testing {
namespace {

TEST_F(DataGrid, InputDropDownListsTheValueListOrItsSource) {
  HeadlessDropDown& input = inputDropDown;
  Attach();
  vm->ReadOnly(false);
  vm->DropdownInput(&input);
  auto name = vm->GridFields().Item("Name");
  name->comboInput = true;
  name->AddValue(Variant("Meier"), Variant("Herr Meier"));
  name->AddValue(Variant("Müller"), Variant("Frau Müller"));
  vm->GridFields().Item("Ort")->DatasourceDropdown("SELECT DISTINCT Ort FROM Kunden");
  Load();
  EXPECT_EQ(main.Column(1).DropDown(), "ddEingabe");
  EXPECT_EQ(main.Column(2).DropDown(), "ddEingabe");
  EXPECT_EQ(main.Column(3).DropDown(), "");

  platform->form.FocusControl(main.Name());
  main.Col(1);
  input.Open();
  ASSERT_NE(input.DataSource(), nullptr);
  auto rs = input.DataSource();
  ASSERT_EQ(rs->RecordCount(), 2);
  EXPECT_EQ(rs->ValueAt(1, 0).ToTextOrEmpty(), "Frau Müller");
  EXPECT_TRUE(statements.empty());

  main.Col(2);
  input.Open();
  EXPECT_EQ(input.DataSource()->RecordCount(), 3);
}

}  // namespace
}  // namespace vmbgrid::testing
