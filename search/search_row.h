// The search line: a one-row grid above the data grid whose cells hold the
// criteria typed under each column. It mirrors the data grid's columns, turns its
// cells into restrictions and re-queries when the user leaves a cell or the row.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/grid_control.h"
#include "host/xarray.h"

namespace vmbgrid {
class GridController;
class VMGridFields;
}  // namespace vmbgrid

namespace vmbgrid::search {

// Messages posted to the search grid.
enum SearchMessage : int {
  kSearchApply = 5,
  kSearchRebind = 8,
  kSearchRelayout = 10,
  kSearchIndicator = 11,
  kSearchResetPointer = 12,
  kSearchFocusGrid = 13,
  kSearchFocusPrevious = 14,
};

// The drop-down of search columns whose field has a value combo: the column's
// distinct values; a chosen value is applied at once.
class SearchDropDown : public DropDownListener {
 public:
  explicit SearchDropDown(GridController& owner) : owner_(owner) {}
  void DropDownOpen(DropDownControl& dd) override;
  void ValueChosen(DropDownControl& dd) override;
  void Change(DropDownControl& dd) override;
  void KeyDown(DropDownControl& dd, int& keyCode, int& shift) override;

 private:
  GridController& owner_;
};

// A parameter placeholder behind "ODER " ("ODER =2:Combo"): like a plain one it
// stands for a value still to be asked and gives no condition of its own.
bool IsOrParameterPlaceholder(const Variant& value);

// A value with a leading "=" that is no placeholder a parameter query can ask for
// ("=5", "=-5", "=1:Farbe"): raises search::CriterionRejected, since the statement
// would otherwise run without it. A well-formed placeholder ("=1:Text") gives no
// condition, as saved parameter queries need while they are typed.
void CheckPlaceholder(const std::string& fieldname, const Variant& value);

class SearchRow : public GridListener {
 public:
  explicit SearchRow(GridController& owner) : owner_(owner), dropDown_(owner) {}

  // Called when the host attaches the search grid: creates the array and configures
  // the control for one row.
  void Attach(GridControl* control);
  // Rebuilds the search grid's columns from the data grid.
  void SetUp();
  // The search grid's columns are not the data grid's, index by index.
  bool OutOfStep() const;
  // Follows any change of the data grid's columns: rebuilt (typed criteria kept by
  // field) when the columns are others, else widths, visibility and order mirrored.
  void FollowDataGrid();
  // Gives the search columns of fields with a value combo the controller's search
  // drop-down (none when it was taken away); for a drop-down attached after set-up.
  void AssignDropDown();
  // Empties every search cell.
  void ClearArray();
  std::shared_ptr<XArray> Array() const { return array_; }
  SearchDropDown& DropDownListener() { return dropDown_; }

  bool Dirty() const { return dirty_; }
  void Dirty(bool on) { dirty_ = on; }
  bool Active() const { return active_; }
  void Active(bool on) { active_ = on; }
  bool HasFocusFlag() const { return focus_; }
  // Shared by the search grid and the data grid: a button is held down.
  bool MouseDownFlag() const { return mouseDown_; }
  void MouseDownFlag(bool on) { mouseDown_ = on; }

  // Turns the non-empty cells into restrictions of the controller.
  void ApplySearchRow(bool keep, bool fromSearchGrid);
  // Re-queries, clears the dirty flag and raises SearchChanged.
  void SearchApplied();
  void ClearSearch(bool requery);
  void SetSearch(const std::string& field, const std::string& value);
  void UpdateSearchActive();
  void SyncColumnSizes();
  void SyncColumnOrder();

  // Visible data-grid columns and the index of the rightmost one; computed on first
  // need after every column set-up.
  void ComputeLastColumn();
  int VisibleColumnCount() const { return visibleCount_; }
  int LastColumn() const { return lastColumn_; }

  // Saved queries: the query of that name in the controller's queries collection,
  // or a stored filter text ("Name~Mai*!Ort~ODER Bonn!") given directly.
  void ApplySavedQuery(const std::string& name);
  void ApplyQueryText(const std::string& name, const std::string& text);
  // The parameters last asked for ("=" n ":" kind placeholders of a saved query).
  std::shared_ptr<VMGridFields> Parameters() const { return parameters_; }

  // Writes a value into the search cell of the data-grid column bound to the field;
  // false when there is no such column.
  bool SetCell(const std::string& fieldname, const Variant& value);

  // Notifications of the search grid.
  void PostEvent(GridControl& g, int messageId) override;
  void AfterColUpdate(GridControl& g, int colIndex) override;
  void GotFocus(GridControl& g) override;
  void LostFocus(GridControl& g) override;
  void KeyDown(GridControl& g, int& keyCode, int& shift) override;
  void KeyPress(GridControl& g, int& keyAscii) override;
  void KeyUp(GridControl& g, int& keyCode, int& shift) override;
  void Change(GridControl&) override { dirty_ = true; }
  void MouseDown(GridControl& g, int button, int shift, double x, double y) override;
  void MouseUp(GridControl& g, int button, int shift, double x, double y) override;
  void LeftColChange(GridControl& g) override;
  void BeforeRowChangeRequest(GridControl&, bool& cancel) override { cancel = true; }

 private:
  struct QueryEntry {
    std::string fieldname, value;
  };
  static std::vector<QueryEntry> ParseQueryText(const std::string& text);
  // Asks for the values of the placeholders among the entries and puts them in
  // their place; false (nothing to run) after Cancel or for a broken placeholder.
  bool AskParameters(const std::string& queryName, std::vector<QueryEntry>& entries);
  static bool CellCounts(const Variant& v);
  int DataColumnOf(const std::string& fieldname) const;
  void NavigationKey(GridControl& g, int& keyCode, int& shift);
  void RefreshAfterFill();

  GridController& owner_;
  SearchDropDown dropDown_;
  std::shared_ptr<XArray> array_;
  std::shared_ptr<VMGridFields> parameters_;
  bool dirty_ = false;
  bool active_ = false;
  bool focus_ = false;
  bool mouseDown_ = false;
  int visibleCount_ = 0;
  int lastColumn_ = 0;
  // Fixed restrictions whose value the search line replaced by a typed criterion.
  std::vector<std::string> typedIntoFixed_;
};

}  // namespace vmbgrid::search
