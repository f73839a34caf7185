// Reading a grid the way the user sees it: its visible columns in display order
// and the display texts of its rows.
#pragma once

#include <string>
#include <vector>

#include "host/grid_control.h"

namespace vmbgrid::output {

// Indexes of the visible columns, left to right as shown.
std::vector<int> VisibleColumns(GridControl& grid);
// Rows of the bound recordset or array; 0 when nothing is bound.
int RowCount(const GridControl& grid);
// Data field names of the columns given.
std::vector<std::string> DataFields(GridControl& grid, const std::vector<int>& columns);
// The texts of the sum line under the data grid's columns, by column index; empty
// without a sum line or when it shows nothing.
std::vector<std::string> SumLineTexts(GridControl& grid, GridControl* sumLine);

}  // namespace vmbgrid::output
