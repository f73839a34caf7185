// The column chooser: one check box per column of the grid, switched on and off
// in one go. Runs modally on the platform's "frmCols" view.
#pragma once

#include <string>
#include <vector>

namespace vmbgrid::layout {

// One row of the column list the table menu builds: a field that is not hidden.
struct ColumnListRow {
  std::string caption;
  std::string fieldname;
  bool visible = false;
  bool changed = false;
};

// Check boxes per column of the chooser for a list whose last row index is
// upperBound: halves, thirds from 31 on, quarters from 46 on, plus one.
int RowsPerColumn(int upperBound);

// Shows the chooser for the list. True when the user pressed "Setzen" after
// changing a box; the rows' visible and changed flags then hold the result.
// Without a dialog factory nothing is shown and the result is false.
bool RunColumnChooser(std::vector<ColumnListRow>& list);

}  // namespace vmbgrid::layout
