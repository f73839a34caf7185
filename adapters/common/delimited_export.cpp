#include "adapters/common/delimited_export.h"

#include <numeric>

#include "host/atomic_file.h"
#include "host/delimited_text.h"

namespace vmbgrid {

void ExportDelimited(const std::string& path, const std::vector<int>& ordinals,
                     const std::vector<int>& columns,
                     const std::function<std::string(int, int)>& cellText,
                     const DelimitedFormat& format) {
  AtomicFileWriter out(path);
  std::string line;
  for (int r : ordinals) {
    line.clear();
    for (size_t i = 0; i < columns.size(); ++i) {
      if (i > 0) line += format.separator;
      AppendQuotedField(line, cellText(r, columns[i]), format.prefix, format.suffix);
    }
    line += "\r\n";
    out.Write(line);
  }
  out.Commit();
}

std::vector<int> AllOrdinals(int count) {
  std::vector<int> all(static_cast<size_t>(count > 0 ? count : 0));
  std::iota(all.begin(), all.end(), 0);
  return all;
}

}  // namespace vmbgrid
