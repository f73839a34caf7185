#include "adapters/common/print_layout.h"

#include <algorithm>
#include <cmath>

namespace vmbgrid {

PrintGeometry PrintGeometry::For(int orientation) {
  PrintGeometry g;
  const bool landscape = orientation == 2;
  g.width = (landscape ? kPaperLong : kPaperShort) - 2 * kMargin;
  g.height = (landscape ? kPaperShort : kPaperLong) - 2 * kMargin;
  return g;
}

int PrintPlan::RowsOn(int page) const {
  return std::clamp(rowCount - FirstRowOf(page), 0, rowsPerPage);
}

PrintPlan PlanPrint(const std::vector<double>& columnWidths, int rowCount, int orientation,
                    double lineHeight) {
  const PrintGeometry g = PrintGeometry::For(orientation);
  PrintPlan plan;
  plan.rowCount = std::max(rowCount, 0);
  const double line = lineHeight > 0 ? lineHeight : 240;
  // Caption, sum and page-number lines are kept free on every page.
  plan.rowsPerPage = std::max(1, static_cast<int>(std::floor((g.height - 3 * line) / line)));
  plan.rowPages = std::max(1, (plan.rowCount + plan.rowsPerPage - 1) / plan.rowsPerPage);

  std::vector<int> band;
  double used = 0;
  for (size_t i = 0; i < columnWidths.size(); ++i) {
    const double w = std::max(columnWidths[i], 0.0);
    if (!band.empty() && used + w > g.width) {
      plan.bands.push_back(std::move(band));
      band.clear();
      used = 0;
    }
    band.push_back(static_cast<int>(i));
    used += w;
  }
  // Without columns one page still shows that the table is empty.
  plan.bands.push_back(std::move(band));
  return plan;
}

std::string PageNumberText(int page, int pageCount) {
  return "Seite " + std::to_string(page) + " von " + std::to_string(pageCount);
}

}  // namespace vmbgrid
