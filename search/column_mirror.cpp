#include "search/column_mirror.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "core/strings.h"

namespace vmbgrid::search {

namespace {
constexpr int kColumnFlagButtonAlways = 1;
constexpr int kColumnFlagButtonHeader = 2;
}  // namespace

void RebuildTwinColumns(GridControl& main, GridControl& twin, bool buttonAlways) {
  while (twin.ColumnCount() > 0) twin.RemoveColumn(twin.ColumnCount() - 1);
  for (int i = 0; i < main.ColumnCount(); ++i) {
    GridColumn& src = main.Column(i);
    GridColumn& col = twin.AddColumn(i);
    col.Caption(src.Caption());
    col.DataField(src.DataField());
    col.Visible(src.Visible());
    col.Width(src.Width());
    col.SetProperty(kColumnFlagButtonAlways, buttonAlways);
    col.SetProperty(kColumnFlagButtonHeader, false);
  }
}

void MirrorColumnSizes(GridControl& main, GridControl& twin) {
  for (int i = 0; i < main.ColumnCount() && i < twin.ColumnCount(); ++i) {
    GridColumn& src = main.Column(i);
    GridColumn& col = twin.Column(i);
    col.Width(src.Width());
    col.Visible(src.Visible());
    if (col.Caption() != src.Caption()) col.Caption(src.Caption());
  }
}

bool TwinInStep(GridControl& main, GridControl& twin) {
  if (twin.ColumnCount() != main.ColumnCount()) return false;
  for (int i = 0; i < main.ColumnCount(); ++i) {
    if (!core::EqualsNoCase(twin.Column(i).DataField(), main.Column(i).DataField())) return false;
  }
  return true;
}

std::vector<std::pair<std::string, Variant>> TwinValues(GridControl& twin, const XArray& array) {
  std::vector<std::pair<std::string, Variant>> values;
  if (array.Count(1) == 0) return values;
  const int32_t row = array.LowerBound(1);
  for (int i = 0; i < twin.ColumnCount(); ++i) {
    const int32_t c = array.LowerBound(2) + i;
    if (c > array.UpperBound(2)) break;
    const Variant& v = array.Value(row, c);
    if (!v.IsEmpty()) values.emplace_back(twin.Column(i).DataField(), v);
  }
  return values;
}

void RestoreTwinValues(GridControl& twin, XArray& array,
                       const std::vector<std::pair<std::string, Variant>>& values) {
  if (array.Count(1) == 0) return;
  const int32_t row = array.LowerBound(1);
  for (int i = 0; i < twin.ColumnCount(); ++i) {
    const int32_t c = array.LowerBound(2) + i;
    if (c > array.UpperBound(2)) break;
    for (const auto& [field, value] : values) {
      if (core::EqualsNoCase(field, twin.Column(i).DataField())) array.Value(row, c, value);
    }
  }
}

void MirrorColumnOrder(GridControl& main, GridControl& twin) {
  // Each main column's display position is read once; the twin's columns then take
  // theirs from the first position on, so that a later move never displaces an
  // earlier one. Linear in the columns but for the sort.
  const int count = main.ColumnCount();
  const int shared = std::min(count, twin.ColumnCount());
  std::vector<std::pair<int, int>> byPosition;  // (position, index)
  byPosition.reserve(static_cast<size_t>(shared));
  for (int i = 0; i < shared; ++i) {
    const int pos = main.Column(i).Order();
    if (pos >= 0 && pos < count) byPosition.emplace_back(pos, i);
  }
  std::stable_sort(byPosition.begin(), byPosition.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [pos, i] : byPosition) twin.Column(i).Order(pos);
}

}  // namespace vmbgrid::search
