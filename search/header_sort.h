// Sorting by header click: one column by a plain click (message 1), several by
// Ctrl+click (message 17). The flags keep a click that ends a column resize from
// sorting, and a resize between click and message from sorting late.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "host/grid_control.h"

namespace vmbgrid {
class GridController;
}

namespace vmbgrid::search {

class HeaderSort {
 public:
  explicit HeaderSort(GridController& owner) : owner_(owner) {}

  // A left-button release in the header area of the data grid.
  void LeftRelease(GridControl& g, int shift, double x);
  // Every release in the header area re-arms sorting.
  void Arm() { sortArmed_ = true; }
  // A column resize: the release that ends it must not sort.
  void Disarm() {
    headerClick_ = false;
    sortArmed_ = false;
  }
  // A column resize or move cancels a pending plain-click sort.
  void ClearHeaderClick() { headerClick_ = false; }

  // Message 1: sort by the clicked column alone.
  void SortByClickedColumn();
  // Message 17: the pending multi-column sort.
  void ApplyMultiSort();

  bool SortArmed() const { return sortArmed_; }
  bool HeaderClick() const { return headerClick_; }
  int ClickedColumn() const { return clickedColumn_; }
  const std::vector<std::string>& OrderedNames() const { return orderedNames_; }

 private:
  void BuildMultiSort(GridControl& g);
  void EnterName(const std::string& name);
  std::string NameOfColumn(GridControl& g, int colIndex) const;

  GridController& owner_;
  bool headerClick_ = false;
  bool sortArmed_ = true;
  int clickedColumn_ = -1;
  std::vector<std::string> orderedNames_;
  std::vector<std::pair<std::string, int>> pending_;  // name -> SortOrders value
};

// Text forms of sort orders: "ASC" 1, "DESC" 2 (exact), anything else 0.
int SortOrderOfText(const std::string& text);

}  // namespace vmbgrid::search
