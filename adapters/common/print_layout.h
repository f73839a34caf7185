// Page layout of a printed table, shared by both front ends so that the headless
// record and the Qt pages agree: A4 with 1 cm margins, a caption line on top of
// every page, the rows, the sum line under the last row, and the page number at
// the foot. Columns that do not fit beside each other go on further pages (all
// pages of the first columns, then those of the next ones); a column wider than the
// page stands alone and is cut at the margin.
#pragma once

#include <string>
#include <vector>

namespace vmbgrid {

struct PrintGeometry {
  static constexpr double kPaperShort = 11906;  // A4, twips
  static constexpr double kPaperLong = 16838;
  static constexpr double kMargin = 567;  // 1 cm

  double width = 0, height = 0;               // printable area, twips
  static PrintGeometry For(int orientation);  // 2 landscape, anything else portrait
};

struct PrintPlan {
  // Per band the positions (into the widths given) of the columns printed together.
  std::vector<std::vector<int>> bands;
  int rowsPerPage = 1;
  int rowPages = 1;  // pages down one band; at least 1, so an empty table prints its captions
  int rowCount = 0;

  int PageCount() const { return static_cast<int>(bands.size()) * rowPages; }
  // What page p (0-based) shows.
  const std::vector<int>& BandOf(int page) const { return bands[page / rowPages]; }
  int FirstRowOf(int page) const { return (page % rowPages) * rowsPerPage; }
  int RowsOn(int page) const;
  bool HasFooterOn(int page) const { return page % rowPages == rowPages - 1; }
};

// lineHeight is the height of one row in twips; the caption, sum and page-number
// lines take one line each.
PrintPlan PlanPrint(const std::vector<double>& columnWidths, int rowCount, int orientation,
                    double lineHeight);

// "Seite 2 von 5".
std::string PageNumberText(int page, int pageCount);

}  // namespace vmbgrid
