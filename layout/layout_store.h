// Column layouts of a grid: the start layout on the first load, loading, saving and
// deleting named layouts in the store SaveMode selects (the grid's layout file or
// the database), and the temporary layout kept at shutdown. The temporary layout
// always lives in the database store.
#pragma once

#include <string>
#include <vector>

#include "layout/database_layouts.h"
#include "layout/layout_names.h"

namespace vmbgrid {
class GridController;
}

namespace vmbgrid::layout {

class LayoutStore {
 public:
  explicit LayoutStore(GridController& owner) : owner_(owner), database_(owner) {}

  // The layout to show at the first Requery: the temporary layout when its entry
  // exists (sets IsTempLayout and the entry flag), else the user's last layout with
  // "Standard" as fallback owner and default.
  std::string StartLayoutName();
  // Reads the layout named by layout() into the grid. `temporary` reads the
  // temporary layout from the database store and restores the names afterwards.
  // False (no message) when it could not be read; the fields' visible flags follow
  // the grid's columns in every mode that got that far.
  bool LoadLayout(bool alignSatellites, bool temporary);
  // The first Requery's sequence: StartLayoutName, SetLayoutName and
  // LoadLayout(false, IsTempLayout). True when a layout was applied.
  bool LoadStartLayout();
  // Sets the layout name and loads it as a regular layout.
  bool LoadAndApply(const std::string& name);

  // The layout dialog's commands, dispatched by SaveMode. Failures show a German
  // message; nothing reaches the caller.
  // True when the layout was written or deleted.
  bool SaveLayout(const std::string& name);
  bool DeleteLayout(const std::string& name);
  bool SaveLayoutToFile(const std::string& name);
  void LoadLayoutFromFile();

  // mainlayout := layout key & "-Tmp", layout := "Temp".
  void PrepareTempLayoutNames();
  // At destruction: the temporary layout to the database store, or the last-layout
  // entry of the regular one. Errors are ignored.
  void SaveLayoutState();
  void SaveOnShutdown() { SaveLayoutState(); }

  // The layout names the table menu lists in file mode, in the grid's collection
  // order; the menu subsystem adds them with its running counter (20001 + n,
  // marker 1000, checked when the name is layout() and IsTempLayout is false).
  std::vector<std::string> FileLayoutNames() const;

  bool TempEntryExists() const { return tempEntryExists_; }
  DatabaseLayouts& Database() { return database_; }

 private:
  GridController& owner_;
  DatabaseLayouts database_;
  bool tempEntryExists_ = false;
};

}  // namespace vmbgrid::layout
