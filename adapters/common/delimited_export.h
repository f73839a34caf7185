// The grids' delimited export: one line per row, fields between a prefix and a
// suffix, CRLF line ends, written through a temporary file and renamed, so that a
// failed export leaves no half-written file behind. A suffix inside a text is
// doubled ("Kö""ln"), as spreadsheet programs read it, so that no field can end
// early and shift the fields after it.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vmbgrid {

struct DelimitedFormat {
  std::string separator = ";";
  std::string prefix = "\"";
  std::string suffix = "\"";
};

// Writes the rows given by ordinal; cellText(ordinal, column) is the display text
// of one cell, columns are taken in the order given. Raises VMError on failure.
void ExportDelimited(const std::string& path, const std::vector<int>& ordinals,
                     const std::vector<int>& columns,
                     const std::function<std::string(int, int)>& cellText,
                     const DelimitedFormat& format);

// Every ordinal from 0 to count - 1.
std::vector<int> AllOrdinals(int count);

}  // namespace vmbgrid
