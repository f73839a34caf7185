#include "search/column_mirror.h"

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
    twin.Column(i).Width(main.Column(i).Width());
    twin.Column(i).Visible(main.Column(i).Visible());
  }
}

void MirrorColumnOrder(GridControl& main, GridControl& twin) {
  for (int pos = 0; pos < main.ColumnCount(); ++pos)
    for (int i = 0; i < main.ColumnCount() && i < twin.ColumnCount(); ++i)
      if (main.Column(i).Order() == pos) twin.Column(i).Order(pos);
}

}  // namespace vmbgrid::search
