// Column layouts of a grid: the start layout on the first load, named layouts and
// the temporary layout at shutdown.
#pragma once

#include <string>

namespace vmbgrid {
class VMGrid;
}

namespace vmbgrid::layout {

class LayoutStore {
 public:
  explicit LayoutStore(VMGrid& owner) : owner_(owner) {}
  // Chooses the layout to start with, loads it and applies it to the grid.
  // True when a layout was applied.
  bool LoadStartLayout();
  // Loads a named layout and applies it; true when it was applied.
  bool LoadAndApply(const std::string& name);
  // At destruction: keep the current arrangement as the temporary layout.
  void SaveOnShutdown();

 private:
  VMGrid& owner_;
};

}  // namespace vmbgrid::layout
