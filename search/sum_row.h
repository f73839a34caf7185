// The sum line: a one-row grid below the data grid showing column totals or fixed
// texts, with the data grid's columns, widths, order and scroll position.
#pragma once

#include <memory>

#include "host/grid_control.h"
#include "host/xarray.h"

namespace vmbgrid {
class GridController;
}

namespace vmbgrid::search {

class SumRow : public GridListener {
 public:
  explicit SumRow(GridController& owner) : owner_(owner) {}

  void Attach(GridControl* control);
  void SetUp();
  // The sum grid's columns are not the data grid's, index by index.
  bool OutOfStep() const;
  // Follows any change of the data grid's columns: rebuilt (totals kept by field)
  // when the columns are others, else widths, visibility and order mirrored; then
  // every total gets the room it needs.
  void FollowDataGrid();
  // A total is never cut: where a sum cell needs more room than its column has, the
  // column grows in all three grids.
  void FitTotals();
  void ComputeSums();
  void FitSumRow();
  void SyncColumnSizes();
  void SyncColumnOrder();
  std::shared_ptr<XArray> Array() const { return array_; }

  void PostEvent(GridControl& g, int messageId) override;
  void BeforeRowChangeRequest(GridControl&, bool& cancel) override { cancel = true; }

 private:
  GridController& owner_;
  std::shared_ptr<XArray> array_;
};

}  // namespace vmbgrid::search
