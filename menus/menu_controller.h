// The table menu and the filter menu of one controller: the two hidden forms that
// carry them, building the table menu before each showing, its placement, the
// command dispatch and the customization flags.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/dialogs.h"
#include "host/menu_control.h"
#include "layout/column_chooser.h"

namespace vmbgrid {
class GridController;
}

namespace vmbgrid::menus {

// Where menu entries hand over to the output and editing commands. An unset one
// does nothing; print and preview fall back to the grid control's own printing.
struct MenuCommands {
  std::function<void(int orientation)> previewGrid;
  std::function<void(int orientation)> printGrid;
  std::function<void()> exportText;
  std::function<void(bool serienMail, bool sammelMail)> seriendruck;
  // The print component's commands: "preview", "print", "printDialog", "manage".
  std::function<void(const std::string& command)> printComponent;
  std::function<void(const std::string& toolName)> tableFilter;  // cut, copy, paste, filters
  // Rebuilds the controller's queries collection from the store (raises when the
  // mode has none).
  std::function<void()> loadQueries;
};

class MenuController : public MenuListener {
 public:
  explicit MenuController(GridController& owner);
  ~MenuController() override;
  MenuController(const MenuController&) = delete;
  MenuController& operator=(const MenuController&) = delete;

  MenuCommands commands;

  // The hidden forms, created on first use through the platform's dialog factory;
  // nullptr when the front end has none.
  DialogView* LayoutForm();
  DialogView* QueryForm();
  MenuControl* LayoutMenu();
  MenuControl* QueryMenu();

  // DisableCustomization's mask, applied at every Requery; entries stay disabled.
  void ApplyCustomization(int32_t mask);
  // Builds the table menu and its sub-menus for a showing; false without menus.
  bool PrepareTableMenu();
  // Builds the table menu and shows it at the grid's top edge, x in grid twips.
  void ShowTableMenu(double x);
  // Builds the filter menu for a showing: "Filter verwalten", then the saved
  // parameter queries, then the others, freshly loaded; false without menus.
  bool PrepareFilterMenu();
  // Applies pending search changes first, then shows the filter menu at the grid's
  // top left corner.
  void ShowFilterMenu();

  const std::vector<layout::ColumnListRow>& ColumnList() const { return columns_; }

  void ToolClick(MenuControl& menu, const MenuTool& tool) override;
  void ToolTextChanged(MenuControl& menu, const MenuTool& tool) override;

 private:
  void CreateForms();
  bool LayoutsExist();
  void FillLayoutEntries();
  void AddLayoutEntry(const std::string& name, int32_t& counter);
  void RefreshOptionEntries(MenuControl& menu);
  void BuildColumnList();
  void RunColumnChooser(const MenuTool& tool);
  void LoadLayoutEntry(const std::string& name);
  void ToggleColumn(const MenuTool& tool);
  void Popup(MenuControl& menu, const char* band, double xTwips, double yTwips);

  GridController& owner_;
  std::unique_ptr<DialogView> layoutForm_, queryForm_;
  std::vector<layout::ColumnListRow> columns_;
};

}  // namespace vmbgrid::menus
