#include "menus/menu_controller.h"

#include <cmath>
#include <exception>

#include "grid/vmgrid_events.h"
#include "host/platform.h"
#include "layout/layout_dialog.h"
#include "layout/layout_store.h"
#include "menus/menu_tree.h"
#include "model/enums.h"
#include "model/grid_controller.h"
#include "queries/query_store.h"
#include "search/grid_interaction.h"
#include "search/search_row.h"

namespace vmbgrid::menus {

namespace {

// The flags of DisableCustomization, in the order they are applied, with the
// entry each one disables.
struct Customization {
  int32_t flag;
  const char* band;
  const char* tool;
};
constexpr Customization kCustomizations[] = {
    {velmEmptyGrid, kPopOptions, kMnuEmptyTable},
    {velmQueryOnLeaveRow, kPopOptions, kMnuQueryOnLeaveRow},
    {velmSaveGrid, kPopTable, kMnuSaveTable},
    {velmExport, kPopTable, kMnuExportTable},
    {velmPrintPortrait, kPopPrintOrientation, kMnuPrintPortrait},
    {velmPrintLandscape, kPopPrintOrientation, kMnuPrintLandscape},
    {velmPreviewPortrait, kPopPreviewOrientation, kMnuPreviewPortrait},
    {velmPreviewLandscape, kPopPreviewOrientation, kMnuPreviewLandscape},
    {velmFilterSelected, kPopTableFilter, kMnuFilterSelected},
    {velmFilterNotSelected, kPopTableFilter, kMnuFilterNotSelected},
};

// Sets a state on the master tool and on its copies in the bands, so that a band
// rebuilt from the masters and a band kept as designed show the same.
template <class F>
void ForTool(MenuControl& menu, const char* name, std::initializer_list<const char*> bands, F f) {
  if (MenuTool* master = menu.Tool(name)) f(*master);
  for (const char* band : bands) {
    if (!menu.HasBand(band)) continue;
    for (MenuTool& t : menu.BandTools(band))
      if (t.name == name) f(t);
  }
}

void AppendMaster(MenuControl& menu, const char* band, const char* name) {
  if (MenuTool* master = menu.Tool(name)) menu.AddToBand(band, *master);
}

// "&" in a layout name is text, not an access key.
std::string MenuText(const std::string& name) {
  std::string out;
  for (char c : name) {
    if (c == '&') out += '&';
    out += c;
  }
  return out;
}

}  // namespace

MenuController::MenuController(GridController& owner) : owner_(owner) {}

MenuController::~MenuController() {
  for (DialogView* form : {layoutForm_.get(), queryForm_.get()})
    if (form && form->Menu()) form->Menu()->SetListener(nullptr);
}

void MenuController::CreateForms() {
  DialogFactory* factory = Platform::Dialogs();
  if (!factory) return;
  try {
    if (!layoutForm_) {
      layoutForm_ = factory->Create("frmGridLayout");
      if (layoutForm_ && layoutForm_->Menu()) {
        BuildLayoutMenus(*layoutForm_->Menu());
        layoutForm_->Menu()->SetListener(this);
      }
    }
    if (!queryForm_) {
      queryForm_ = factory->Create("frmQueries");
      if (queryForm_ && queryForm_->Menu()) {
        BuildQueryMenus(*queryForm_->Menu());
        queryForm_->Menu()->SetListener(this);
      }
    }
  } catch (const std::exception&) {
    // A front end that cannot make the forms has no menus; the grid works on.
  }
}

DialogView* MenuController::LayoutForm() {
  if (!layoutForm_) CreateForms();
  return layoutForm_.get();
}

DialogView* MenuController::QueryForm() {
  if (!queryForm_) CreateForms();
  return queryForm_.get();
}

MenuControl* MenuController::LayoutMenu() {
  DialogView* form = LayoutForm();
  return form ? form->Menu() : nullptr;
}

MenuControl* MenuController::QueryMenu() {
  DialogView* form = QueryForm();
  return form ? form->Menu() : nullptr;
}

// ---------------------------------------------------------------- customization

void MenuController::ApplyCustomization(int32_t mask) {
  if (mask == 0) return;
  MenuControl* menu = LayoutMenu();
  if (!menu) return;
  for (const auto& c : kCustomizations) {
    if ((mask & c.flag) == 0) continue;
    ForTool(*menu, c.tool, {c.band}, [](MenuTool& t) { t.enabled = false; });
  }
}

// ---------------------------------------------------------------- table menu

bool MenuController::LayoutsExist() { return !layout::SavedLayoutNames(owner_).empty(); }

void MenuController::AddLayoutEntry(const std::string& name, int32_t& counter) {
  MenuControl* menu = LayoutMenu();
  ++counter;
  MenuTool t;
  t.id = kFirstEntryId + counter;
  t.name = name;
  t.caption = MenuText(name);
  t.marker = kLayoutMarker;
  t.checkable = true;
  t.checked = name == owner_.layout() && !owner_.IsTempLayout();
  menu->AddToBand(kPopSettings, t);
}

void MenuController::FillLayoutEntries() {
  MenuControl* menu = LayoutMenu();
  menu->ClearBand(kPopSettings);
  int32_t counter = 0;
  for (const auto& name : layout::SavedLayoutNames(owner_)) AddLayoutEntry(name, counter);
}

void MenuController::RefreshOptionEntries(MenuControl& menu) {
  const auto options = {kPopOptions};
  if (owner_.SearchGrid()) {
    const bool empty = owner_.ShowEmptyGrid();
    const bool onLeave = !owner_.RefreshOnLeaveColumn();
    ForTool(menu, kMnuEmptyTable, options, [&](MenuTool& t) { t.checked = empty; });
    ForTool(menu, kMnuQueryOnLeaveRow, options, [&](MenuTool& t) { t.checked = onLeave; });
  } else {
    // Both options are about the search line.
    ForTool(menu, kMnuEmptyTable, options, [](MenuTool& t) {
      t.checked = false;
      t.enabled = false;
    });
    ForTool(menu, kMnuQueryOnLeaveRow, options, [](MenuTool& t) { t.enabled = false; });
  }
  ForTool(menu, kMnuEmptyTable, options, [](MenuTool& t) { t.checkable = true; });
  ForTool(menu, kMnuQueryOnLeaveRow, options, [](MenuTool& t) { t.checkable = true; });
  const std::string limit = std::to_string(owner_.MaxRecords());
  ForTool(menu, kMnuMaxRecords, {}, [&](MenuTool& t) { t.text = limit; });
}

void MenuController::BuildColumnList() {
  columns_.clear();
  for (const auto& f : owner_.GridFields()) {
    if (f->Hidden()) continue;
    columns_.push_back({f->caption, f->fieldname, f->visible(), false});
  }
}

void MenuController::ShowTableMenu(double x) {
  if (!PrepareTableMenu()) return;
  // At the grid's top edge, whatever the height of the click.
  Popup(*LayoutMenu(), kPopTable, x, 0);
}

bool MenuController::PrepareTableMenu() {
  MenuControl* menu = LayoutMenu();
  if (!menu) return false;
  GridControl* grid = owner_.grid();
  if (grid) grid->PostMsg(search::kGridResetPointer);
  menu->ClearBand(kPopTable);
  const bool layouts = LayoutsExist();
  if (layouts) AppendMaster(*menu, kPopTable, kMnuTableSettings);
  AppendMaster(*menu, kPopTable, kMnuSaveTable);
  MenuTool chooser;
  chooser.id = kColumnChooserId;
  chooser.name = kColumnChooserTool;
  chooser.caption = kColumnChooserTool;
  chooser.beginGroup = true;
  menu->AddToBand(kPopTable, chooser);
  BuildColumnList();
  if (layouts) FillLayoutEntries();
  if (!owner_.PrintAvailable()) {
    AppendMaster(*menu, kPopTable, kMnuPreview);
    AppendMaster(*menu, kPopTable, kMnuPrint);
  } else {
    for (const char* name : {kMnuVerwaltPrintLL80, kMnuPreviewLL80, kMnuPrintLL80, kMnuPrintLL80Dlg})
      AppendMaster(*menu, kPopTable, name);
  }
  for (const char* name : {kMnuExportTable, kMnuSerienDruck, kMnuSerienEMail, kMnuSammelEMail,
                           kMnuOptions})
    AppendMaster(*menu, kPopTable, name);
  RefreshOptionEntries(*menu);
  return true;
}

bool MenuController::PrepareFilterMenu() {
  MenuControl* menu = QueryMenu();
  if (!menu) return false;
  std::shared_ptr<VMGridFields> loaded;
  try {
    if (commands.loadQueries) commands.loadQueries();
    loaded = owner_.queries();
  } catch (const std::exception&) {
    // A mode without a query store offers only "Filter verwalten".
    loaded = nullptr;
  }
  menu->ClearBand(kPopFilter);
  AppendMaster(*menu, kPopFilter, kMnuFilterSave);
  int32_t counter = 0;
  for (bool parameterQueries : {true, false}) {
    if (!loaded) break;
    bool first = true;
    for (const auto& q : *loaded) {
      if (queries::IsParameterQuery(q->value.ToTextOrEmpty()) != parameterQueries) continue;
      MenuTool entry;
      if (const MenuTool* master = menu->Tool(parameterQueries ? kMnuQueryDlg : kMnuQuery))
        entry = *master;
      entry.name = q->fieldname;
      entry.caption = MenuText(q->caption);
      entry.id = kFirstQueryId + ++counter;
      entry.marker = kQueryMarker;
      entry.beginGroup = first;
      first = false;
      menu->AddToBand(kPopFilter, entry);
    }
  }
  return true;
}

void MenuController::ShowFilterMenu() {
  // Criteria typed but not applied yet are applied first, so that the menu and a
  // query saved from it see them.
  if (owner_.SearchRowState().Dirty())
    if (GridControl* sg = owner_.SearchGrid()) sg->PostMsg(search::kSearchApply);
  if (GridControl* g = owner_.grid()) g->PostMsg(search::kGridResetPointer);
  MenuControl* menu = QueryMenu();
  if (!menu || !PrepareFilterMenu()) return;
  Popup(*menu, kPopFilter, 0, 0);
}

void MenuController::Popup(MenuControl& menu, const char* band, double xTwips, double yTwips) {
  GridControl* grid = owner_.grid();
  Screen& screen = Platform::ScreenService();
  int x = 0, y = 0;
  const double tx = screen.TwipsPerPixelX(), ty = screen.TwipsPerPixelY();
  if (tx > 0 && std::isfinite(xTwips)) x = static_cast<int>(std::nearbyint(xTwips / tx));
  if (ty > 0 && std::isfinite(yTwips)) y = static_cast<int>(std::nearbyint(yTwips / ty));
  // The grid's own window: x is in grid coordinates, and its top edge is y 0.
  if (grid) screen.ClientToScreen(grid->WindowHandle(), x, y);
  menu.PopupMenu(band, x, y);
}

// ---------------------------------------------------------------- dispatch

void MenuController::ToolClick(MenuControl& menu, const MenuTool& tool) {
  const std::string& name = tool.name;
  // A saved layout may carry any name, also one of a command: the marker decides.
  if (tool.marker == kLayoutMarker) {
    LoadLayoutEntry(name);
    return;
  }
  // A saved query may carry any name, also "mnuFilterSave": the marker decides.
  if (tool.marker == kQueryMarker) {
    owner_.SearchRowState().ApplySavedQuery(name);
    return;
  }
  if (&menu == QueryMenu()) {
    if (name == kMnuFilterSave) owner_.Interaction().OpenQueryDialog();
    return;
  }
  if (name == kColumnChooserTool) {
    RunColumnChooser(tool);
  } else if (name == kMnuSaveTable) {
    owner_.Interaction().OpenLayoutDialog();
  } else if (name == kMnuLoadStandard) {
    owner_.SetLayoutName(layout::kStandardLayout);
    owner_.Layouts().LoadLayout(true, false);
  } else if (name == kMnuEmptyTable) {
    const bool on = !tool.checked;
    ForTool(menu, kMnuEmptyTable, {kPopOptions}, [&](MenuTool& t) { t.checked = on; });
    owner_.ShowEmptyGrid(on);
  } else if (name == kMnuQueryOnLeaveRow) {
    const bool on = !tool.checked;
    ForTool(menu, kMnuQueryOnLeaveRow, {kPopOptions}, [&](MenuTool& t) { t.checked = on; });
    owner_.RefreshOnLeaveColumn(!on);
  } else if (name == kMnuPreviewLL80 || name == kMnuPrintLL80 || name == kMnuPrintLL80Dlg ||
             name == kMnuVerwaltPrintLL80) {
    const char* command = name == kMnuPreviewLL80 ? "preview"
                          : name == kMnuPrintLL80 ? "print"
                          : name == kMnuPrintLL80Dlg ? "printDialog"
                                                     : "manage";
    if (commands.printComponent) commands.printComponent(command);
  } else if (name == kMnuPreviewPortrait || name == kMnuPreviewLandscape) {
    const int orientation = name == kMnuPreviewPortrait ? vmPortrait : vmLandscape;
    if (commands.previewGrid) commands.previewGrid(orientation);
  } else if (name == kMnuPrintPortrait || name == kMnuPrintLandscape) {
    const int orientation = name == kMnuPrintPortrait ? vmPortrait : vmLandscape;
    if (commands.printGrid) commands.printGrid(orientation);
  } else if (name == kMnuExportTable) {
    if (commands.exportText) commands.exportText();
  } else if (name == kMnuSerienDruck || name == kMnuSerienEMail || name == kMnuSammelEMail) {
    if (commands.seriendruck) commands.seriendruck(name != kMnuSerienDruck, name == kMnuSammelEMail);
  } else if (name == kMnuFilterSelected || name == kMnuFilterNotSelected || name == kMnuCut ||
             name == kMnuCopy || name == kMnuPaste) {
    if (commands.tableFilter) commands.tableFilter(name);
  } else if (!tool.subBand.empty() || tool.entryField || name.empty()) {
    // Sub-menus and the entry field are no commands.
  } else {
    ToggleColumn(tool);
  }
}

void MenuController::ToolTextChanged(MenuControl&, const MenuTool& tool) {
  if (tool.name != kMnuMaxRecords) return;
  // Text that is no whole number leaves the limit alone, silently.
  if (auto v = layout::ParseRecordLimit(tool.text)) owner_.MaxRecords(*v);
}

void MenuController::LoadLayoutEntry(const std::string& name) {
  owner_.SetLayoutName(name);
  owner_.Layouts().LoadLayout(true, false);
  owner_.Requery("");
}

void MenuController::ToggleColumn(const MenuTool& tool) {
  const bool on = !tool.checked;
  if (MenuControl* menu = LayoutMenu())
    ForTool(*menu, tool.name.c_str(), {kPopSpalten}, [&](MenuTool& t) { t.checked = on; });
  owner_.ShowColumn(tool.name, on);
  owner_.IsTempLayout(true);
  owner_.Events().MenuColumnClicked(tool.name, on);
}

void MenuController::RunColumnChooser(const MenuTool& tool) {
  if (layout::RunColumnChooser(columns_)) {
    for (const auto& row : columns_) {
      if (row.caption.empty() || !row.changed) continue;
      owner_.ShowColumn(row.fieldname, row.visible);
      owner_.IsTempLayout(true);
    }
    owner_.Events().MenuColumnClicked(tool.name, tool.checked);
  }
}

}  // namespace vmbgrid::menus
