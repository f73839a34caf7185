// Per-user grid options (search on leaving a cell or the row, empty first result,
// row limit), persisted in the settings store under the grid's section.
#pragma once

namespace vmbgrid {
class VMGrid;
}

namespace vmbgrid::layout {

class OptionStore {
 public:
  explicit OptionStore(VMGrid& owner) : owner_(owner) {}
  // Reads the persisted options into the controller; false when nothing was applied.
  bool Load();
  // Writes the options when they changed since the last load or save.
  void SaveIfChanged();
  void Save();

 private:
  VMGrid& owner_;
};

}  // namespace vmbgrid::layout
