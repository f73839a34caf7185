// Behaviour of the data grid: deferred messages, header-click sorting, keyboard
// and mouse handling, column formats per data type.
#pragma once

#include <string>

#include "host/grid_control.h"
#include "model/field.h"

namespace vmbgrid {
class VMGrid;
}

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
};

// Display format and alignment of a grid column by the field's data type.
void ApplyColumnFormat(GridColumn& column, const VMGridField& field);

class GridInteraction : public GridListener {
 public:
  explicit GridInteraction(VMGrid& owner) : owner_(owner) {}

  void PostEvent(GridControl& g, int messageId) override;
  void FormatText(GridControl& g, int colIndex, Variant& value, const Variant& bookmark) override;
  void AfterColUpdate(GridControl& g, int colIndex) override;
  void AfterDelete(GridControl& g) override { RowsChanged(g); }
  void AfterInsert(GridControl& g) override { RowsChanged(g); }
  void AfterUpdate(GridControl& g) override { RowsChanged(g); }
  void LeftColChange(GridControl& g) override;

 private:
  void RowsChanged(GridControl& g);
  VMGrid& owner_;
};

}  // namespace vmbgrid::search
