// The search line and the sum line mirror the data grid's columns: widths and
// visibility, and display order, column by column (index i follows index i).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "host/grid_control.h"

namespace vmbgrid::search {

// Replaces the twin's columns by one per data-grid column: caption, data field,
// visibility and width, and the two column button flags (the first as given).
void RebuildTwinColumns(GridControl& main, GridControl& twin, bool buttonAlways);
// Widths, visibility and captions, column by column.
void MirrorColumnSizes(GridControl& main, GridControl& twin);
// True when the twin has one column for every data-grid column, bound to the same
// data field at the same index (a count alone misses a layout that reorders them).
bool TwinInStep(GridControl& main, GridControl& twin);
// The twin's cell values of row 1 by data field, and written back by data field
// after a rebuild, so that a line keeps what it shows.
std::vector<std::pair<std::string, Variant>> TwinValues(GridControl& twin, const XArray& array);
void RestoreTwinValues(GridControl& twin, XArray& array,
                       const std::vector<std::pair<std::string, Variant>>& values);
// Visits the display positions in order, so that each move sees the earlier ones done.
void MirrorColumnOrder(GridControl& main, GridControl& twin);

}  // namespace vmbgrid::search
