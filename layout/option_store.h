// Per-user grid options — search on leaving a cell or only the row, empty first
// result, row limit — kept in the settings store under the grid's section
// (application, form and grid name), with the owner "Standard" as fallback.
#pragma once

#include <string>

namespace vmbgrid {
class GridController;
}

namespace vmbgrid::layout {

class OptionStore {
 public:
  explicit OptionStore(GridController& owner) : owner_(owner) {}
  // Reads the persisted options into the controller, each on its own: a stored text
  // that is no whole number (or a negative limit) leaves a switch as it is and gives
  // the record limit its default of 1000, while the other options still apply.
  // False when one of them could not be used.
  bool Load();
  // Writes the three options when they changed; without a grid (no section) nothing
  // is written and the changed flag stays. Store failures reach the caller.
  void Save();
  void SaveIfChanged() { Save(); }
  // Application, form and grid name joined; "" without a grid.
  std::string Section() const;

 private:
  GridController& owner_;
};

}  // namespace vmbgrid::layout
