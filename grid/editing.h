// Editing commands on one grid control (the cell under the cursor and the selected
// rows), column auto-sizing and value maps. They need only the grid, the clipboard
// and the field to translate, never the whole controller.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/grid_control.h"
#include "host/platform.h"
#include "model/field.h"

namespace vmbgrid::editing {

// Column method that fits a column's width to its caption and content.
inline constexpr int kColumnAutoSize = 79;
// Grid properties of the cell under the cursor.
inline constexpr int kGridEditActive = 63;
inline constexpr int kGridDataChanged = 64;
inline constexpr int kGridCellText = 67;

// The grid of the list that is the form's active control, nullptr when the focus
// is elsewhere.
GridControl* FocusedGrid(const HostForm& form, const std::vector<GridControl*>& grids);

// Cut, copy, paste and undo on the current cell's text. Cut and paste leave a grid
// that refuses edits as it is (cut still copies), so a read-only cell never takes a
// pending change the grid would have to refuse later.
void Cut(GridControl& g, Clipboard& clipboard);
void Copy(GridControl& g, Clipboard& clipboard);
void Paste(GridControl& g, Clipboard& clipboard);
void Undo(GridControl& g);

// Fits the widths of all columns, or of one; a column that refuses is skipped.
void AutoSizeColumns(GridControl& g);
void AutoSizeColumn(GridControl& g, int colIndex);

// The selected rows of a recordset-bound grid (the current row when none is
// selected) as the texts shown, visible columns in display order: cells separated by
// tabs, rows by line breaks. A cell holding a tab, a line break or a double quote is
// quoted the way spreadsheets read it ("a""b"). Empty when the grid has no rows.
std::string SelectedRowsAsText(GridControl& g);
// One cell as a spreadsheet reads it (quoted only when it must be).
std::string DelimitedCell(const std::string& text);

// Member names of a map component: the key and value at an index, the last and the
// first index.
inline constexpr const char* kMapKey = "Key";
inline constexpr const char* kMapValue = "Value";
inline constexpr const char* kMapLastIndex = "LastIndex";
inline constexpr const char* kMapFirstIndex = "FirstIndex";

// The pairs of a map component in index order, both as text. Every pair is read
// before any is used, so a map failing halfway adds nothing. Errors of the component
// pass to the caller.
std::vector<std::pair<std::string, std::string>> ReadMap(Component& map);

}  // namespace vmbgrid::editing
