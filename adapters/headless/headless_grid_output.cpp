// Headless grid: auto-sized widths and recorded print jobs.
#include <algorithm>

#include "adapters/headless/headless_grid.h"
#include "host/error.h"

namespace vmbgrid {

namespace {
constexpr double kCharWidth = 120;  // twips of an average character
constexpr double kCellPadding = 120;
constexpr int kAutoSizeRows = 1000;  // rows looked at when fitting a width

size_t CharacterCount(const std::string& text) {
  size_t n = 0;
  for (char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}
}  // namespace

// The caption counts only where a header shows it.
void HeadlessGrid::AutoSize(CoreColumn& column) {
  const int index = column.Index();
  size_t widest = HeaderLines() > 0 ? CharacterCount(column.Caption()) : 0;
  const int rows = std::min(RowCount(), kAutoSizeRows);
  for (int r = 0; r < rows; ++r) widest = std::max(widest, CharacterCount(ShownText(r, index)));
  column.Width(static_cast<double>(widest) * kCharWidth + kCellPadding);
}

HeadlessPrintJob HeadlessGrid::MakePrintJob(bool preview) const {
  HeadlessPrintJob job;
  job.preview = preview;
  job.orientation = PrintOrientation();
  const PrintPlan plan = PlanPages(RowHeight());
  job.rowsPerPage = plan.rowsPerPage;
  auto join = [](const std::vector<std::string>& parts) {
    std::string line;
    for (size_t i = 0; i < parts.size(); ++i) line += (i ? "\t" : "") + parts[i];
    return line;
  };
  for (int p = 0; p < plan.PageCount(); ++p) {
    PrintedPage page = PageTexts(plan, p);
    std::string text = join(page.captions);
    for (const auto& row : page.rows) text += "\n" + join(row);
    if (!page.footer.empty()) text += "\n" + join(page.footer);
    text += "\n" + page.pageNumber;
    job.pages.push_back(std::move(text));
    job.layout.push_back(std::move(page));
  }
  return job;
}

void HeadlessGrid::PrintData() {
  if (printerMissing_)
    throw VMError(errc::kPrinterError, "HeadlessGrid", "Kein Drucker vorhanden.");
  printJobs_.push_back(MakePrintJob(false));
}

void HeadlessGrid::PrintPreview() {
  if (printerMissing_)
    throw VMError(errc::kPrinterError, "HeadlessGrid", "Kein Drucker vorhanden.");
  printJobs_.push_back(MakePrintJob(true));
}

}  // namespace vmbgrid
