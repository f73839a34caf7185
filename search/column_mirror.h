// The search line and the sum line mirror the data grid's columns: widths and
// visibility, and display order, column by column (index i follows index i).
#pragma once

#include "host/grid_control.h"

namespace vmbgrid::search {

// Replaces the twin's columns by one per data-grid column: caption, data field,
// visibility and width, and the two column button flags (the first as given).
void RebuildTwinColumns(GridControl& main, GridControl& twin, bool buttonAlways);
void MirrorColumnSizes(GridControl& main, GridControl& twin);
// Visits the display positions in order, so that each move sees the earlier ones done.
void MirrorColumnOrder(GridControl& main, GridControl& twin);

}  // namespace vmbgrid::search
