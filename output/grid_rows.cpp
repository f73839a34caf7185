#include "output/grid_rows.h"

#include <algorithm>
#include <utility>

namespace vmbgrid::output {

std::vector<int> VisibleColumns(GridControl& grid) {
  std::vector<std::pair<int, int>> shown;  // display position, index
  for (int i = 0; i < grid.ColumnCount(); ++i) {
    GridColumn& c = grid.Column(i);
    if (c.Visible()) shown.emplace_back(c.Order(), i);
  }
  std::stable_sort(shown.begin(), shown.end());
  std::vector<int> columns;
  columns.reserve(shown.size());
  for (const auto& s : shown) columns.push_back(s.second);
  return columns;
}

int RowCount(const GridControl& grid) {
  if (auto rs = grid.DataSource(); rs && rs->State() != adStateClosed) return rs->RecordCount();
  if (auto array = grid.BoundArray()) return array->Count(1);
  return 0;
}

std::vector<std::string> DataFields(GridControl& grid, const std::vector<int>& columns) {
  std::vector<std::string> names;
  names.reserve(columns.size());
  for (int c : columns) names.push_back(grid.Column(c).DataField());
  return names;
}

std::vector<std::string> SumLineTexts(GridControl& grid, GridControl* sumLine) {
  if (sumLine == nullptr || RowCount(*sumLine) == 0) return {};
  std::vector<std::string> texts(static_cast<size_t>(grid.ColumnCount()));
  bool any = false;
  // By data field: a total is printed under its own column even where the sum
  // line's columns stand otherwise.
  for (int i = 0; i < grid.ColumnCount(); ++i) {
    const std::string field = grid.Column(i).DataField();
    int at = i < sumLine->ColumnCount() && sumLine->Column(i).DataField() == field ? i : -1;
    if (at < 0)
      if (GridColumn* c = sumLine->ColumnByField(field)) at = c->Index();
    if (at < 0) continue;
    texts[static_cast<size_t>(i)] = sumLine->CellText(0, at);
    any = any || !texts[static_cast<size_t>(i)].empty();
  }
  if (!any) texts.clear();
  return texts;
}

}  // namespace vmbgrid::output
