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
  // The sum grid has not as many columns as the data grid.
  bool OutOfStep() const;
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
