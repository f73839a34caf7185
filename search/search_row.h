// The search line: a one-row grid above the data grid whose cells hold the
// criteria typed under each column. It mirrors the data grid's columns, turns its
// cells into restrictions and re-queries when the user leaves a cell or the row.
#pragma once

#include <memory>
#include <string>

#include "host/grid_control.h"
#include "host/xarray.h"

namespace vmbgrid {
class VMGrid;
}

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

class SearchRow : public GridListener {
 public:
  explicit SearchRow(VMGrid& owner) : owner_(owner) {}

  // Called when the host attaches the search grid: creates the array and configures
  // the control for one row.
  void Attach(GridControl* control);
  // Rebuilds the search grid's columns from the data grid.
  void SetUp();
  // Empties every search cell.
  void ClearArray();
  std::shared_ptr<XArray> Array() const { return array_; }

  bool Dirty() const { return dirty_; }
  void Dirty(bool on) { dirty_ = on; }
  bool Active() const { return active_; }

  // Turns the non-empty cells into restrictions of the controller.
  void ApplySearchRow(bool keep, bool fromSearchGrid);
  // Re-queries, clears the dirty flag and raises SearchChanged.
  void SearchApplied();
  void ClearSearch(bool requery);
  void SetSearch(const std::string& field, const std::string& value);
  void UpdateSearchActive();
  void SyncColumnSizes();
  void SyncColumnOrder();

  // Notifications of the search grid.
  void PostEvent(GridControl& g, int messageId) override;
  void AfterColUpdate(GridControl& g, int colIndex) override;
  void LostFocus(GridControl& g) override;
  void BeforeRowChangeRequest(GridControl&, bool& cancel) override { cancel = true; }

 private:
  static bool CellCounts(const Variant& v);
  VMGrid& owner_;
  std::shared_ptr<XArray> array_;
  bool dirty_ = false;
  bool active_ = false;
};

}  // namespace vmbgrid::search
