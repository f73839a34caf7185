#include "search/column_mirror.h"

namespace vmbgrid::search {

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
