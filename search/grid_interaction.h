// Behaviour of the data grid: deferred messages, keyboard and mouse handling,
// header-click sorting, column resize and move mirrored into the search and sum
// lines, column formats per data type, defaults of hidden key columns in new rows
// and the input drop-down.
#pragma once

#include <functional>
#include <string>

#include "host/grid_control.h"
#include "model/field.h"
#include "search/header_sort.h"

namespace vmbgrid {
class GridController;
class VMGridFields;
}  // namespace vmbgrid

namespace vmbgrid::search {

// Messages posted to the data grid.
enum GridMessage : int {
  kGridSortByColumn = 1,
  kGridLayoutDialog = 2,
  kGridSyncOrder = 3,
  kGridQueryDialog = 4,
  kGridRefresh = 7,
  kGridRebind = 8,
  kGridRelayout = 10,
  kGridResetPointer = 12,
  kGridFocusSearch = 15,
  kGridMultiSort = 17,
  kGridFitSumRow = 18,
  // The library's own: a progressive load of the current result has ended.
  kGridLoadEnded = 30,
};

// Virtual-key codes the handlers react to.
enum KeyCode : int {
  kKeyBackspace = 8,
  kKeyTab = 9,
  kKeyEnter = 13,
  kKeyEscape = 27,
  kKeyEnd = 35,
  kKeyHome = 36,
  kKeyLeft = 37,
  kKeyUp = 38,
  kKeyRight = 39,
  kKeyDown = 40,
  kKeyDelete = 46,
  kKeyF = 70,
};

// Where the grid handlers hand over to subsystems that own the menus and dialogs.
// Each is optional; an unset one does nothing (Undo falls back to dropping the
// pending change of the grid that received the key).
struct InteractionHooks {
  std::function<void()> showQueryMenu;                     // saved-query menu
  std::function<void(double x, double y)> showColumnMenu;  // right click in the header
  std::function<void()> layoutDialog;                      // message 2
  std::function<void()> queryDialog;                       // message 4
  std::function<void()> undo;                              // Esc, Alt+Backspace
  // Asks for the values of a parameter query; writes them into each parameter's
  // value and returns true on OK.
  std::function<bool(VMGridFields& parameters, const std::string& caption)> parameterDialog;
};

// The number format an exact number column shows without a host format:
// "#,##0.00" for currency and DECIMAL(12,2), all its decimals without a scale.
std::string ExactNumberFormat(const VMGridField& field);
// Display format and alignment of a grid column by the field's data type.
void ApplyColumnFormat(GridColumn& column, const VMGridField& field);

// The column that stands first: the visible column with the lowest display
// position (column 0 unless the host hid or moved it); -1 without columns.
int FirstColumn(GridControl& g);

// Control characters other than Backspace never reach a cell.
void DiscardControlCharacter(int& keyAscii);

// The input drop-down of columns whose field has a drop-down source or an input
// value list: filled when it opens for the data grid's current column.
class InputDropDown : public DropDownListener {
 public:
  explicit InputDropDown(GridController& owner) : owner_(owner) {}
  void DropDownOpen(DropDownControl& dd) override;

 private:
  GridController& owner_;
};

class GridInteraction : public GridListener {
 public:
  explicit GridInteraction(GridController& owner) : owner_(owner), sort_(owner), input_(owner) {}

  InteractionHooks hooks;

  HeaderSort& Sort() { return sort_; }
  InputDropDown& InputDropDownListener() { return input_; }

  // Shows or hides the column of one field in every grid; hiding the last visible
  // column is refused (false).
  bool ShowColumn(const std::string& fieldname, bool visible);
  // The one path by which the search line and the sum line follow every change of
  // the data grid's columns (resize, move, hide and show, auto-size, a layout, a new
  // result): rebuilt when the columns are others, else mirrored.
  void FollowColumns();
  void OpenLayoutDialog();
  void OpenQueryDialog();
  // Runs the undo hook, or drops the pending change of the given grid.
  void Undo(GridControl& g);
  void ShowQueryMenu();

  // Notifications of the data grid.
  void PostEvent(GridControl& g, int messageId) override;
  void KeyDown(GridControl& g, int& keyCode, int& shift) override;
  void KeyPress(GridControl&, int& keyAscii) override { DiscardControlCharacter(keyAscii); }
  void GotFocus(GridControl& g) override;
  void MouseDown(GridControl& g, int button, int shift, double x, double y) override;
  void MouseUp(GridControl& g, int button, int shift, double x, double y) override;
  void DblClick(GridControl& g) override;
  void ColResize(GridControl& g, int colIndex, bool& cancel) override;
  void ColMove(GridControl& g, int position, bool& cancel) override;
  void FormatText(GridControl& g, int colIndex, Variant& value, const Variant& bookmark) override;
  void AfterColUpdate(GridControl& g, int colIndex) override;
  void AfterDelete(GridControl& g) override { RowsChanged(g); }
  void AfterInsert(GridControl& g) override { RowsChanged(g); }
  void AfterUpdate(GridControl& g) override { RowsChanged(g); }
  void OnAddNew(GridControl& g) override;
  void LeftColChange(GridControl& g) override;

 private:
  void RowsChanged(GridControl& g);
  void NavigationKey(GridControl& g, int& keyCode, int& shift);
  GridController& owner_;
  HeaderSort sort_;
  InputDropDown input_;
};

}  // namespace vmbgrid::search
